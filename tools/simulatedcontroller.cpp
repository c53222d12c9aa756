#include "simulatedcontroller.h"

#include "simulatedhttpconnection.h"

#include <QHostAddress>
#include <QJsonDocument>
#include <QNetworkDatagram>
#include <QNetworkInterface>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUdpSocket>
#include <QUrlQuery>
#include <QtDebug>

namespace {

using Items = QList<QPair<QString, QString>>;

const QByteArray greeting = QByteArrayLiteral("hello norvaleo devices!");
// Long enough that a longer datagram cannot pass for the greeting once truncated.
constexpr qint64 maxDatagramRead = 64;
constexpr int maxLoggedRequests = 10000;
constexpr int maxNameLength = 64;
constexpr int maxChannels = 99;
constexpr int maxTimingMicroseconds = 100000;
constexpr int maxSlowTimeMs = 24 * 60 * 60 * 1000;

const QStringList outputTypes = {QStringLiteral("NO_TYPE"), QStringLiteral("T_EDGE"),
                                 QStringLiteral("L_EDGE"), QStringLiteral("PWM"),
                                 QStringLiteral("DIGITAL")};
const QStringList inputTypes = {
    QStringLiteral("NO_FUNCTION"),           QStringLiteral("ADC"),
    QStringLiteral("CH_ON_OFF_DIMMING"),     QStringLiteral("CH_ON_OFF_ALL_ON_OFF"),
    QStringLiteral("ALL_ON_OFF_CH_DIMMING"), QStringLiteral("CH_CLASSIC_ON_OFF"),
    QStringLiteral("CH_TOGGLE_ON_OFF")};
const QList<int> baudRates = {2400,  4800,   9600,   19200,  38400,
                              57600, 115200, 250000, 500000, 1000000};

QString flagText(bool flag)
{
    return flag ? QStringLiteral("true") : QStringLiteral("false");
}

QString linkText(bool connected)
{
    return connected ? QStringLiteral("connected") : QStringLiteral("disconnected");
}

// Plain decimal digits only: the device does not take signs, blanks or hex.
bool parseInt(const QString &text, int minimum, int maximum, int *value)
{
    if (text.isEmpty() || text.size() > 9)
        return false;
    for (const QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    }
    const int number = text.toInt();
    if (number < minimum || number > maximum)
        return false;
    *value = number;
    return true;
}

bool parseFlag(const QString &text, bool *flag)
{
    if (text != QLatin1String("true") && text != QLatin1String("false"))
        return false;
    *flag = text == QLatin1String("true");
    return true;
}

bool isIpv4(const QString &text)
{
    const QStringList parts = text.split(QLatin1Char('.'));
    if (parts.size() != 4)
        return false;
    int octet = 0;
    for (const QString &part : parts) {
        if (part.size() > 3 || !parseInt(part, 0, 255, &octet))
            return false;
    }
    return true;
}

bool isName(const QString &text)
{
    return !text.isEmpty() && text.size() <= maxNameLength;
}

// The number of a "ch_N" item, or 0 when the key is no channel of 1..count.
int channelNumber(const QString &key, int count)
{
    if (!key.startsWith(QLatin1String("ch_")))
        return 0;
    int channel = 0;
    if (!parseInt(key.mid(3), 1, count, &channel))
        return 0;
    return channel;
}

// The items after request_type and item_type as a map; false on a key that is
// not allowed or given twice.
bool valueMap(const Items &items, const QStringList &allowed, QHash<QString, QString> *map)
{
    for (int i = 2; i < items.size(); ++i) {
        const QString &key = items.at(i).first;
        if (!allowed.contains(key) || map->contains(key))
            return false;
        map->insert(key, items.at(i).second);
    }
    return true;
}

// The single value of a request that carries exactly one item named key.
bool singleValue(const Items &items, const QString &key, QString *value)
{
    if (items.size() != 3 || items.at(2).first != key)
        return false;
    *value = items.at(2).second;
    return true;
}

QString canonicalAddress(const QString &address)
{
    const QHostAddress host(address);
    return host.isNull() ? address : host.toString();
}

QString channelKey(int channel)
{
    return QStringLiteral("channel_%1").arg(channel);
}

// A static address change: the address must be usable, mask and gateway may be left empty.
bool readStaticAddress(const QHash<QString, QString> &values, QString *address, QString *mask,
                       QString *gate)
{
    *address = values.value(QStringLiteral("ip_address"));
    *mask = values.value(QStringLiteral("ip_mask"));
    *gate = values.value(QStringLiteral("ip_gate"));
    if (!isIpv4(*address))
        return false;
    if (!mask->isEmpty() && !isIpv4(*mask))
        return false;
    return gate->isEmpty() || isIpv4(*gate);
}

} // namespace

