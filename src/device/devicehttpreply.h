#ifndef DEVICEHTTPREPLY_H
#define DEVICEHTTPREPLY_H

#include <QAbstractSocket>
#include <QByteArray>
#include <QNetworkReply>

class QTcpSocket;

// One HTTP/1.1 GET over a connection of its own, made on the thread that asked
// for it. It reads what a controller sends (a status line, headers and a body
// sized by Content-Length, by chunks or by the end of the connection) and
// reports the errors Qt's own replies report: refused, closed, unreachable,
// aborted, an HTTP error status. With a read buffer size set it stops reading
// once that much of the body waits to be read.
class DeviceHttpReply : public QNetworkReply
{
    Q_OBJECT

public:
    DeviceHttpReply(const QNetworkRequest &request, QObject *parent);

    void abort() override;
    qint64 bytesAvailable() const override;

protected:
    qint64 readData(char *data, qint64 maxSize) override;

private:
    enum class Stage {
        Waiting, // not connected yet
        StatusLine,
        Headers,
        Body, // `remaining` bytes, or up to the end of the connection when it is -1
        ChunkSize,
        ChunkData,
        ChunkEnd,
        Trailer,
        Complete, // the whole reply is here; finished is still to be emitted
        Finished,
    };

    void connectToDevice();
    void sendRequest();
    void receive();
    bool parse();
    bool parseStatusLine();
    bool parseHeader();
    bool parseBody();
    bool parseChunkSize();
    bool parseLineOf(Stage next);
    void startBody();
    bool takeLine(QByteArray &line);
    bool bodyFull() const;
    void resume();
    void onDisconnected();
    void settleClosed();
    void onSocketError(QAbstractSocket::SocketError socketError);
    void fail(NetworkError code, const QString &text);
    void finish();

    QTcpSocket *socket;
    QByteArray incoming; // received, not yet parsed
    QByteArray body;     // parsed, not yet read
    Stage stage = Stage::Waiting;
    qint64 remaining = -1;
    qint64 headBytes = 0;
    int status = 0;
    bool chunked = false;
    bool closedByPeer = false;
    bool progressed = false; // the last receive() parsed something
};

#endif // DEVICEHTTPREPLY_H
