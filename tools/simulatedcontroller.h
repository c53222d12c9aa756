#ifndef SIMULATEDCONTROLLER_H
#define SIMULATEDCONTROLLER_H

#include <QHash>
#include <QJsonObject>
#include <QList>
#include <QMetaType>
#include <QObject>
#include <QPair>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QVector>

#include <functional>

class QHostAddress;
class QTcpServer;
class QUdpSocket;
class SimulatedHttpConnection;

// A dimmer controller living in this process: answers discovery greetings on UDP
// port 1112 and the HTTP API on port 80 of its wired and Wi-Fi addresses. Tests
// read and change its state directly and switch on faults.
class SimulatedController : public QObject
{
    Q_OBJECT

public:
    static constexpr quint16 DiscoveryPort = 1112;
    static constexpr quint16 HttpPort = 80;
    static constexpr int DefaultTrickleIntervalMs = 500;

    struct Output
    {
        int brightness = 0;
        QString type = QStringLiteral("T_EDGE");
        int slowTime = 1000;
        int minBrightness = 0;
        int maxBrightness = 255;
        QString name;
    };

    struct Input
    {
        QString type = QStringLiteral("NO_FUNCTION");
        double voltValue = 0.0;
    };

    struct Settings
    {
        int controllerVersion = 2;
        QString softVersion = QStringLiteral("1.7.3");
        bool inputAutodetect = false;
        double vRef = 3.3;
        double vPowerSupply = 24.1;
        double innerTmp = 41.5;
        double externTmp = 27.0;
        int modbusAddress = 1;
        bool autosave = true;
        int saveCounter = 12;
        int crosszeroOffset = 500;
        int dimmerHalfPeriod = 10000;
        int dimmerPulseDuration = 9000;
        bool dimmerUseTimerSinch = false;
        QString rs485Speed = QStringLiteral("9600 8N1");
    };

    // What "system_info" reports; the reported addresses start as the listening
    // ones but a set request may change them without moving any socket.
    struct SystemInfo
    {
        QString version = QStringLiteral("2.4.0");
        QString wifiSsid = QStringLiteral("NorvaleoHome");
        QString wifiPass;
        bool wifiConnected = true;
        bool wifiDhcp = true;
        QString wifiIpAddress;
        QString wifiMask = QStringLiteral("255.0.0.0");
        QString wifiGate = QStringLiteral("127.0.0.1");
        bool lanConnected = true;
        bool lanDhcp = false;
        QString lanIpAddress;
        QString lanMask = QStringLiteral("255.0.0.0");
        QString lanGate = QStringLiteral("127.0.0.1");
    };

    // One HTTP request as it arrived: the local address it came in on, the path,
    // the query exactly as sent (still percent-encoded) and its decoded items.
    struct Request
    {
        QString address;
        QString path;
        QString query;
        QList<QPair<QString, QString>> items;
    };

    SimulatedController(const QString &wiredAddress, const QString &wifiAddress,
                        const QString &uniqueId, const QString &name, int channelCount = 4,
                        QObject *parent = nullptr);
    ~SimulatedController() override;

    // Opens the UDP and TCP sockets; false when any of them could not be bound.
    bool start();
    void stop();
    bool isStarted() const { return started; }

    QString wiredAddress() const { return wired; }
    QString wifiAddress() const { return wifi; }
    QString uniqueId() const { return id; }
    QString name() const { return deviceName; }
    void setName(const QString &name);

    int channelCount() const { return outputList.size(); }
    QVector<Output> outputs() const { return outputList; }
    void setOutputs(const QVector<Output> &outputs);
    Output output(int channel) const;
    void setOutput(int channel, const Output &output);
    int brightness(int channel) const { return output(channel).brightness; }
    void setBrightness(int channel, int brightness);

    QVector<Input> inputs() const { return inputList; }
    void setInputs(const QVector<Input> &inputs);

    Settings settings() const { return deviceSettings; }
    void setSettings(const Settings &settings);
    SystemInfo systemInfo() const { return info; }
    void setSystemInfo(const SystemInfo &systemInfo);