SimulatedController::SimulatedController(const QString &wiredAddress, const QString &wifiAddress,
                                         const QString &uniqueId, const QString &name,
                                         int channelCount, QObject *parent)
    : QObject(parent), wired(canonicalAddress(wiredAddress)), wifi(canonicalAddress(wifiAddress)),
      id(uniqueId), deviceName(name)
{
    qRegisterMetaType<SimulatedController::Request>();

    outputList.resize(qBound(0, channelCount, maxChannels));
    for (int i = 0; i < outputList.size(); ++i)
        outputList[i].name = QStringLiteral("Лампа %1").arg(i + 1);
    inputList.resize(4);

    info.lanIpAddress = wired;
    info.lanConnected = !wired.isEmpty();
    info.wifiIpAddress = wifi;
    info.wifiConnected = !wifi.isEmpty();

    registerSetHandlers();
}

SimulatedController::~SimulatedController()
{
    closeSockets();
}

bool SimulatedController::start()
{
    if (started)
        return true;
    for (const QString &address : addresses()) {
        if (!isIpv4(address)) {
            qWarning() << "simulated controller" << id << "has no usable address" << address;
            return false;
        }
    }
    bool ok = openUdp();
    for (const QString &address : addresses())
        ok = ok && openHttp(address);
    if (!ok) {
        closeSockets();
        return false;
    }
    started = true;
    return true;
}

void SimulatedController::stop()
{
    closeSockets();
    started = false;
}

void SimulatedController::setName(const QString &name)
{
    deviceName = name;
}

void SimulatedController::setOutputs(const QVector<Output> &outputs)
{
    outputList = outputs.mid(0, maxChannels);
}

SimulatedController::Output SimulatedController::output(int channel) const
{
    if (channel < 1 || channel > outputList.size())
        return Output();
    return outputList.at(channel - 1);
}

void SimulatedController::setOutput(int channel, const Output &output)
{
    if (channel < 1 || channel > outputList.size())
        return;
    outputList[channel - 1] = output;
}

void SimulatedController::setBrightness(int channel, int brightness)
{
    if (channel < 1 || channel > outputList.size())
        return;
    outputList[channel - 1].brightness = brightness;
}

void SimulatedController::setInputs(const QVector<Input> &inputs)
{
    inputList = inputs.mid(0, maxChannels);
}

void SimulatedController::setSettings(const Settings &settings)
{
    deviceSettings = settings;
}

void SimulatedController::setSystemInfo(const SystemInfo &systemInfo)
{
    info = systemInfo;
}

QJsonObject SimulatedController::systemInfoJson() const
{
    const QJsonObject wifiSettings{{QStringLiteral("ssid"), info.wifiSsid},
                                   {QStringLiteral("status"), linkText(info.wifiConnected)},
                                   {QStringLiteral("dhcp"), flagText(info.wifiDhcp)},
                                   {QStringLiteral("ip_address"), info.wifiIpAddress},
                                   {QStringLiteral("ip_mask"), info.wifiMask},
                                   {QStringLiteral("ip_gate"), info.wifiGate}};
    const QJsonObject lanSettings{{QStringLiteral("status"), linkText(info.lanConnected)},
                                  {QStringLiteral("dhcp"), flagText(info.lanDhcp)},
                                  {QStringLiteral("ip_address"), info.lanIpAddress},
                                  {QStringLiteral("ip_mask"), info.lanMask},
                                  {QStringLiteral("ip_gate"), info.lanGate}};
    return QJsonObject{
        {QStringLiteral("unique_id"), reportedUniqueId.isNull() ? id : reportedUniqueId},
        {QStringLiteral("name"), deviceName},
        {QStringLiteral("version"), info.version},
        {QStringLiteral("wifi_settings"), wifiSettings},
        {QStringLiteral("lan_settings"), lanSettings}};
}

