#include "mqtt/mosquittoclient.h"

#include <QSocketNotifier>

#include <mosquitto.h>

#include <cerrno>
#include <cstring>

namespace {

constexpr int KeepAliveSeconds = 30;
// Keep-alive pings and retries are due at second granularity.
constexpr int MiscIntervalMs = 1000;
constexpr int QosAtMostOnce = 0;
constexpr int QosAtLeastOnce = 1;
const char *const SystemCertificates = "/etc/ssl/certs";

void initialiseLibrary()
{
    // Once per process; the library's global state lives until the end.
    static const int initialised = mosquitto_lib_init();
    Q_UNUSED(initialised)
}

QString describe(int code)
{
    if (code == MOSQ_ERR_ERRNO) {
        return QString::fromLocal8Bit(std::strerror(errno));
    }
    return QString::fromUtf8(mosquitto_strerror(code));
}

QByteArray orNull(const QString &text)
{
    return text.isEmpty() ? QByteArray() : text.toUtf8();
}

const char *pointerOf(const QByteArray &bytes)
{
    return bytes.isNull() ? nullptr : bytes.constData();
}

} // namespace

MosquittoClient::MosquittoClient(QObject *parent) : QObject(parent)
{
    initialiseLibrary();
    miscTimer.setInterval(MiscIntervalMs);
    connect(&miscTimer, &QTimer::timeout, this,
            [this] { handleResult(mosquitto_loop_misc(handle)); });
}

MosquittoClient::~MosquittoClient()
{
    dropNotifiers();
    if (handle) {
        mosquitto_destroy(handle);
    }
}

