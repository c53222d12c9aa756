#include "registry/controllerconfiguration.h"

#include "device/deviceprotocol.h"
#include "device/dimmerinputstypes.h"
#include "model/abstractdevicemodel.h"
#include "model/devicelimits.h"
#include "model/dimmer.h"
#include "model/hostaddresstext.h"
#include "json/jsonreader.h"

#include <QAbstractItemModel>
#include <QCoreApplication>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMetaEnum>
#include <QSaveFile>

#include <algorithm>

const QString ControllerConfiguration::FormatName = QStringLiteral("norvaleo-dimmer-configuration");

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("ControllerConfiguration", text);
}

// Role values keep the type a reply gave them: flags may be texts.
bool flagOf(const QVariant &value)
{
    if (value.userType() == QMetaType::QString) {
        return DeviceProtocol::flagOf(value.toString());
    }
    return value.toBool();
}

template <typename Enum> QString keyOf(int value)
{
    const char *key = QMetaEnum::fromType<Enum>().valueToKey(value);
    return key ? QString::fromLatin1(key) : QString();
}

// Reads members of one object and keeps the first fault, named by its path.
class MemberReader
{
public:
    MemberReader(const QJsonObject &object, const QString &path, QString *error)
        : object(object), path(path), error(error)
    {
    }

    bool failed() const { return !error->isEmpty(); }

    // An object inside a list, named by its place there.
    MemberReader element(const QJsonObject &item, const QString &member) const
    {
        return MemberReader(item, where(member), error);
    }

    MemberReader child(const QString &member)
    {
        const QJsonValue value = take(member, QJsonValue::Object);
        return MemberReader(value.toObject(), where(member), error);
    }

    QJsonArray array(const QString &member, int maxSize)
    {
        const QJsonArray items = take(member, QJsonValue::Array).toArray();
        if (items.size() > maxSize) {
            fail(member, tr("больше %1 элементов").arg(maxSize));
            return {};
        }
        return items;
    }

    QString text(const QString &member, int maxLength, bool allowEmpty = true)
    {
        const QString value = take(member, QJsonValue::String).toString();
        if (value.size() > maxLength) {
            fail(member, tr("длиннее %1 знаков").arg(maxLength));
        } else if (!allowEmpty && value.isEmpty() && !failed()) {
            fail(member, tr("пустая строка"));
        }
        return value;
    }

    bool flag(const QString &member) { return take(member, QJsonValue::Bool).toBool(); }

    int number(const QString &member, int minimum, int maximum)
    {
        const QJsonValue value = take(member, QJsonValue::Double);
        const double number = value.toDouble();
        if (failed()) {
            return 0;
        }
        if (number != double(qint64(number)) || number < minimum || number > maximum) {
            fail(member, tr("нужно целое число от %1 до %2").arg(minimum).arg(maximum));
            return 0;
        }
        return int(number);
    }

    template <typename Enum> int key(const QString &member)
    {
        const QString text = take(member, QJsonValue::String).toString();
        const int value = DeviceProtocol::keyValue<Enum>(text);
        if (!failed() && value < 0) {
            fail(member, tr("неизвестное значение «%1»").arg(text));
        }
        return value;
    }

    QString address(const QString &member, bool required)
    {
        const QString value = text(member, DeviceLimits::MaxAddressLength);
        if (!failed() && (required || !value.isEmpty()) && !HostAddressText::ipv4(value)) {
            fail(member, tr("нужен адрес IPv4, а не «%1»").arg(value));
        }
        return value;
    }

    // Only a mask that is sent must be whole; with DHCP the device's own is kept.
    QString netmask(const QString &member, bool sent)
    {
        if (!sent) {
            return address(member, false);
        }
        const QString value = text(member, DeviceLimits::MaxAddressLength);
        if (!failed() && !HostAddressText::isNetmask(value)) {
            fail(member, tr("нужна маска подсети, а не «%1»").arg(value));
        }
        return value;
    }

