#include "device/deviceprotocol.h"

#include "device/dimmerinputstypes.h"
#include "model/dimmer.h"
#include "model/hostaddresstext.h"
#include "json/jsonreader.h"

#include <QJsonDocument>
#include <QJsonParseError>
#include <QStringList>

#include <climits>
#include <cmath>

namespace {

const QString setRequest = QStringLiteral("set");

// Stands for an SSID the text did not give.
const QString missingSsid = QStringLiteral(";undefined;");

} // namespace

void DeviceProtocol::addItem(QUrlQuery &query, const QString &key, const QString &value)
{
    // The query keeps "%" sequences and "+" as they are, and a device that
    // decodes it as a form reads "+" as a blank: both are encoded here. A null
    // value would leave the item without "=".
    QString text = value.isNull() ? QStringLiteral("") : value;
    text.replace(QLatin1Char('%'), QLatin1String("%25"))
        .replace(QLatin1Char('+'), QLatin1String("%2B"));
    query.addQueryItem(key, text);
}

QUrlQuery DeviceProtocol::request(const QString &requestType, const QString &itemType)
{
    QUrlQuery query;
    addItem(query, QStringLiteral("request_type"), requestType);
    addItem(query, QStringLiteral("item_type"), itemType);
    return query;
}

QUrlQuery DeviceProtocol::setValue(const QString &itemType, const QString &key, const QString &text)
{
    QUrlQuery query = request(setRequest, itemType);
    addItem(query, key, text);
    return query;
}

QString DeviceProtocol::numberText(const QVariant &value)
{
    return QString::number(value.toInt());
}

QString DeviceProtocol::flagText(bool flag)
{
    return flag ? QStringLiteral("true") : QStringLiteral("false");
}

QString DeviceProtocol::channelKey(int channel)
{
    return QStringLiteral("ch_") + QString::number(channel);
}

QString DeviceProtocol::keyText(const QMetaEnum &enumeration, const QVariant &value)
{
    bool ok = false;
    const int number = value.toInt(&ok);
    const char *key = ok ? enumeration.valueToKey(number) : nullptr;
    return key ? QString::fromLatin1(key) : QString();
}

int DeviceProtocol::enumValue(const QMetaEnum &enumeration, const QString &text)
{
    // Exact keys only: keyToValue would also take scoped names.
    for (int i = 0; i < enumeration.keyCount(); ++i) {
        if (text == QLatin1String(enumeration.key(i))) {
            return enumeration.value(i);
        }
    }
    return -1;
}

std::optional<QJsonObject> DeviceProtocol::documentObject(const QVariant &value)
{
    const QString text = value.toString();
    if (text.isEmpty()) {
        return {};
    }
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(text.toUtf8(), &error);
    if (error.error != QJsonParseError::NoError) {
        return {};
    }
    return document.object();
}

QUrl DeviceProtocol::requestUrl(const QString &host, quint16 port, const QUrlQuery &query)
{
    QUrl url;
    url.setHost(host);
    url.setPort(port);
    url.setScheme(QStringLiteral("http"));
    url.setPath(QStringLiteral("/api"));
    url.setQuery(query);
    return url;
}

DeviceProtocol::Reply DeviceProtocol::readReply(const QByteArray &body)
{
    Reply reply;
    QJsonParseError error;
    const QJsonDocument document = JsonReader::read(body, &error);
    if (error.error != QJsonParseError::NoError) {
        return reply;
    }
    reply.object = document.object();
    const QJsonValue response = reply.object.value(QLatin1String("response"));
    if (response.isUndefined() || response.isNull()) {
        return reply;
    }
    const QString answer = response.toString().toLower();
    if (answer == QLatin1String("ok")) {
        reply.response = Response::Ok;
    } else if (answer == QLatin1String("bad request")) {
        reply.response = Response::BadRequest;
    }
    return reply;
}

QUrlQuery DeviceProtocol::systemInfo()
{
    return request(QStringLiteral("get"), QStringLiteral("system_info"));
}

