#ifndef MOSQUITTOCLIENT_H
#define MOSQUITTOCLIENT_H

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTimer>

struct mosquitto;
struct mosquitto_message;
class QSocketNotifier;

// One connection to an MQTT broker through libmosquitto, driven by the Qt
// event loop: socket notifiers call the library's read and write steps and a
// timer its keep-alive step, so no thread of the library runs. The handle is
// owned here; the library's callbacks come out as signals.
class MosquittoClient : public QObject
{
    Q_OBJECT

public:
    struct Settings
    {
        QString host = QStringLiteral("127.0.0.1");
        int port = 1883;
        QString clientId;
        QString username;
        QString password;
        bool tls = false;
        // Without one, the system's certificate directory.
        QString caFile;
        QString willTopic;
        QByteArray willPayload;
    };

    explicit MosquittoClient(QObject *parent = nullptr);
    ~MosquittoClient() override;

    // False, with errorString(), when the library refuses a setting (a TLS
    // file it cannot read, a client id it cannot use).
    bool configure(const Settings &settings);
    // Starts one attempt; its end comes as connected(), refused() or
    // disconnected().
    void connectToBroker();
    // Sends DISCONNECT once what is queued has gone out; disconnected() follows.
    void disconnectFromBroker();
    bool isConnected() const { return state == State::Connected; }

    // Only while connected; false otherwise or when the library refuses.
    bool publish(const QString &topic, const QByteArray &payload, bool retain);
    bool subscribe(const QString &topic);

    QString errorString() const { return lastError; }
    // A topic a message may be published to: no wildcard, no NUL, not empty.
    static bool isValidTopic(const QString &topic);

Q_SIGNALS:
    void connected();
    // The broker answered and refused: a login it does not accept.
    void refused(const QString &reason);
    // The connection ended, or an attempt failed before the broker answered.
    void disconnected();
    void messageReceived(const QString &topic, const QByteArray &payload);

private:
    enum class State { Idle, Connecting, Connected, Closing };

    static void onConnectCallback(mosquitto *, void *object, int code);
    static void onDisconnectCallback(mosquitto *, void *object, int code);
    static void onMessageCallback(mosquitto *, void *object, const mosquitto_message *message);

    void handleConnack(int code);
    void handleResult(int code);
    void connectionLost();
    void watchSocket();
    void dropNotifiers();
    void updateWriteInterest();

    mosquitto *handle = nullptr;
    Settings current;
    State state = State::Idle;
    int socketFd = -1;
    QSocketNotifier *readNotifier = nullptr;
    QSocketNotifier *writeNotifier = nullptr;
    QTimer miscTimer;
    QString lastError;
};

#endif // MOSQUITTOCLIENT_H