    void fail(const QString &member, const QString &reason)
    {
        if (!failed()) {
            *error = QStringLiteral("%1: %2").arg(where(member), reason);
        }
    }

private:
    QString where(const QString &member) const
    {
        return path.isEmpty() ? member : path + QLatin1Char('.') + member;
    }

    QJsonValue take(const QString &member, QJsonValue::Type type)
    {
        if (failed()) {
            return {};
        }
        const auto found = object.constFind(member);
        if (found == object.constEnd()) {
            fail(member, tr("нет в файле"));
            return {};
        }
        if (found.value().type() != type) {
            static const QHash<int, QString> names{{QJsonValue::Object, tr("нужен объект")},
                                                   {QJsonValue::Array, tr("нужен список")},
                                                   {QJsonValue::String, tr("нужна строка")},
                                                   {QJsonValue::Bool, tr("нужно true или false")},
                                                   {QJsonValue::Double, tr("нужно число")}};
            fail(member, names.value(type));
            return {};
        }
        return found.value();
    }

    QJsonObject object;
    QString path;
    QString *error;
};

ControllerConfiguration::Network readNetwork(MemberReader reader, const QString &prefix,
                                             const QString &addressMember)
{
    ControllerConfiguration::Network network;
    if (prefix == QLatin1String("wifi")) {
        network.ssid =
            reader.text(QStringLiteral("wifi_ssid"), ControllerConfiguration::MaxSsidLength);
    }
    network.dhcp = reader.flag(prefix + QStringLiteral("_dhcp"));
    // With DHCP the device chose the address; only a static one must be usable,
    // and the controller would be lost with half of one.
    network.address = reader.address(addressMember, !network.dhcp);
    network.mask = reader.netmask(prefix + QStringLiteral("_mask"), !network.dhcp);
    network.gate = reader.address(prefix + QStringLiteral("_gate"), !network.dhcp);
    return network;
}

QJsonObject networkJson(const ControllerConfiguration::Network &network, const QString &prefix,
                        const QString &addressMember)
{
    QJsonObject object{{prefix + QStringLiteral("_dhcp"), network.dhcp},
                       {addressMember, network.address},
                       {prefix + QStringLiteral("_mask"), network.mask},
                       {prefix + QStringLiteral("_gate"), network.gate}};
    if (prefix == QLatin1String("wifi")) {
        object.insert(QStringLiteral("wifi_ssid"), network.ssid);
    }
    return object;
}

ControllerConfiguration::Channel readChannel(MemberReader reader)
{
    ControllerConfiguration::Channel channel;
    channel.lightId =
        reader.number(QStringLiteral("light_id"), 1, DeviceProtocol::MaxChannelNumber);
    channel.name = reader.text(QStringLiteral("name"), DeviceLimits::MaxNameLength, false);
    channel.lightType = reader.key<Dimmer::Type>(QStringLiteral("light_type"));
    channel.minBrightness =
        reader.number(QStringLiteral("min_brightness"), 0, ControllerConfiguration::MaxLevel);
    channel.maxBrightness =
        reader.number(QStringLiteral("max_brightness"), 0, ControllerConfiguration::MaxLevel);
    channel.slowTime =
        reader.number(QStringLiteral("slow_time"), 0, ControllerConfiguration::MaxSlowTime);
    return channel;
}

void readChannels(MemberReader &reader, ControllerConfiguration &configuration)
{
    const QJsonArray channels = reader.array(QStringLiteral("channels"), DeviceLimits::MaxChannels);
    QVector<int> seen;
    for (int i = 0; i < channels.size() && !reader.failed(); ++i) {
        const QString item = QStringLiteral("channels[%1]").arg(i);
        if (!channels.at(i).isObject()) {
            reader.fail(item, tr("нужен объект"));
            break;
        }
        const ControllerConfiguration::Channel channel =
            readChannel(reader.element(channels.at(i).toObject(), item));
        if (reader.failed()) {
            break;
        }
        if (seen.contains(channel.lightId)) {
            reader.fail(item + QStringLiteral(".light_id"),
                        tr("канал %1 уже есть в файле").arg(channel.lightId));
            break;
        }
        seen.append(channel.lightId);
        configuration.channels.append(channel);
    }
}