QUrlQuery DeviceProtocol::dimmerInfo()
{
    return request(QStringLiteral("get"), QStringLiteral("dimmer_info"));
}

QUrlQuery DeviceProtocol::deviceName(const QVariant &value)
{
    return setValue(QStringLiteral("device_name"), QStringLiteral("name"), value.toString());
}

QUrlQuery DeviceProtocol::crosszeroOffset(const QVariant &value)
{
    return setValue(QStringLiteral("crosszero_offset"), QStringLiteral("val"), numberText(value));
}

QUrlQuery DeviceProtocol::dimmerHalfPeriod(const QVariant &value)
{
    return setValue(QStringLiteral("dimmer_half_period"), QStringLiteral("val"), numberText(value));
}

QUrlQuery DeviceProtocol::dimmerPulseDuration(const QVariant &value)
{
    return setValue(QStringLiteral("dimmer_pulse_duration"), QStringLiteral("val"),
                    numberText(value));
}

QUrlQuery DeviceProtocol::modbusAddress(const QVariant &value)
{
    return setValue(QStringLiteral("modbus_address"), QStringLiteral("val"), numberText(value));
}

QUrlQuery DeviceProtocol::autosave(const QVariant &value)
{
    return setValue(QStringLiteral("autosave"), QStringLiteral("val"), flagText(value.toBool()));
}

QUrlQuery DeviceProtocol::inputAutodetect(const QVariant &value)
{
    return setValue(QStringLiteral("input_autodetect"), QStringLiteral("val"),
                    flagText(value.toBool()));
}

std::optional<QUrlQuery> DeviceProtocol::inputsTypes(const QVariant &value)
{
    const QVariantList list = value.toList();
    if (list.isEmpty()) {
        return {};
    }
    const QMetaEnum types = QMetaEnum::fromType<DimmerInputsTypes::Type>();
    QUrlQuery query = request(setRequest, QStringLiteral("input_type"));
    for (int i = 0; i < list.size(); ++i) {
        bool ok = false;
        const int type = list.at(i).toInt(&ok);
        const QString key = keyText(types, ok ? type : 0);
        // An input without a function the device knows would be sent blank.
        if (key.isEmpty()) {
            return {};
        }
        addItem(query, channelKey(i + 1), key);
    }
    return query;
}

QUrlQuery DeviceProtocol::brightness(int channel, const QVariant &value)
{
    return setValue(QStringLiteral("light_brightness"), channelKey(channel), numberText(value));
}

QUrlQuery DeviceProtocol::maxBrightness(int channel, const QVariant &value)
{
    return setValue(QStringLiteral("light_max_threshold"), channelKey(channel), numberText(value));
}

QUrlQuery DeviceProtocol::minBrightness(int channel, const QVariant &value)
{
    return setValue(QStringLiteral("light_min_threshold"), channelKey(channel), numberText(value));
}

QUrlQuery DeviceProtocol::slowTime(int channel, const QVariant &value)
{
    return setValue(QStringLiteral("light_slowtime"), channelKey(channel), numberText(value));
}

QUrlQuery DeviceProtocol::channelName(int channel, const QVariant &value)
{
    return setValue(QStringLiteral("channel_name"), channelKey(channel), value.toString());
}

std::optional<QUrlQuery> DeviceProtocol::lightType(int channel, const QVariant &value)
{
    bool ok = false;
    const int type = value.toInt(&ok);
    const QString key = keyText(QMetaEnum::fromType<Dimmer::Type>(), type);
    if (!ok || type == Dimmer::NO_TYPE || key.isEmpty()) {
        return {};
    }
    return setValue(QStringLiteral("light_type"), channelKey(channel), key);
}