QJsonObject SimulatedController::dimmerInfoJson() const
{
    QJsonObject outputs;
    QJsonObject structure;
    for (int i = 0; i < outputList.size(); ++i) {
        const Output &output = outputList.at(i);
        const QJsonObject thresholds{{QStringLiteral("min_brightness"), output.minBrightness},
                                     {QStringLiteral("max_brightness"), output.maxBrightness}};
        outputs.insert(channelKey(i + 1),
                       QJsonObject{{QStringLiteral("brightness"), output.brightness},
                                   {QStringLiteral("type"), output.type},
                                   {QStringLiteral("slow_time"), output.slowTime},
                                   {QStringLiteral("thresholds"), thresholds}});
        structure.insert(channelKey(i + 1), QJsonObject{{QStringLiteral("name"), output.name}});
    }

    QJsonObject inputs;
    for (int i = 0; i < inputList.size(); ++i) {
        inputs.insert(channelKey(i + 1),
                      QJsonObject{{QStringLiteral("type"), inputList.at(i).type},
                                  {QStringLiteral("volt_value"), inputList.at(i).voltValue}});
    }

    const Settings &s = deviceSettings;
    const QJsonObject settings{
        {QStringLiteral("controller_version"), s.controllerVersion},
        {QStringLiteral("soft_version"), s.softVersion},
        {QStringLiteral("input_autodetect"), flagText(s.inputAutodetect)},
        {QStringLiteral("v_ref"), s.vRef},
        {QStringLiteral("v_power_supply"), s.vPowerSupply},
        {QStringLiteral("inner_tmp"), s.innerTmp},
        {QStringLiteral("extern_tmp"), s.externTmp},
        {QStringLiteral("modbus_address"), s.modbusAddress},
        {QStringLiteral("autosave"), flagText(s.autosave)},
        {QStringLiteral("save_counter"), s.saveCounter},
        {QStringLiteral("crosszero_offset"), s.crosszeroOffset},
        {QStringLiteral("dimmer_half_period"), s.dimmerHalfPeriod},
        {QStringLiteral("dimmer_pulse_duration"), s.dimmerPulseDuration},
        {QStringLiteral("dimmer_use_timer_sinch"), flagText(s.dimmerUseTimerSinch)},
        {QStringLiteral("rs485_speed"), s.rs485Speed}};

    return QJsonObject{{QStringLiteral("outputs"), outputs},
                       {QStringLiteral("structure"), structure},
                       {QStringLiteral("settings"), settings},
                       {QStringLiteral("inputs"), inputs}};
}

void SimulatedController::setAddressSilent(const QString &address, bool silent)
{
    if (silent)
        silentAddresses.insert(canonicalAddress(address));
    else
        silentAddresses.remove(canonicalAddress(address));
}

void SimulatedController::setAddressRefusing(const QString &address, bool refusing)
{
    const QString key = canonicalAddress(address);
    if (refusing) {
        refusingAddresses.insert(key);
        QTcpServer *server = servers.take(key);
        if (server) {
            server->close();
            server->deleteLater();
        }
        return;
    }
    refusingAddresses.remove(key);
    if (started && addresses().contains(key) && !servers.contains(key))
        openHttp(key);
}

void SimulatedController::setTrickle(bool on, int intervalMs)
{
    trickleIntervalMs = on ? qMax(1, intervalMs) : 0;
}

bool SimulatedController::moveToAddresses(const QString &wiredAddress, const QString &wifiAddress)
{
    const bool wasStarted = started;
    stop();
    wired = canonicalAddress(wiredAddress);
    wifi = canonicalAddress(wifiAddress);
    info.lanIpAddress = wired;
    info.lanConnected = !wired.isEmpty();
    info.wifiIpAddress = wifi;
    info.wifiConnected = !wifi.isEmpty();
    return !wasStarted || start();
}

QStringList SimulatedController::addresses() const
{
    QStringList list;
    if (!wired.isEmpty())
        list.append(wired);
    if (!wifi.isEmpty() && wifi != wired)
        list.append(wifi);
    return list;
}