void readInputs(MemberReader &reader, ControllerConfiguration &configuration)
{
    configuration.inputAutodetect = reader.flag(QStringLiteral("input_autodetect"));
    const QJsonArray types =
        reader.array(QStringLiteral("inputs_types"), DeviceProtocol::MaxChannelNumber);
    for (int i = 0; i < types.size() && !reader.failed(); ++i) {
        const int value = DeviceProtocol::keyValue<DimmerInputsTypes::Type>(types.at(i).toString());
        if (value < 0) {
            reader.fail(QStringLiteral("inputs_types[%1]").arg(i), tr("неизвестная функция входа"));
            break;
        }
        configuration.inputsTypes.append(value);
    }
}

void readController(MemberReader &reader, ControllerConfiguration &configuration)
{
    configuration.name = reader.text(QStringLiteral("name"), DeviceLimits::MaxNameLength, false);
    configuration.wifi = readNetwork(reader.child(QStringLiteral("wifi")), QStringLiteral("wifi"),
                                     QStringLiteral("ipAddress_2"));
    configuration.lan = readNetwork(reader.child(QStringLiteral("lan")), QStringLiteral("lan"),
                                    QStringLiteral("ipAddress_1"));
    MemberReader rs485 = reader.child(QStringLiteral("rs485"));
    configuration.rs485Speed = rs485.number(QStringLiteral("rs485_speed"), 0, 1000000);
    if (!rs485.failed() && !ControllerConfiguration::isRs485Speed(configuration.rs485Speed)) {
        rs485.fail(QStringLiteral("rs485_speed"),
                   tr("скорости %1 нет в списке страницы").arg(configuration.rs485Speed));
    }
    configuration.rs485Parity = rs485.text(QStringLiteral("rs485_parity"), 1);
    if (!rs485.failed() && configuration.rs485Parity != QLatin1String("N") &&
        configuration.rs485Parity != QLatin1String("E")) {
        rs485.fail(QStringLiteral("rs485_parity"), tr("нужно \"N\" или \"E\""));
    }
    configuration.rs485StopBits = rs485.number(QStringLiteral("rs485_stop_bits"), 1, 2);
    rs485.number(QStringLiteral("rs485_data_bits"), 8, 8);
    configuration.modbusAddress = reader.number(QStringLiteral("modbus_address"), 1,
                                                ControllerConfiguration::MaxModbusAddress);
    configuration.autosave = reader.flag(QStringLiteral("autosave_settings"));
    readInputs(reader, configuration);
    MemberReader dimming = reader.child(QStringLiteral("dimming"));
    const int maxTiming = ControllerConfiguration::MaxTiming;
    configuration.crosszeroOffset =
        dimming.number(QStringLiteral("crosszero_offset"), 0, maxTiming);
    configuration.halfPeriod = dimming.number(QStringLiteral("dimmer_half_period"), 0, maxTiming);
    configuration.pulseDuration =
        dimming.number(QStringLiteral("dimmer_pulse_duration"), 0, maxTiming);
    configuration.useTimerSinch = dimming.flag(QStringLiteral("dimmer_use_timer_sinch"));
    readChannels(reader, configuration);
}

} // namespace

bool ControllerConfiguration::isRs485Speed(int speed)
{
    static const QVector<int> speeds{2400,  4800,   9600,   19200,  38400,
                                     57600, 115200, 250000, 500000, 1000000};
    return speeds.contains(speed);
}