    // The objects sent under "system_info" and "dimmer_info".
    QJsonObject systemInfoJson() const;
    QJsonObject dimmerInfoJson() const;

    QList<Request> requests() const { return requestLog; }
    void clearRequests() { requestLog.clear(); }
    int greetingsAnswered() const { return answeredGreetings; }

    // Fault switches.
    // Silent: connections are accepted and requests logged, but neither carried out
    // nor answered; unicast greetings to the address are ignored (broadcasts are not).
    void setAddressSilent(const QString &address, bool silent);
    // Refusing: nothing listens on port 80 of the address.
    void setAddressRefusing(const QString &address, bool refusing);
    // The request is carried out at once; only its reply waits.
    void setReplyDelay(int ms) { replyDelayMs = qMax(0, ms); }
    void setTrickle(bool on, int intervalMs = DefaultTrickleIntervalMs);
    void setNonJsonBody(bool on) { nonJsonBody = on; }
    // Only "system_info" carries it; a null text restores the real id.
    void setReportedUniqueId(const QString &uniqueId) { reportedUniqueId = uniqueId; }
    void setUdpSilent(bool silent) { udpSilent = silent; }
    // Replaces "ok" and "bad request" in every reply; a null text restores them.
    void setResponseText(const QString &text) { responseText = text; }
    // Set requests of this item type are refused ("bad request") and change nothing.
    void setRefusedItemType(const QString &itemType) { refusedItemType = itemType; }
    // Listens on the new addresses (empty = interface absent) and reports them.
    bool moveToAddresses(const QString &wiredAddress, const QString &wifiAddress);

signals:
    void requestReceived(const SimulatedController::Request &request);
    void greetingAnswered(const QString &senderAddress);
    // A set request was carried out.
    void stateChanged();

private:
    using SetHandler = std::function<bool(const QList<QPair<QString, QString>> &)>;

    QStringList addresses() const;
    bool openUdp();
    bool openHttp(const QString &address);
    void closeSockets();
    void onGreetingDatagrams(QUdpSocket *socket, bool broadcastSocket);
    bool isOwnNetworkBroadcast(const QHostAddress &destination) const;
    void onNewConnection(QTcpServer *server);
    void onHttpRequest(SimulatedHttpConnection *connection, const QByteArray &method,
                       const QByteArray &target);
    QByteArray apiBody(const QList<QPair<QString, QString>> &items);
    QJsonObject envelope(bool ok) const;
    QByteArray greetingAnswer() const;
    void registerSetHandlers();

    bool setDeviceName(const QList<QPair<QString, QString>> &items);
    bool setSettingsNumber(const QList<QPair<QString, QString>> &items, int Settings::*field,
                           int minimum, int maximum);
    bool setSettingsFlag(const QList<QPair<QString, QString>> &items, bool Settings::*field);
    bool setOutputValues(const QList<QPair<QString, QString>> &items,
                         const std::function<bool(Output &, const QString &)> &apply);
    bool setInputTypes(const QList<QPair<QString, QString>> &items);
    bool setWifi(const QList<QPair<QString, QString>> &items);
    bool setLan(const QList<QPair<QString, QString>> &items);
    bool setDimming(const QList<QPair<QString, QString>> &items);
    bool setRs485(const QList<QPair<QString, QString>> &items);

    QString wired;
    QString wifi;
    QString id;
    QString deviceName;
    QVector<Output> outputList;
    QVector<Input> inputList;
    Settings deviceSettings;
    SystemInfo info;
    QHash<QString, SetHandler> setHandlers;

    bool started = false;
    QUdpSocket *broadcastSocket = nullptr;
    QHash<QString, QUdpSocket *> addressSockets;
    QHash<QString, QTcpServer *> servers;

    QList<Request> requestLog;
    int answeredGreetings = 0;

    QSet<QString> silentAddresses;
    QSet<QString> refusingAddresses;
    int replyDelayMs = 0;
    int trickleIntervalMs = 0;
    bool nonJsonBody = false;
    QString reportedUniqueId;
    bool udpSilent = false;
    QString responseText;
    QString refusedItemType;
};

Q_DECLARE_METATYPE(SimulatedController::Request)

#endif // SIMULATEDCONTROLLER_H