bool SimulatedController::openUdp()
{
    // Every controller shares the wildcard port for broadcasts; a socket on each
    // own address takes the unicast greetings, as the more specific bind wins.
    const QUdpSocket::BindMode mode = QUdpSocket::ShareAddress | QUdpSocket::ReuseAddressHint;
    broadcastSocket = new QUdpSocket(this);
    if (!broadcastSocket->bind(QHostAddress::AnyIPv4, DiscoveryPort, mode)) {
        qWarning() << "simulated controller" << id << "cannot bind UDP" << DiscoveryPort
                   << broadcastSocket->errorString();
        return false;
    }
    QUdpSocket *wildcard = broadcastSocket;
    connect(wildcard, &QUdpSocket::readyRead, this,
            [this, wildcard] { onGreetingDatagrams(wildcard, true); });

    for (const QString &address : addresses()) {
        auto *socket = new QUdpSocket(this);
        addressSockets.insert(address, socket);
        if (!socket->bind(QHostAddress(address), DiscoveryPort, mode)) {
            qWarning() << "simulated controller" << id << "cannot bind UDP" << address
                       << socket->errorString();
            return false;
        }
        connect(socket, &QUdpSocket::readyRead, this,
                [this, socket] { onGreetingDatagrams(socket, false); });
    }
    return true;
}

bool SimulatedController::openHttp(const QString &address)
{
    if (refusingAddresses.contains(address))
        return true;
    auto *server = new QTcpServer(this);
    servers.insert(address, server);
    if (!server->listen(QHostAddress(address), HttpPort)) {
        qWarning() << "simulated controller" << id << "cannot listen on" << address << HttpPort
                   << server->errorString();
        return false;
    }
    connect(server, &QTcpServer::newConnection, this, [this, server] { onNewConnection(server); });
    return true;
}

void SimulatedController::closeSockets()
{
    // Closed at once so the ports are free again; deleted later because this may
    // run inside one of their own signals.
    QList<QObject *> sockets;
    if (broadcastSocket) {
        broadcastSocket->close();
        sockets.append(broadcastSocket);
        broadcastSocket = nullptr;
    }
    for (QUdpSocket *socket : std::as_const(addressSockets)) {
        socket->close();
        sockets.append(socket);
    }
    addressSockets.clear();
    for (QTcpServer *server : std::as_const(servers)) {
        server->close();
        sockets.append(server);
    }
    servers.clear();
    for (QObject *socket : std::as_const(sockets)) {
        socket->disconnect(this);
        socket->deleteLater();
    }
}

void SimulatedController::onGreetingDatagrams(QUdpSocket *socket, bool broadcast)
{
    while (socket->state() == QAbstractSocket::BoundState && socket->hasPendingDatagrams()) {
        const QNetworkDatagram datagram = socket->receiveDatagram(maxDatagramRead);
        if (udpSilent || datagram.data() != greeting || datagram.senderPort() <= 0)
            continue;
        const QHostAddress destination = datagram.destinationAddress();
        if (broadcast) {
            // Unicast greetings to someone else's address may land here too.
            if (!destination.isNull() &&
                !destination.isEqual(QHostAddress(QHostAddress::Broadcast)) &&
                !isOwnNetworkBroadcast(destination))
                continue;
        } else if (silentAddresses.contains(socket->localAddress().toString())) {
            continue;
        }
        socket->writeDatagram(greetingAnswer(), datagram.senderAddress(),
                              quint16(datagram.senderPort()));
        ++answeredGreetings;
        emit greetingAnswered(datagram.senderAddress().toString());
    }
}

// A directed broadcast reaches a real controller only on its own network:
// one of this machine's networks that holds one of the controller's addresses.
bool SimulatedController::isOwnNetworkBroadcast(const QHostAddress &destination) const
{
    const QList<QNetworkInterface> adapters = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface &adapter : adapters) {
        for (const QNetworkAddressEntry &entry : adapter.addressEntries()) {
            if (entry.broadcast().isNull() || !entry.broadcast().isEqual(destination))
                continue;
            for (const QString &own : addresses()) {
                if (QHostAddress(own).isInSubnet(entry.ip(), entry.prefixLength()))
                    return true;
            }
        }
    }
    return false;
}