ControllerConfiguration ControllerConfiguration::fromController(const QAbstractItemModel &model,
                                                                const QModelIndex &controller)
{
    const QHash<QByteArray, int> &roles = AbstractDeviceModel::roleRegistry();
    const auto value = [&](const QModelIndex &index, const QByteArray &role) {
        return model.data(index, roles.value(role));
    };
    const auto text = [&](const QByteArray &role) {
        return value(controller, role).toString();
    };
    const auto number = [&](const QByteArray &role) {
        return value(controller, role).toInt();
    };
    const auto flag = [&](const QByteArray &role) {
        return flagOf(value(controller, role));
    };

    ControllerConfiguration result;
    const auto *node = static_cast<const AbstractDeviceModel *>(controller.internalPointer());
    result.origin = {
        QDateTime::currentDateTimeUtc(),     text("uniqueId"),         text("name"),
        node ? node->itemType() : QString(), text("net_soft_version"), text("controller_version")};
    result.name = text("name");
    result.wifi = {text("wifi_ssid"), flag("wifi_dhcp"), text("ipAddress_2"), text("wifi_mask"),
                   text("wifi_gate")};
    result.lan = {QString(), flag("lan_dhcp"), text("ipAddress_1"), text("lan_mask"),
                  text("lan_gate")};
    result.rs485Speed = number("rs485_speed");
    result.rs485Parity = text("rs485_parity");
    result.rs485StopBits = number("rs485_stop_bits");
    result.modbusAddress = number("modbus_address");
    result.autosave = flag("autosave_settings");
    result.inputAutodetect = flag("input_autodetect");
    for (const QVariant &type : value(controller, "inputs_types").toList()) {
        result.inputsTypes.append(type.toInt());
    }
    result.crosszeroOffset = number("crosszero_offset");
    result.halfPeriod = number("dimmer_half_period");
    result.pulseDuration = number("dimmer_pulse_duration");
    result.useTimerSinch = flag("dimmer_use_timer_sinch");
    for (int row = 0; row < model.rowCount(controller); ++row) {
        const QModelIndex channel = model.index(row, 0, controller);
        const int lightId = value(channel, "light_id").toInt();
        if (lightId > 0) {
            result.channels.append(
                {lightId, value(channel, "name").toString(), value(channel, "light_type").toInt(),
                 value(channel, "min_brightness").toInt(), value(channel, "max_brightness").toInt(),
                 value(channel, "slow_time").toInt()});
        }
    }
    std::sort(result.channels.begin(), result.channels.end(),
              [](const Channel &a, const Channel &b) { return a.lightId < b.lightId; });
    return result;
}

QByteArray ControllerConfiguration::toJson() const
{
    QJsonArray inputs;
    for (const int type : inputsTypes) {
        inputs.append(keyOf<DimmerInputsTypes::Type>(type));
    }
    QJsonArray channelList;
    for (const Channel &channel : channels) {
        channelList.append(
            QJsonObject{{QStringLiteral("light_id"), channel.lightId},
                        {QStringLiteral("name"), channel.name},
                        {QStringLiteral("light_type"), keyOf<Dimmer::Type>(channel.lightType)},
                        {QStringLiteral("min_brightness"), channel.minBrightness},
                        {QStringLiteral("max_brightness"), channel.maxBrightness},
                        {QStringLiteral("slow_time"), channel.slowTime}});
    }
    const QJsonObject takenFrom{{QStringLiteral("uniqueId"), origin.uniqueId},
                                {QStringLiteral("name"), origin.name},
                                {QStringLiteral("type"), origin.type},
                                {QStringLiteral("net_soft_version"), origin.netSoftVersion},
                                {QStringLiteral("controller_version"), origin.controllerVersion}};
    const QJsonObject document{
        {QStringLiteral("format"), FormatName},
        {QStringLiteral("version"), FormatVersion},
        {QStringLiteral("taken_at"), origin.takenAt.toString(Qt::ISODate)},
        {QStringLiteral("taken_from"), takenFrom},
        {QStringLiteral("name"), name},
        {QStringLiteral("wifi"),
         networkJson(wifi, QStringLiteral("wifi"), QStringLiteral("ipAddress_2"))},
        {QStringLiteral("lan"),
         networkJson(lan, QStringLiteral("lan"), QStringLiteral("ipAddress_1"))},
        {QStringLiteral("rs485"), QJsonObject{{QStringLiteral("rs485_speed"), rs485Speed},
                                              {QStringLiteral("rs485_parity"), rs485Parity},
                                              {QStringLiteral("rs485_stop_bits"), rs485StopBits},
                                              {QStringLiteral("rs485_data_bits"), 8}}},
        {QStringLiteral("modbus_address"), modbusAddress},
        {QStringLiteral("autosave_settings"), autosave},
        {QStringLiteral("input_autodetect"), inputAutodetect},
        {QStringLiteral("inputs_types"), inputs},
        {QStringLiteral("dimming"),
         QJsonObject{{QStringLiteral("crosszero_offset"), crosszeroOffset},
                     {QStringLiteral("dimmer_half_period"), halfPeriod},
                     {QStringLiteral("dimmer_pulse_duration"), pulseDuration},
                     {QStringLiteral("dimmer_use_timer_sinch"), useTimerSinch}}},
        {QStringLiteral("channels"), channelList}};
    return QJsonDocument(document).toJson(QJsonDocument::Indented);
}

