#ifndef MQTTSERVICE_H
#define MQTTSERVICE_H

#include "mqtt/mosquittoclient.h"
#include "mqtt/mqttbridge.h"
#include "mqtt/mqttoptions.h"
#include "registry/settingsfile.h"
#include "system/signalwatcher.h"

#include <QObject>
#include <QTimer>

class RootModel;

// norvaleo-mqtt: the controllers of the settings file, polled as the window
// polls them, on an MQTT broker. Keeps the connection, reconnecting with a
// growing pause, reads the file again on SIGHUP and says goodbye on SIGTERM.
class MqttService : public QObject
{
    Q_OBJECT

public:
    enum ExitStatus { Stopped = 0, Failed = 1, UsageError = 2 };

    static constexpr int FirstRetryMs = 1000;
    static constexpr int LastRetryMs = 60000;

    // arguments: as the process got them, the program first. Runs the event
    // loop until the service stops and gives the exit status.
    static int run(const QStringList &arguments);

    MqttService(const MqttOptions &options, const QString &password);
    ~MqttService() override;

    // False, with the reason, when the library refuses the settings.
    bool start(QString &error);

    // The pause before the attempt after `pause`: doubled, at most LastRetryMs.
    static int nextRetryMs(int pause);

private:
    void onConnected();
    void onRefused(const QString &reason);
    void onDisconnected();
    void onSignal(int signalNumber);
    void retryLater(const QString &reason);
    void loadSettings();
    void stop();
    QString brokerText() const;

    MqttOptions options;
    QString password;
    SettingsFile settingsFile;
    RootModel *model = nullptr;
    MosquittoClient client;
    MqttBridge bridge;
    SignalWatcher signalWatcher;
    QTimer retryTimer;
    int retryMs = FirstRetryMs;
    bool everConnected = false;
    bool stopping = false;
};

#endif // MQTTSERVICE_H