QByteArray SimulatedController::greetingAnswer() const
{
    const QJsonObject deviceInfo{{QStringLiteral("type"), QStringLiteral("NORVALEO_DIMMER")},
                                 {QStringLiteral("ip_1"), wired},
                                 {QStringLiteral("ip_2"), wifi},
                                 {QStringLiteral("unique_id"), id},
                                 {QStringLiteral("name"), deviceName}};
    return QJsonDocument(QJsonObject{{QStringLiteral("device_info"), deviceInfo}})
        .toJson(QJsonDocument::Compact);
}

void SimulatedController::onNewConnection(QTcpServer *server)
{
    while (server->hasPendingConnections()) {
        QTcpSocket *socket = server->nextPendingConnection();
        auto *connection = new SimulatedHttpConnection(socket, this);
        connect(connection, &SimulatedHttpConnection::requestReceived, this,
                &SimulatedController::onHttpRequest);
        connect(connection, &SimulatedHttpConnection::malformedRequest, this,
                [this](SimulatedHttpConnection *source, int statusCode) {
                    if (!silentAddresses.contains(source->localAddress()))
                        source->replyStatus(statusCode);
                });
    }
}

void SimulatedController::onHttpRequest(SimulatedHttpConnection *connection,
                                        const QByteArray &method, const QByteArray &target)
{
    QByteArray origin = target;
    if (origin.startsWith("http://")) {
        const int slash = origin.indexOf('/', 7);
        origin = slash < 0 ? QByteArray("/") : origin.mid(slash);
    }
    const int fragment = origin.indexOf('#');
    if (fragment >= 0)
        origin.truncate(fragment);
    const int question = origin.indexOf('?');

    Request request;
    request.address = connection->localAddress();
    request.path = QString::fromUtf8(question < 0 ? origin : origin.left(question));
    if (question >= 0) {
        request.query = QString::fromUtf8(origin.mid(question + 1));
        request.items = QUrlQuery(request.query).queryItems(QUrl::FullyDecoded);
    }
    if (requestLog.size() >= maxLoggedRequests)
        requestLog.removeFirst();
    requestLog.append(request);
    emit requestReceived(request);

    if (silentAddresses.contains(request.address))
        return;
    if (method != "GET") {
        connection->replyStatus(405);
        return;
    }
    if (request.path != QLatin1String("/api")) {
        connection->replyStatus(404);
        return;
    }

    QByteArray body = apiBody(request.items);
    if (nonJsonBody)
        body = QByteArrayLiteral("<html><body>not json</body></html>");
    const QByteArray response = "HTTP/1.1 200 OK\r\n"
                                "Content-Type: application/json\r\n"
                                "Content-Length: " +
                                QByteArray::number(body.size()) +
                                "\r\n"
                                "Connection: close\r\n"
                                "\r\n" +
                                body;
    connection->reply(response, replyDelayMs, trickleIntervalMs);
}

QJsonObject SimulatedController::envelope(bool ok) const
{
    QString text = ok ? QStringLiteral("ok") : QStringLiteral("bad request");
    if (!responseText.isNull())
        text = responseText;
    return QJsonObject{{QStringLiteral("response"), text}};
}

QByteArray SimulatedController::apiBody(const Items &items)
{
    QJsonObject reply = envelope(false);
    const bool led = items.size() >= 2 && items.at(0).first == QLatin1String("request_type") &&
                     items.at(1).first == QLatin1String("item_type");
    if (led) {
        const QString &requestType = items.at(0).second;
        const QString &itemType = items.at(1).second;
        if (requestType == QLatin1String("get") && itemType == QLatin1String("system_info")) {
            reply = envelope(true);
            reply.insert(QStringLiteral("system_info"), systemInfoJson());
        } else if (requestType == QLatin1String("get") &&
                   itemType == QLatin1String("dimmer_info")) {
            reply = envelope(true);
            reply.insert(QStringLiteral("dimmer_info"), dimmerInfoJson());
        } else if (requestType == QLatin1String("set") && itemType != refusedItemType &&
                   setHandlers.contains(itemType) && setHandlers.value(itemType)(items)) {
            // Flash writes are counted for settings, not for everyday dimming.
            if (deviceSettings.autosave && itemType != QLatin1String("light_brightness"))
                ++deviceSettings.saveCounter;
            reply = envelope(true);
            emit stateChanged();
        }
    }
    return QJsonDocument(reply).toJson(QJsonDocument::Compact);
}