std::optional<DeviceProtocol::GroupRequest> DeviceProtocol::wifiSettings(const QVariant &value)
{
    const std::optional<QJsonObject> document = documentObject(value);
    if (!document) {
        return {};
    }
    const QJsonValue group = document->value(QLatin1String("wifi_settings"));
    if (group.isUndefined() || group.isNull()) {
        return {};
    }
    const QJsonObject settings = group.toObject();
    if (!settings.contains(QLatin1String("wifi_dhcp"))) {
        return {};
    }
    const QString ssid = settings.contains(QLatin1String("wifi_ssid"))
                             ? textOf(settings.value(QLatin1String("wifi_ssid")))
                             : missingSsid;
    const bool ssidGiven = ssid != missingSsid;
    const bool dhcp = flagOf(textOf(settings.value(QLatin1String("wifi_dhcp"))));

    GroupRequest result;
    result.query = request(setRequest, QStringLiteral("wifi_settings"));
    if (ssidGiven) {
        addItem(result.query, QStringLiteral("ssid"), ssid);
        addItem(result.query, QStringLiteral("pass"),
                textOf(settings.value(QLatin1String("wifi_pass"))));
    }
    addItem(result.query, QStringLiteral("dhcp"), flagText(dhcp));
    result.roles.insert("wifi_dhcp", dhcp);
    if (!dhcp && !addStaticAddress(result, settings, QStringLiteral("wifi_"), "ipAddress_2",
                                   "wifi_mask", "wifi_gate")) {
        return {};
    }
    result.roles.insert("wifi_status", false);
    // The password is never kept.
    result.roles.insert("wifi_pass", QStringLiteral(""));
    if (ssidGiven) {
        result.roles.insert("wifi_ssid", ssid);
    }
    return result;
}

// A static address of one interface: sent as ip_address, ip_mask and ip_gate,
// each written canonically so that no device reads a leading zero as octal,
// and kept in that interface's roles at once.
bool DeviceProtocol::addStaticAddress(GroupRequest &result, const QJsonObject &settings,
                                      const QString &prefix, const QByteArray &addressRole,
                                      const QByteArray &maskRole, const QByteArray &gateRole)
{
    const QString address = textOf(settings.value(prefix + QLatin1String("ip")));
    const QString mask = textOf(settings.value(prefix + QLatin1String("mask")));
    const QString gate = textOf(settings.value(prefix + QLatin1String("gate")));
    if (!HostAddressText::isStaticNetwork(address, mask, gate)) {
        return false;
    }
    const QString canonicalAddress = HostAddressText::canonical(address);
    const QString canonicalMask = HostAddressText::canonical(mask);
    const QString canonicalGate = HostAddressText::canonical(gate);
    addItem(result.query, QStringLiteral("ip_address"), canonicalAddress);
    addItem(result.query, QStringLiteral("ip_mask"), canonicalMask);
    addItem(result.query, QStringLiteral("ip_gate"), canonicalGate);
    result.roles.insert(addressRole, canonicalAddress);
    result.roles.insert(maskRole, canonicalMask);
    result.roles.insert(gateRole, canonicalGate);
    return true;
}

std::optional<DeviceProtocol::GroupRequest> DeviceProtocol::lanSettings(const QVariant &value)
{
    const std::optional<QJsonObject> document = documentObject(value);
    if (!document) {
        return {};
    }
    const QJsonValue group = document->value(QLatin1String("lan_settings"));
    if (group.isUndefined() || group.isNull()) {
        return {};
    }
    const QJsonObject settings = group.toObject();
    const QJsonValue dhcpValue = settings.value(QLatin1String("lan_dhcp"));
    if (dhcpValue.isUndefined() || dhcpValue.isNull()) {
        return {};
    }
    const bool dhcp = flagOf(textOf(dhcpValue));

    GroupRequest result;
    result.query = request(setRequest, QStringLiteral("lan_settings"));
    addItem(result.query, QStringLiteral("dhcp"), flagText(dhcp));
    result.roles.insert("lan_dhcp", dhcp);
    if (!dhcp && !addStaticAddress(result, settings, QStringLiteral("lan_"), "ipAddress_1",
                                   "lan_mask", "lan_gate")) {
        return {};
    }
    result.roles.insert("lan_status", false);
    return result;
}