bool MosquittoClient::configure(const Settings &settings)
{
    if (handle) {
        mosquitto_destroy(handle);
    }
    current = settings;
    state = State::Idle;
    const QByteArray clientId = orNull(settings.clientId);
    handle = mosquitto_new(pointerOf(clientId), true, this);
    if (!handle) {
        lastError = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    mosquitto_connect_callback_set(handle, &MosquittoClient::onConnectCallback);
    mosquitto_disconnect_callback_set(handle, &MosquittoClient::onDisconnectCallback);
    mosquitto_message_callback_set(handle, &MosquittoClient::onMessageCallback);

    int code = MOSQ_ERR_SUCCESS;
    if (!settings.username.isEmpty()) {
        code = mosquitto_username_pw_set(handle, settings.username.toUtf8().constData(),
                                         pointerOf(orNull(settings.password)));
    }
    if (code == MOSQ_ERR_SUCCESS && settings.tls) {
        const QByteArray caFile = orNull(settings.caFile);
        code = mosquitto_tls_set(handle, pointerOf(caFile),
                                 caFile.isNull() ? SystemCertificates : nullptr, nullptr, nullptr,
                                 nullptr);
    }
    if (code == MOSQ_ERR_SUCCESS && !settings.willTopic.isEmpty()) {
        code = mosquitto_will_set(handle, settings.willTopic.toUtf8().constData(),
                                  int(settings.willPayload.size()),
                                  settings.willPayload.constData(), QosAtLeastOnce, true);
    }
    if (code != MOSQ_ERR_SUCCESS) {
        lastError = describe(code);
        return false;
    }
    return true;
}

void MosquittoClient::connectToBroker()
{
    if (!handle || state == State::Connecting || state == State::Connected) {
        return;
    }
    dropNotifiers();
    state = State::Connecting;
    const int code = mosquitto_connect_async(handle, current.host.toUtf8().constData(),
                                             current.port, KeepAliveSeconds);
    if (code != MOSQ_ERR_SUCCESS) {
        lastError = describe(code);
        connectionLost();
        return;
    }
    miscTimer.start();
    watchSocket();
}

void MosquittoClient::disconnectFromBroker()
{
    if (state == State::Idle) {
        Q_EMIT disconnected();
        return;
    }
    if (state != State::Connected) {
        connectionLost();
        return;
    }
    state = State::Closing;
    if (mosquitto_disconnect(handle) != MOSQ_ERR_SUCCESS) {
        connectionLost();
        return;
    }
    updateWriteInterest();
}

bool MosquittoClient::publish(const QString &topic, const QByteArray &payload, bool retain)
{
    if (state != State::Connected) {
        return false;
    }
    const int code =
        mosquitto_publish(handle, nullptr, topic.toUtf8().constData(), int(payload.size()),
                          payload.constData(), QosAtMostOnce, retain);
    updateWriteInterest();
    return code == MOSQ_ERR_SUCCESS;
}

bool MosquittoClient::subscribe(const QString &topic)
{
    if (state != State::Connected) {
        return false;
    }
    const int code =
        mosquitto_subscribe(handle, nullptr, topic.toUtf8().constData(), QosAtMostOnce);
    updateWriteInterest();
    return code == MOSQ_ERR_SUCCESS;
}

bool MosquittoClient::isValidTopic(const QString &topic)
{
    const QByteArray bytes = topic.toUtf8();
    return !bytes.isEmpty() && !bytes.contains('\0') &&
           mosquitto_pub_topic_check2(bytes.constData(), size_t(bytes.size())) == MOSQ_ERR_SUCCESS;
}

void MosquittoClient::onConnectCallback(mosquitto *, void *object, int code)
{
    static_cast<MosquittoClient *>(object)->handleConnack(code);
}

void MosquittoClient::onDisconnectCallback(mosquitto *, void *object, int)
{
    static_cast<MosquittoClient *>(object)->connectionLost();
}

void MosquittoClient::onMessageCallback(mosquitto *, void *object, const mosquitto_message *message)
{
    auto *client = static_cast<MosquittoClient *>(object);
    const QString topic = QString::fromUtf8(message->topic);
    const QByteArray payload(static_cast<const char *>(message->payload), message->payloadlen);
    Q_EMIT client->messageReceived(topic, payload);
}

void MosquittoClient::handleConnack(int code)
{
    if (code == 0) {
        state = State::Connected;
        Q_EMIT connected();
        return;
    }
    // The library ends this connection itself; the refusal is the news.
    lastError = QString::fromUtf8(mosquitto_connack_string(code));
    dropNotifiers();
    miscTimer.stop();
    state = State::Idle;
    Q_EMIT refused(lastError);
}

void MosquittoClient::handleResult(int code)
{
    if (state == State::Idle) {
        return;
    }
    if (code != MOSQ_ERR_SUCCESS) {
        lastError = describe(code);
        connectionLost();
        return;
    }
    watchSocket();
}

void MosquittoClient::connectionLost()
{
    if (state == State::Idle) {
        return;
    }
    dropNotifiers();
    miscTimer.stop();
    state = State::Idle;
    Q_EMIT disconnected();
}

void MosquittoClient::watchSocket()
{
    const int fd = mosquitto_socket(handle);
    if (fd != socketFd) {
        dropNotifiers();
        if (fd < 0) {
            return;
        }
        socketFd = fd;
        readNotifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
        writeNotifier = new QSocketNotifier(fd, QSocketNotifier::Write, this);
        connect(readNotifier, &QSocketNotifier::activated, this,
                [this] { handleResult(mosquitto_loop_read(handle, 1)); });
        connect(writeNotifier, &QSocketNotifier::activated, this,
                [this] { handleResult(mosquitto_loop_write(handle, 1)); });
    }
    updateWriteInterest();
}

void MosquittoClient::dropNotifiers()
{
    // May run inside a notifier's own signal: disabled now, deleted later.
    for (QSocketNotifier *notifier : {readNotifier, writeNotifier}) {
        if (notifier) {
            notifier->setEnabled(false);
            notifier->deleteLater();
        }
    }
    readNotifier = nullptr;
    writeNotifier = nullptr;
    socketFd = -1;
}

void MosquittoClient::updateWriteInterest()
{
    if (writeNotifier) {
        writeNotifier->setEnabled(mosquitto_want_write(handle));
    }
}