void SimulatedController::registerSetHandlers()
{
    using namespace std::placeholders;
    const auto number = [this](int Settings::*field, int minimum, int maximum) -> SetHandler {
        return [=](const Items &items) {
            return setSettingsNumber(items, field, minimum, maximum);
        };
    };
    const auto flag = [this](bool Settings::*field) -> SetHandler {
        return [=](const Items &items) {
            return setSettingsFlag(items, field);
        };
    };
    const auto output = [this](std::function<bool(Output &, const QString &)> apply) -> SetHandler {
        return [=](const Items &items) {
            return setOutputValues(items, apply);
        };
    };
    const auto level = [](int Output::*field, int maximum) {
        return [=](Output &output, const QString &value) {
            return parseInt(value, 0, maximum, &(output.*field));
        };
    };

    setHandlers = {
        {QStringLiteral("device_name"), std::bind(&SimulatedController::setDeviceName, this, _1)},
        {QStringLiteral("crosszero_offset"),
         number(&Settings::crosszeroOffset, 0, maxTimingMicroseconds)},
        {QStringLiteral("dimmer_half_period"),
         number(&Settings::dimmerHalfPeriod, 0, maxTimingMicroseconds)},
        {QStringLiteral("dimmer_pulse_duration"),
         number(&Settings::dimmerPulseDuration, 0, maxTimingMicroseconds)},
        {QStringLiteral("modbus_address"), number(&Settings::modbusAddress, 1, 247)},
        {QStringLiteral("autosave"), flag(&Settings::autosave)},
        {QStringLiteral("input_autodetect"), flag(&Settings::inputAutodetect)},
        {QStringLiteral("light_brightness"), output(level(&Output::brightness, 255))},
        {QStringLiteral("light_max_threshold"), output(level(&Output::maxBrightness, 255))},
        {QStringLiteral("light_min_threshold"), output(level(&Output::minBrightness, 255))},
        {QStringLiteral("light_slowtime"), output(level(&Output::slowTime, maxSlowTimeMs))},
        {QStringLiteral("channel_name"), output([](Output &output, const QString &value) {
             if (!isName(value))
                 return false;
             output.name = value;
             return true;
         })},
        {QStringLiteral("light_type"), output([](Output &output, const QString &value) {
             if (!outputTypes.contains(value))
                 return false;
             output.type = value;
             return true;
         })},
        {QStringLiteral("input_type"), std::bind(&SimulatedController::setInputTypes, this, _1)},
        {QStringLiteral("wifi_settings"), std::bind(&SimulatedController::setWifi, this, _1)},
        {QStringLiteral("lan_settings"), std::bind(&SimulatedController::setLan, this, _1)},
        {QStringLiteral("dimming_parameters"),
         std::bind(&SimulatedController::setDimming, this, _1)},
        {QStringLiteral("rs485_settings"), std::bind(&SimulatedController::setRs485, this, _1)},
    };
}

bool SimulatedController::setDeviceName(const Items &items)
{
    QString value;
    if (!singleValue(items, QStringLiteral("name"), &value) || !isName(value))
        return false;
    deviceName = value;
    return true;
}

bool SimulatedController::setSettingsNumber(const Items &items, int Settings::*field, int minimum,
                                            int maximum)
{
    QString text;
    int value = 0;
    if (!singleValue(items, QStringLiteral("val"), &text) ||
        !parseInt(text, minimum, maximum, &value))
        return false;
    deviceSettings.*field = value;
    return true;
}

bool SimulatedController::setSettingsFlag(const Items &items, bool Settings::*field)
{
    QString text;
    bool value = false;
    if (!singleValue(items, QStringLiteral("val"), &text) || !parseFlag(text, &value))
        return false;
    deviceSettings.*field = value;
    return true;
}

bool SimulatedController::setOutputValues(
    const Items &items, const std::function<bool(Output &, const QString &)> &apply)
{
    if (items.size() < 3)
        return false;
    // All channels or none: a request with one bad item changes nothing.
    QVector<Output> changed = outputList;
    for (int i = 2; i < items.size(); ++i) {
        const int channel = channelNumber(items.at(i).first, changed.size());
        if (channel == 0 || !apply(changed[channel - 1], items.at(i).second))
            return false;
    }
    outputList = changed;
    return true;
}