std::optional<ControllerConfiguration> ControllerConfiguration::fromJson(const QByteArray &json,
                                                                         QString *error)
{
    error->clear();
    if (json.size() > MaxFileBytes) {
        *error = tr("файл больше %1 байт").arg(MaxFileBytes);
        return std::nullopt;
    }
    QJsonParseError parseError{};
    const QJsonDocument document = JsonReader::read(json, &parseError);
    if (!document.isObject()) {
        *error =
            document.isNull()
                ? tr("не JSON: %1 (байт %2)").arg(parseError.errorString()).arg(parseError.offset)
                : tr("в файле не объект JSON");
        return std::nullopt;
    }
    const QJsonObject object = document.object();
    if (object.value(QLatin1String("format")).toString() != FormatName) {
        *error = tr("format: не файл конфигурации контроллера (нужно \"%1\")").arg(FormatName);
        return std::nullopt;
    }
    MemberReader reader(object, QString(), error);
    const int version = reader.number(QStringLiteral("version"), 1, INT_MAX);
    if (reader.failed()) {
        return std::nullopt;
    }
    if (version > FormatVersion) {
        *error = tr("version: файл версии %1 записан более новой программой; эта читает версию %2")
                     .arg(version)
                     .arg(FormatVersion);
        return std::nullopt;
    }
    ControllerConfiguration result;
    MemberReader from = reader.child(QStringLiteral("taken_from"));
    result.origin.uniqueId = from.text(QStringLiteral("uniqueId"), DeviceLimits::MaxUniqueIdLength);
    result.origin.name = from.text(QStringLiteral("name"), DeviceLimits::MaxNameLength);
    result.origin.type = from.text(QStringLiteral("type"), DeviceLimits::MaxNameLength);
    result.origin.netSoftVersion = from.text(QStringLiteral("net_soft_version"), 64);
    result.origin.controllerVersion = from.text(QStringLiteral("controller_version"), 64);
    result.origin.takenAt =
        QDateTime::fromString(object.value(QLatin1String("taken_at")).toString(), Qt::ISODate);
    readController(reader, result);
    if (reader.failed()) {
        return std::nullopt;
    }
    return result;
}

std::optional<ControllerConfiguration> ControllerConfiguration::readFile(const QString &path,
                                                                         QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = tr("%1: %2").arg(path, file.errorString());
        return std::nullopt;
    }
    // One byte over the bound is enough to refuse the file.
    return fromJson(file.read(MaxFileBytes + 1), error);
}

bool ControllerConfiguration::writeFile(const QString &path, QString *error) const
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(toJson()) < 0 || !file.commit()) {
        *error = tr("%1: %2").arg(path, file.errorString());
        return false;
    }
    return true;
}
