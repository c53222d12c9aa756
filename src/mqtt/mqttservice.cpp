#include "mqtt/mqttservice.h"

#include "logging/logcategories.h"
#include "mqtt/mqttmessages.h"
#include "registry/roleregistry.h"
#include "registry/rootmodel.h"

#include <QCoreApplication>
#include <QSysInfo>

#include <csignal>
#include <cstdio>

namespace {

// Long enough for the goodbye to reach a broker on the local network.
constexpr int StopLimitMs = 2000;

void printText(FILE *stream, const QString &text)
{
    std::fputs(text.toUtf8().constData(), stream);
    std::fflush(stream);
}

void printError(const QString &line)
{
    printText(stderr, QStringLiteral("norvaleo-mqtt: ") + line + QLatin1Char('\n'));
}

SettingsFile settingsFileFor(const QString &directory)
{
    return directory.isEmpty() ? SettingsFile() : SettingsFile::inDirectory(directory);
}

} // namespace

int MqttService::run(const QStringList &arguments)
{
    const MqttOptions options = MqttOptions::parse(arguments);
    if (options.help) {
        printText(stdout, MqttOptions::helpText());
        return Stopped;
    }
    if (options.version) {
        printText(stdout,
                  QStringLiteral("norvaleo-mqtt %1\n").arg(QCoreApplication::applicationVersion()));
        return Stopped;
    }
    if (!options.error.isEmpty()) {
        printError(options.error + QStringLiteral(" (справка: norvaleo-mqtt --help)"));
        return UsageError;
    }
    QString password;
    QString reason;
    if (!options.passwordFile.isEmpty() &&
        !MqttOptions::readPassword(options.passwordFile, password, reason)) {
        printError(
            QStringLiteral("файл пароля %1 не прочитан: %2").arg(options.passwordFile, reason));
        return Failed;
    }
    RoleRegistry::fill();
    MqttService service(options, password);
    if (!service.start(reason)) {
        printError(reason);
        return Failed;
    }
    return QCoreApplication::exec();
}

MqttService::MqttService(const MqttOptions &options, const QString &password)
    : options(options), password(password),
      settingsFile(settingsFileFor(options.settingsDirectory)),
      bridge(client, MqttTopics(options.topicPrefix, options.discoveryPrefix))
{
    retryTimer.setSingleShot(true);
    connect(&retryTimer, &QTimer::timeout, &client, &MosquittoClient::connectToBroker);
    connect(&client, &MosquittoClient::connected, this, &MqttService::onConnected);
    connect(&client, &MosquittoClient::refused, this, &MqttService::onRefused);
    connect(&client, &MosquittoClient::disconnected, this, &MqttService::onDisconnected);
    connect(&client, &MosquittoClient::messageReceived, &bridge, &MqttBridge::onMessage);
    connect(&signalWatcher, &SignalWatcher::received, this, &MqttService::onSignal);
}

MqttService::~MqttService()
{
    delete model;
}

bool MqttService::start(QString &error)
{
    MosquittoClient::Settings settings;
    settings.host = options.host;
    settings.port = options.port;
    settings.clientId = options.clientId.isEmpty()
                            ? QStringLiteral("norvaleo-mqtt-") + QSysInfo::machineHostName()
                            : options.clientId;
    settings.username = options.username;
    settings.password = password;
    settings.tls = options.tls;
    settings.caFile = options.caFile;
    settings.willTopic =
        MqttTopics(options.topicPrefix, options.discoveryPrefix).bridgeAvailability();
    settings.willPayload = MqttMessages::offline();
    if (!client.configure(settings)) {
        error = QStringLiteral("брокер %1: %2").arg(brokerText(), client.errorString());
        return false;
    }
    for (const int signalNumber : {SIGHUP, SIGTERM, SIGINT}) {
        signalWatcher.watch(signalNumber);
    }
    qCDebug(lcSettings) << "reads" << settingsFile.readPath();
    loadSettings();
    client.connectToBroker();
    return true;
}

int MqttService::nextRetryMs(int pause)
{
    return qMin(pause * 2, LastRetryMs);
}

void MqttService::onConnected()
{
    everConnected = true;
    retryMs = FirstRetryMs;
    qCInfo(lcMqtt, "mqtt: connected to %s", qPrintable(brokerText()));
    bridge.onConnected();
}

void MqttService::onRefused(const QString &reason)
{
    if (!everConnected) {
        printError(QStringLiteral("брокер %1 отказал во входе: %2").arg(brokerText(), reason));
        QCoreApplication::exit(Failed);
        return;
    }
    retryLater(reason);
}

void MqttService::onDisconnected()
{
    if (stopping) {
        QCoreApplication::exit(Stopped);
        return;
    }
    retryLater(client.errorString());
}

void MqttService::retryLater(const QString &reason)
{
    qCWarning(lcMqtt, "mqtt: broker %s: %s; next attempt in %d s", qPrintable(brokerText()),
              qPrintable(reason), retryMs / 1000);
    retryTimer.start(retryMs);
    retryMs = nextRetryMs(retryMs);
}

void MqttService::onSignal(int signalNumber)
{
    if (signalNumber == SIGHUP) {
        loadSettings();
        return;
    }
    stop();
}

// A new model from the file; the old one goes with its polling. The bridge
// removes from Home Assistant what the file no longer lists.
void MqttService::loadSettings()
{
    RootModel *old = model;
    model = new RootModel(nullptr, settingsFile);
    model->loadSettings(true);
    bridge.setModel(model);
    if (old) {
        old->deleteLater();
    }
}

void MqttService::stop()
{
    if (stopping) {
        return;
    }
    stopping = true;
    retryTimer.stop();
    client.publish(MqttTopics(options.topicPrefix, options.discoveryPrefix).bridgeAvailability(),
                   MqttMessages::offline(), true);
    QTimer::singleShot(StopLimitMs, this, [] { QCoreApplication::exit(Stopped); });
    client.disconnectFromBroker();
}

QString MqttService::brokerText() const
{
    return QStringLiteral("%1:%2").arg(options.host).arg(options.port);
}