std::optional<DeviceProtocol::GroupRequest> DeviceProtocol::dimmingSettings(const QVariant &value)
{
    const std::optional<QJsonObject> document = documentObject(value);
    if (!document) {
        return {};
    }
    GroupRequest result;
    result.query = request(setRequest, QStringLiteral("dimming_parameters"));
    const auto addNumber = [&](const QString &member, const QByteArray &role) {
        const QString text = textOf(document->value(member));
        if (text.isEmpty()) {
            return;
        }
        addItem(result.query, member, text);
        result.roles.insert(role, text.toInt());
    };
    addNumber(QStringLiteral("crosszero_offset"), "crosszero_offset");
    addNumber(QStringLiteral("half_period"), "dimmer_half_period");
    addNumber(QStringLiteral("pulse_duration"), "dimmer_pulse_duration");
    const QString sinch = textOf(document->value(QLatin1String("use_timer_sinch")));
    if (!sinch.isEmpty()) {
        addItem(result.query, QStringLiteral("use_timer_sinch"), sinch);
        result.roles.insert("dimmer_use_timer_sinch", flagOf(sinch));
    }
    return result;
}

std::optional<DeviceProtocol::Rs485Line> DeviceProtocol::splitRs485(const QString &text)
{
    const QStringList parts = text.split(QLatin1Char(' '));
    if (parts.size() < 2 || parts.at(1).size() < 3) {
        return {};
    }
    Rs485Line line;
    line.speedText = parts.at(0);
    line.modeText = parts.at(1);
    line.speed = line.speedText.toInt();
    line.dataBits = line.modeText.mid(0, 1).toInt();
    line.parity = line.modeText.mid(1, 1);
    line.stopBits = line.modeText.mid(2, 1).toInt();
    return line;
}

std::optional<DeviceProtocol::GroupRequest> DeviceProtocol::rs485Settings(const QVariant &value)
{
    const std::optional<Rs485Line> line = splitRs485(value.toString());
    if (!line) {
        return {};
    }
    GroupRequest result;
    result.query = request(setRequest, QStringLiteral("rs485_settings"));
    addItem(result.query, QStringLiteral("speed"), line->speedText);
    addItem(result.query, QStringLiteral("mode"), line->modeText);
    result.roles.insert("rs485_speed", line->speed);
    result.roles.insert("rs485_data_bits", line->dataBits);
    result.roles.insert("rs485_parity", line->parity);
    result.roles.insert("rs485_stop_bits", line->stopBits);
    return result;
}

int DeviceProtocol::intOf(const QJsonValue &value)
{
    if (!value.isDouble()) {
        return 0;
    }
    const double number = value.toDouble();
    // The range check also turns away NaN and the infinities.
    if (!(number >= double(INT_MIN) && number <= double(INT_MAX)) || std::floor(number) != number) {
        return 0;
    }
    return int(number);
}

QString DeviceProtocol::textOf(const QJsonValue &value)
{
    return value.isString() ? value.toString() : QString();
}

bool DeviceProtocol::flagOf(const QString &text)
{
    return text != QLatin1String("false");
}

bool DeviceProtocol::isConnected(const QJsonValue &value)
{
    return textOf(value) == QLatin1String("connected");
}

int DeviceProtocol::channelNumber(const QString &memberName)
{
    if (!memberName.startsWith(QLatin1String("channel"))) {
        return 0;
    }
    // "channel", one separator character, then the number. Plain digits, as
    // every device sends them, are read in place: this runs for every channel
    // of every reply.
    const int digits = memberName.size() - 8;
    if (digits > 0 && digits <= 4) {
        int number = 0;
        bool plain = true;
        for (int i = 8; i < memberName.size() && plain; ++i) {
            const char16_t c = memberName.at(i).unicode();
            plain = c >= u'0' && c <= u'9';
            number = number * 10 + int(c - u'0');
        }
        if (plain) {
            return number >= 1 && number <= MaxChannelNumber ? number : 0;
        }
    }
    bool ok = false;
    const int number = memberName.mid(8).toInt(&ok, 10);
    if (!ok || number < 1 || number > MaxChannelNumber) {
        return 0;
    }
    return number;
}
