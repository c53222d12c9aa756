#ifndef SIMULATEDHTTPCONNECTION_H
#define SIMULATEDHTTPCONNECTION_H

#include <QByteArray>
#include <QObject>
#include <QString>

class QTcpSocket;
class QTimer;

// One accepted HTTP client of a simulated controller: reads a single bounded
// request head, hands its request line on, writes one reply (optionally late or
// byte by byte) and closes.
class SimulatedHttpConnection : public QObject
{
    Q_OBJECT

public:
    static constexpr int MaxRequestBytes = 16 * 1024;
    static constexpr int IdleTimeoutMs = 10000;

    // Takes ownership of the socket.
    explicit SimulatedHttpConnection(QTcpSocket *socket, QObject *parent = nullptr);

    QString localAddress() const { return local; }

    // Sends the whole reply after delayMs; with a trickle interval above 0 one
    // byte goes out per interval.
    void reply(const QByteArray &response, int delayMs, int trickleIntervalMs);
    // A reply without JSON body, for requests that never reached the API.
    void replyStatus(int code);

signals:
    void requestReceived(SimulatedHttpConnection *connection, const QByteArray &method,
                         const QByteArray &target);
    // The request head was too long or had no usable request line.
    void malformedRequest(SimulatedHttpConnection *connection, int statusCode);

private:
    void onReadyRead();
    void startSending();
    void sendNextByte();
    void finish();

    QTcpSocket *socket;
    QTimer *idleTimer;
    QTimer *trickleTimer = nullptr;
    QString local;
    QByteArray buffer;
    QByteArray pending;
    int trickleMs = 0;
    bool requestSeen = false;
    bool replying = false;
};

#endif // SIMULATEDHTTPCONNECTION_H