bool SimulatedController::setInputTypes(const Items &items)
{
    if (items.size() < 3)
        return false;
    QVector<Input> changed = inputList;
    for (int i = 2; i < items.size(); ++i) {
        const int channel = channelNumber(items.at(i).first, changed.size());
        if (channel == 0 || !inputTypes.contains(items.at(i).second))
            return false;
        changed[channel - 1].type = items.at(i).second;
    }
    inputList = changed;
    return true;
}

bool SimulatedController::setWifi(const Items &items)
{
    QHash<QString, QString> values;
    const QStringList allowed = {QStringLiteral("ssid"),    QStringLiteral("pass"),
                                 QStringLiteral("dhcp"),    QStringLiteral("ip_address"),
                                 QStringLiteral("ip_mask"), QStringLiteral("ip_gate")};
    bool dhcp = false;
    if (!valueMap(items, allowed, &values) ||
        !parseFlag(values.value(QStringLiteral("dhcp")), &dhcp))
        return false;

    SystemInfo changed = info;
    if (values.contains(QStringLiteral("ssid"))) {
        const QString ssid = values.value(QStringLiteral("ssid"));
        if (ssid.isEmpty() || ssid.size() > 32)
            return false;
        changed.wifiSsid = ssid;
        changed.wifiPass = values.value(QStringLiteral("pass"));
    }
    changed.wifiDhcp = dhcp;
    if (!dhcp &&
        !readStaticAddress(values, &changed.wifiIpAddress, &changed.wifiMask, &changed.wifiGate))
        return false;
    info = changed;
    return true;
}

bool SimulatedController::setLan(const Items &items)
{
    QHash<QString, QString> values;
    const QStringList allowed = {QStringLiteral("dhcp"), QStringLiteral("ip_address"),
                                 QStringLiteral("ip_mask"), QStringLiteral("ip_gate")};
    bool dhcp = false;
    if (!valueMap(items, allowed, &values) ||
        !parseFlag(values.value(QStringLiteral("dhcp")), &dhcp))
        return false;

    SystemInfo changed = info;
    changed.lanDhcp = dhcp;
    if (!dhcp &&
        !readStaticAddress(values, &changed.lanIpAddress, &changed.lanMask, &changed.lanGate))
        return false;
    info = changed;
    return true;
}

bool SimulatedController::setDimming(const Items &items)
{
    QHash<QString, QString> values;
    const QStringList allowed = {QStringLiteral("crosszero_offset"), QStringLiteral("half_period"),
                                 QStringLiteral("pulse_duration"),
                                 QStringLiteral("use_timer_sinch")};
    if (!valueMap(items, allowed, &values))
        return false;

    Settings changed = deviceSettings;
    const QList<QPair<QString, int Settings::*>> numbers = {
        {QStringLiteral("crosszero_offset"), &Settings::crosszeroOffset},
        {QStringLiteral("half_period"), &Settings::dimmerHalfPeriod},
        {QStringLiteral("pulse_duration"), &Settings::dimmerPulseDuration}};
    for (const auto &number : numbers) {
        if (values.contains(number.first) &&
            !parseInt(values.value(number.first), 0, maxTimingMicroseconds,
                      &(changed.*(number.second))))
            return false;
    }
    const QString sinch = QStringLiteral("use_timer_sinch");
    if (values.contains(sinch) && !parseFlag(values.value(sinch), &changed.dimmerUseTimerSinch))
        return false;
    deviceSettings = changed;
    return true;
}

bool SimulatedController::setRs485(const Items &items)
{
    QHash<QString, QString> values;
    const QStringList allowed = {QStringLiteral("speed"), QStringLiteral("mode")};
    if (!valueMap(items, allowed, &values) || values.size() != 2)
        return false;
    int speed = 0;
    const QString mode = values.value(QStringLiteral("mode"));
    if (!parseInt(values.value(QStringLiteral("speed")), 0, 1000000, &speed) ||
        !baudRates.contains(speed))
        return false;
    // Eight data bits, no or even parity, one or two stop bits.
    if (mode.size() != 3 || mode.at(0) != QLatin1Char('8') ||
        !QStringLiteral("NE").contains(mode.at(1)) || !QStringLiteral("12").contains(mode.at(2)))
        return false;
    deviceSettings.rs485Speed = QStringLiteral("%1 %2").arg(speed).arg(mode);
    return true;
}
