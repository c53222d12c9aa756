#include "device/norvaleodimmer.h"

#include "device/devicenetworkaccessmanager.h"
#include "device/deviceprotocol.h"
#include "device/dimmerinputstypes.h"
#include "logging/logcategories.h"
#include "model/devicelimits.h"
#include "model/dimmer.h"
#include "model/hostaddresstext.h"

#include <QDebug>
#include <QMetaMethod>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTimer>
#include <QTimerEvent>
#include <QUrl>

#include <algorithm>
#include <utility>

namespace {

constexpr int PollIntervalMs = 1500;
// pollTick runs through the four dimmer_info ticks, then asks for system_info.
constexpr int LastDimmerInfoTick = 3;
constexpr int SystemInfoTick = 4;

} // namespace

QList<QByteArray> NorvaleoDimmer::roleNamesList()
{
    return {"uniqueId",
            "ipAddress_1",
            "ipAddress_2",
            "connection_status",
            "using_interface",
            "wifi_ssid",
            "wifi_pass",
            "wifi_status",
            "wifi_dhcp",
            "wifi_mask",
            "wifi_gate",
            "wifi_all_settings",
            "lan_status",
            "lan_dhcp",
            "lan_mask",
            "lan_gate",
            "lan_all_settings",
            "net_soft_version",
            "controller_version",
            "dimm_soft_version",
            "input_autodetect",
            "inputs_count",
            "inputs_types",
            "inputs_values",
            "v_ref",
            "v_power_supply",
            "inner_tmp",
            "extern_tmp",
            "rs485_speed",
            "rs485_parity",
            "rs485_stop_bits",
            "rs485_data_bits",
            "rs485_all_settings",
            "modbus_address",
            "save_counter",
            "crosszero_offset",
            "dimmer_half_period",
            "dimmer_pulse_duration",
            "dimmer_use_timer_sinch",
            "dimmimg_all_settings",
            "autosave_settings"};
}

NorvaleoDimmer::NorvaleoDimmer(const QString &ipAddress1, const QString &ipAddress2,
                               const QString &uniqueId, const QString &name, int id,
                               QObject *parent)
    : AbstractDeviceModel(name, id, parent)
{
    addRoleNames(roleNamesList());
    const QString empty = QStringLiteral("");
    const QString zero = QStringLiteral("0.0");
    setNodeProperty("preffered_delegate", QStringLiteral("Device.qml"), false);
    setNodeProperty("uniqueId", uniqueId, true);
    setNodeProperty("ipAddress_1", ipAddress1, true);
    setNodeProperty("ipAddress_2", ipAddress2, true);
    setNodeProperty("connection_status", false, false);
    setNodeProperty("using_interface", 1, false);
    setNodeProperty("wifi_ssid", empty, false);
    setNodeProperty("wifi_pass", empty, false);
    setNodeProperty("wifi_status", false, false);
    setNodeProperty("wifi_dhcp", false, false);
    setNodeProperty("wifi_mask", empty, false);
    setNodeProperty("wifi_gate", empty, false);
    setNodeProperty("wifi_all_settings", empty, false);
    setNodeProperty("lan_status", false, false);
    setNodeProperty("lan_dhcp", false, false);
    setNodeProperty("lan_mask", empty, false);
    setNodeProperty("lan_gate", empty, false);
    setNodeProperty("lan_all_settings", empty, false);
    setNodeProperty("net_soft_version", empty, false);
    setNodeProperty("controller_version", empty, false);
    setNodeProperty("dimm_soft_version", empty, false);
    setNodeProperty("input_autodetect", false, false);
    setNodeProperty("inputs_count", 0, false);
    setNodeProperty("inputs_types", QVariantList(), false);
    setNodeProperty("inputs_values", QVariantList(), false);
    setNodeProperty("v_ref", zero, false);
    setNodeProperty("v_power_supply", zero, false);
    setNodeProperty("inner_tmp", zero, false);
    setNodeProperty("extern_tmp", zero, false);
    setNodeProperty("rs485_speed", 9600, false);
    setNodeProperty("rs485_parity", QStringLiteral("N"), false);
    setNodeProperty("rs485_stop_bits", 1, false);
    setNodeProperty("rs485_data_bits", 8, false);
    setNodeProperty("rs485_all_settings", empty, false);
    setNodeProperty("modbus_address", 1, false);
    setNodeProperty("save_counter", 0, false);
    setNodeProperty("crosszero_offset", 0, false);
    setNodeProperty("dimmer_half_period", 0, false);
    setNodeProperty("dimmer_pulse_duration", 0, false);
    setNodeProperty("dimmer_use_timer_sinch", true, false);
    setNodeProperty("dimmimg_all_settings", empty, false);
    setNodeProperty("autosave_settings", true, false);
}

QString NorvaleoDimmer::itemType() const
{
    return QStringLiteral("NORVALEO_DIMMER");
}

QModelIndex NorvaleoDimmer::selfIndex()
{
    // Indexes belong to the root model; a controller outside a tree makes its own.
    return indexOfItem(model ? model : this, this);
}

QModelIndex NorvaleoDimmer::childIndex(int row)
{
    AbstractDeviceModel *owner = model ? model : this;
    return owner->index(row, 0, selfIndex());
}

// --- dispatch of edited roles ---

static QMetaMethod setterMethod(const QMetaObject *metaObject, const QByteArray &signature)
{
    const int index =
        metaObject->indexOfMethod(QMetaObject::normalizedSignature(signature.constData()));
    return index < 0 ? QMetaMethod() : metaObject->method(index);
}

void NorvaleoDimmer::transferDataToDevice(const QModelIndex &index, const QVariant &value, int role)
{
    AbstractDeviceModel *node = nodeOf(index);
    if (!node) {
        return;
    }
    if (node == this) {
        const QByteArray name = nameOfRole(role);
        if (name.isEmpty()) {
            return;
        }
        const QMetaMethod setter =
            setterMethod(metaObject(), "set_device_" + name + "(const QVariant&)");
        if (setter.isValid()) {
            setter.invoke(this, Qt::DirectConnection, Q_ARG(QVariant, value));
        }
        return;
    }
    if (!node->isChildOf(this)) {
        return;
    }
    const QByteArray name = node->nameOfRole(role);
    if (name.isEmpty()) {
        return;
    }
    const int lightId = data(index, node->roleByName("light_id")).toInt();
    if (lightId < 1) {
        return;
    }
    const QMetaMethod setter = setterMethod(metaObject(), "set_" + name + "(int, const QVariant&)");
    if (setter.isValid()) {
        setter.invoke(this, Qt::DirectConnection, Q_ARG(int, lightId), Q_ARG(QVariant, value));
    }
}

// --- requests ---

// An empty text is a missing address, as an invalid value is.
QString NorvaleoDimmer::addressOf(const QByteArray &role) const
{
    const QString address = propertyValue(role).toString();
    return address.isEmpty() ? QString() : address;
}

void NorvaleoDimmer::setUsingInterface()
{
    setData(selfIndex(), useSecondAddress ? 2 : 1, roleByName("using_interface"));
}

QString NorvaleoDimmer::currentHost()
{
    const QString wired = addressOf("ipAddress_1");
    const QString wifi = addressOf("ipAddress_2");
    const QString &preferred = useSecondAddress ? wifi : wired;
    const QString &other = useSecondAddress ? wired : wifi;
    if (!preferred.isNull()) {
        return preferred;
    }
    if (!other.isNull()) {
        switchInterface();
    }
    return other;
}

void NorvaleoDimmer::sendRequest(const QNetworkRequest &request)
{
    QNetworkReply *reply = networkManager->get(request);
    auto *timer = new QTimer(this);
    timer->setSingleShot(true);
    timer->setInterval(RequestTimeoutMs);
    connect(timer, &QTimer::timeout, reply, &QNetworkReply::abort);
    connect(reply, &QObject::destroyed, timer, &QObject::deleteLater);
    // The buffer stops reading at the bound; a reply that reaches it is given up.
    reply->setReadBufferSize(MaxReplyBytes);
    connect(reply, &QIODevice::readyRead, reply, [reply] {
        if (reply->bytesAvailable() >= MaxReplyBytes) {
            reply->abort();
        }
    });
    timer->start();
}

bool NorvaleoDimmer::sendQuery(const QUrlQuery &query, int tag)
{
    // Nothing goes out before startCommunication has created the manager.
    if (!networkManager) {
        return false;
    }
    // A change could reach another device that took the address.
    if (!identityConfirmed &&
        query.queryItemValue(QStringLiteral("request_type")) != QLatin1String("get")) {
        return false;
    }
    const QString host = currentHost();
    if (host.isNull()) {
        return false;
    }
    QNetworkRequest request(DeviceProtocol::requestUrl(host, port, query));
    if (tag == 0 && query.queryItemValue(QStringLiteral("request_type")) == QLatin1String("set")) {
        std::swap(tag, nextChangeTag);
    }
    if (tag != 0) {
        request.setAttribute(QNetworkRequest::User, tag);
    }
    ++pendingRequests;
    sendRequest(request);
    return true;
}

bool NorvaleoDimmer::askStatus(const QUrlQuery &query, int tag)
{
    return sendQuery(query, tag);
}

void NorvaleoDimmer::sendGroup(const std::optional<DeviceProtocol::GroupRequest> &group)
{
    if (!group || !sendQuery(group->query)) {
        return;
    }
    QMap<int, QVariant> values;
    for (auto it = group->roles.constBegin(); it != group->roles.constEnd(); ++it) {
        values.insert(roleByName(it.key()), it.value());
    }
    setItemValues(selfIndex(), values);
}

void NorvaleoDimmer::requestSystemInfo()
{
    sendQuery(DeviceProtocol::systemInfo());
}

void NorvaleoDimmer::requestDimmerInfo()
{
    sendQuery(DeviceProtocol::dimmerInfo());
}

void NorvaleoDimmer::set_device_name(const QVariant &value)
{
    sendQuery(DeviceProtocol::deviceName(value));
}

void NorvaleoDimmer::set_device_wifi_all_settings(const QVariant &value)
{
    sendGroup(DeviceProtocol::wifiSettings(value));
    // The text holds the password, which is never kept once the request is built.
    setData(selfIndex(), QStringLiteral(""), roleByName("wifi_all_settings"));
}

void NorvaleoDimmer::set_device_lan_all_settings(const QVariant &value)
{
    sendGroup(DeviceProtocol::lanSettings(value));
}

void NorvaleoDimmer::set_device_crosszero_offset(const QVariant &value)
{
    sendQuery(DeviceProtocol::crosszeroOffset(value));
}

void NorvaleoDimmer::set_device_dimmer_half_period(const QVariant &value)
{
    sendQuery(DeviceProtocol::dimmerHalfPeriod(value));
}

void NorvaleoDimmer::set_device_dimmer_pulse_duration(const QVariant &value)
{
    sendQuery(DeviceProtocol::dimmerPulseDuration(value));
}

void NorvaleoDimmer::set_device_dimmimg_all_settings(const QVariant &value)
{
    sendGroup(DeviceProtocol::dimmingSettings(value));
}

void NorvaleoDimmer::set_device_rs485_all_settings(const QVariant &value)
{
    const std::optional<DeviceProtocol::GroupRequest> group = DeviceProtocol::rs485Settings(value);
    if (!group) {
        return;
    }
    qCDebug(lcDevice) << "HERE3";
    qCDebug(lcDevice) << "HTTP QUERY" << group->query.query(QUrl::FullyEncoded);
    sendGroup(group);
}

void NorvaleoDimmer::set_device_modbus_address(const QVariant &value)
{
    sendQuery(DeviceProtocol::modbusAddress(value));
}

void NorvaleoDimmer::set_device_autosave_settings(const QVariant &value)
{
    sendQuery(DeviceProtocol::autosave(value));
}

void NorvaleoDimmer::set_device_input_autodetect(const QVariant &value)
{
    sendQuery(DeviceProtocol::inputAutodetect(value));
}

void NorvaleoDimmer::set_device_inputs_types(const QVariant &value)
{
    if (const auto query = DeviceProtocol::inputsTypes(value)) {
        sendQuery(*query);
    }
}

void NorvaleoDimmer::set_brightness(int channel, const QVariant &value)
{
    sendQuery(DeviceProtocol::brightness(channel, value));
}

void NorvaleoDimmer::set_max_brightness(int channel, const QVariant &value)
{
    sendQuery(DeviceProtocol::maxBrightness(channel, value));
}

void NorvaleoDimmer::set_min_brightness(int channel, const QVariant &value)
{
    sendQuery(DeviceProtocol::minBrightness(channel, value));
}

void NorvaleoDimmer::set_slow_time(int channel, const QVariant &value)
{
    sendQuery(DeviceProtocol::slowTime(channel, value));
}

void NorvaleoDimmer::set_name(int channel, const QVariant &value)
{
    sendQuery(DeviceProtocol::channelName(channel, value));
}

void NorvaleoDimmer::set_light_type(int channel, const QVariant &value)
{
    if (const auto query = DeviceProtocol::lightType(channel, value)) {
        sendQuery(*query);
    }
}

void NorvaleoDimmer::set_autosave_settings(int, const QVariant &value)
{
    // Autosave belongs to the whole controller, whichever channel was edited.
    set_device_autosave_settings(value);
}

// --- replies ---

void NorvaleoDimmer::httpResponse(QNetworkReply *reply)
{
    --pendingRequests;
    const int tag = reply->request().attribute(QNetworkRequest::User).toInt();
    if (reply->error() != QNetworkReply::NoError) {
        reply->deleteLater();
        // A single network error is tolerated; the second in a row counts.
        if (++replyErrors > 1) {
            replyErrors = 0;
            failureEvent();
        }
        if (tag != 0) {
            Q_EMIT answered(tag, false);
        }
        return;
    }
    replyErrors = 0;
    const QByteArray body = reply->readAll();
    reply->deleteLater();
    const bool done = handleReplyBody(body, tag != 0);
    if (tag != 0) {
        Q_EMIT answered(tag, done);
    }
}

bool NorvaleoDimmer::handleReplyBody(const QByteArray &body, bool applyAnyway)
{
    const DeviceProtocol::Reply reply = DeviceProtocol::readReply(body);
    switch (reply.response) {
    case DeviceProtocol::Response::Ok:
        // With another request in flight the status may already be stale,
        // unless it was asked for by someone waiting for it.
        if ((pendingRequests != 0 && !applyAnyway) || applyStatus(reply.object)) {
            setConnected(true);
            return true;
        }
        // Another device answers here: try the other address, and look for
        // this one by its unique id if it stays away.
        failureEvent();
        return false;
    case DeviceProtocol::Response::BadRequest:
        setConnected(true);
        return false;
    case DeviceProtocol::Response::Failure:
        failureEvent();
        return false;
    }
    return false;
}

bool NorvaleoDimmer::applyStatus(const QJsonObject &reply)
{
    const auto systemInfo = reply.constFind(QLatin1String("system_info"));
    const bool hasSystemInfo = systemInfo != reply.constEnd();
    if (hasSystemInfo && !isOwnSystemInfo(systemInfo.value())) {
        return false;
    }
    if (hasSystemInfo) {
        identityConfirmed = true;
    }
    // Members in name order: dimmer_info before system_info.
    const auto dimmerInfo = reply.constFind(QLatin1String("dimmer_info"));
    if (dimmerInfo != reply.constEnd() && identityConfirmed) {
        parseDimmerInfo(dimmerInfo.value());
    }
    if (hasSystemInfo) {
        return parseSystemInfo(systemInfo.value().toObject());
    }
    return true;
}

bool NorvaleoDimmer::isOwnSystemInfo(const QJsonValue &value) const
{
    const QJsonValue uniqueId = value.toObject().value(QLatin1String("unique_id"));
    return uniqueId.isString() && uniqueId.toString() == propertyValue("uniqueId").toString();
}

bool NorvaleoDimmer::parseSystemInfo(const QJsonValue &value)
{
    const QJsonObject info = value.toObject();
    if (info.isEmpty()) {
        return false;
    }
    const QString uniqueId = DeviceProtocol::textOf(info.value(QLatin1String("unique_id")));
    if (!info.contains(QLatin1String("unique_id")) ||
        uniqueId != propertyValue("uniqueId").toString()) {
        return false;
    }
    QMap<int, QVariant> values;
    const auto put = [&](const QByteArray &role, const QVariant &roleValue) {
        values.insert(roleByName(role), roleValue);
    };
    const auto putReceived = [&](const QJsonObject &object, const char *member,
                                 const QByteArray &role) {
        const auto found = object.constFind(QLatin1String(member));
        if (found != object.constEnd()) {
            put(role, found.value().toVariant());
        }
    };
    const auto putStatus = [&](const QJsonObject &object, const QByteArray &prefix) {
        const auto status = object.constFind(QLatin1String("status"));
        if (status != object.constEnd()) {
            put(prefix + "_status", DeviceProtocol::isConnected(status.value()));
        }
        const auto dhcp = object.constFind(QLatin1String("dhcp"));
        if (dhcp != object.constEnd()) {
            put(prefix + "_dhcp", DeviceProtocol::flagOf(DeviceProtocol::textOf(dhcp.value())));
        }
        putReceived(object, "ip_mask", prefix + "_mask");
        putReceived(object, "ip_gate", prefix + "_gate");
    };

    // Only a readable address replaces the stored one, written canonically.
    const auto putAddress = [&](const QJsonObject &object, const QByteArray &role) {
        const QString address = HostAddressText::canonical(
            DeviceProtocol::textOf(object.value(QLatin1String("ip_address"))));
        if (!address.isNull()) {
            put(role, address);
        }
    };

    put("uniqueId", uniqueId);
    const auto name = info.constFind(QLatin1String("name"));
    if (name != info.constEnd()) {
        const QVariant received = name.value().toVariant();
        put("name", received.userType() == QMetaType::QString
                        ? QVariant(DeviceLimits::cutName(received.toString()))
                        : received);
    }
    putReceived(info, "version", "net_soft_version");
    const QJsonObject wifi = info.value(QLatin1String("wifi_settings")).toObject();
    if (!wifi.isEmpty()) {
        putReceived(wifi, "ssid", "wifi_ssid");
        putStatus(wifi, "wifi");
        putAddress(wifi, "ipAddress_2");
    }
    const QJsonObject lan = info.value(QLatin1String("lan_settings")).toObject();
    if (!lan.isEmpty()) {
        putStatus(lan, "lan");
        putAddress(lan, "ipAddress_1");
    }
    setItemValues(selfIndex(), values);
    return true;
}

// Member names in ascending order, so channel_10 comes before channel_2.
static QStringList sortedKeys(const QJsonObject &object)
{
    QStringList keys = object.keys();
    std::sort(keys.begin(), keys.end());
    return keys;
}

// The channel members by number, so that new channels take their rows as 1, 2,
// ..., 10; members of one number (channel_3, channel_03) in name order.
static QStringList channelMembers(const QJsonObject &object)
{
    QVector<QPair<int, QString>> members;
    for (auto it = object.constBegin(); it != object.constEnd(); ++it) {
        const int number = DeviceProtocol::channelNumber(it.key());
        if (number > 0) {
            members.append({number, it.key()});
        }
    }
    // The object iterates in name order, which the stable sort keeps for ties.
    std::stable_sort(members.begin(), members.end(),
                     [](const QPair<int, QString> &a, const QPair<int, QString> &b) {
                         return a.first < b.first;
                     });
    QStringList names;
    names.reserve(members.size());
    for (const auto &member : std::as_const(members)) {
        names.append(member.second);
    }
    return names;
}

void NorvaleoDimmer::parseDimmerInfo(const QJsonValue &value)
{
    const QJsonObject info = value.toObject();
    if (info.isEmpty()) {
        return;
    }
    const QModelIndex self = selfIndex();
    QMap<int, QVariant> own;
    ChannelUpdates updates;
    updates.rowOfLightId = channelRows();
    readOutputs(info.value(QLatin1String("outputs")).toObject(), updates);
    readStructure(info.value(QLatin1String("structure")).toObject(), updates);
    readSettings(info.value(QLatin1String("settings")).toObject(), own, updates);
    readInputs(info.value(QLatin1String("inputs")).toObject(), own);
    if (!own.isEmpty()) {
        setItemValues(self, own);
    }
    for (const ChannelUpdate &update : std::as_const(updates.byRow)) {
        setItemValues(update.index, update.values);
    }
}

NorvaleoDimmer::ChannelUpdate *NorvaleoDimmer::updateFor(const QString &memberName,
                                                         ChannelUpdates &updates)
{
    const int number = DeviceProtocol::channelNumber(memberName);
    if (number == 0) {
        return nullptr;
    }
    const QModelIndex channel = channelFor(number, memberName.mid(8), updates.rowOfLightId);
    if (!channel.isValid()) {
        return nullptr;
    }
    ChannelUpdate &update = updates.byRow[channel.row()];
    update.index = channel;
    return &update;
}

void NorvaleoDimmer::readOutputs(const QJsonObject &outputs, ChannelUpdates &updates)
{
    for (const QString &member : channelMembers(outputs)) {
        ChannelUpdate *update = updateFor(member, updates);
        if (!update) {
            continue;
        }
        const AbstractDeviceModel *channel = nodeOf(update->index);
        const auto put = [&](const QByteArray &role, const QVariant &roleValue) {
            update->values.insert(channel->roleByName(role), roleValue);
        };
        // One lookup per member and no role name built at run time: this runs
        // for every channel of every poll.
        const QJsonObject state = outputs.value(member).toObject();
        const auto brightness = state.constFind(QLatin1String("brightness"));
        if (brightness != state.constEnd()) {
            put(QByteArrayLiteral("brightness"), DeviceProtocol::intOf(brightness.value()));
        }
        const auto typeText = state.constFind(QLatin1String("type"));
        if (typeText != state.constEnd()) {
            const int type =
                DeviceProtocol::keyValue<Dimmer::Type>(DeviceProtocol::textOf(typeText.value()));
            if (type >= 0) {
                put(QByteArrayLiteral("light_type"), type);
            }
        }
        const auto slowTime = state.constFind(QLatin1String("slow_time"));
        if (slowTime != state.constEnd()) {
            put(QByteArrayLiteral("slow_time"), DeviceProtocol::intOf(slowTime.value()));
        }
        const QJsonObject thresholds = state.value(QLatin1String("thresholds")).toObject();
        if (!thresholds.isEmpty()) {
            put(QByteArrayLiteral("min_brightness"),
                DeviceProtocol::intOf(thresholds.value(QLatin1String("min_brightness"))));
            put(QByteArrayLiteral("max_brightness"),
                DeviceProtocol::intOf(thresholds.value(QLatin1String("max_brightness"))));
        }
    }
}

void NorvaleoDimmer::readStructure(const QJsonObject &structure, ChannelUpdates &updates)
{
    for (const QString &member : channelMembers(structure)) {
        ChannelUpdate *update = updateFor(member, updates);
        if (!update) {
            continue;
        }
        const QString name =
            DeviceProtocol::textOf(structure.value(member).toObject().value(QLatin1String("name")));
        if (!name.isEmpty()) {
            update->values.insert(nodeOf(update->index)->roleByName("name"),
                                  DeviceLimits::cutName(name));
        }
    }
}

void NorvaleoDimmer::readSettings(const QJsonObject &settings, QMap<int, QVariant> &own,
                                  ChannelUpdates &updates)
{
    if (settings.isEmpty()) {
        return;
    }
    const auto putReceived = [&](const char *member, const QByteArray &role) {
        const auto found = settings.constFind(QLatin1String(member));
        if (found != settings.constEnd()) {
            own.insert(roleByName(role), found.value().toVariant());
        }
    };
    const auto version = settings.constFind(QLatin1String("controller_version"));
    if (version != settings.constEnd()) {
        QString text;
        switch (DeviceProtocol::intOf(version.value())) {
        case 1:
            text = QStringLiteral("stm32f103 low");
            break;
        case 2:
            text = QStringLiteral("stm32f103 medium");
            break;
        case 3:
            text = QStringLiteral("stm32f103 high");
            break;
        default:
            text = tr("Не определено");
        }
        own.insert(roleByName("controller_version"), text);
    }
    putReceived("soft_version", "dimm_soft_version");
    const auto autodetect = settings.constFind(QLatin1String("input_autodetect"));
    if (autodetect != settings.constEnd()) {
        own.insert(roleByName("input_autodetect"),
                   DeviceProtocol::flagOf(DeviceProtocol::textOf(autodetect.value())));
    }
    putReceived("v_ref", "v_ref");
    putReceived("v_power_supply", "v_power_supply");
    putReceived("inner_tmp", "inner_tmp");
    putReceived("extern_tmp", "extern_tmp");
    putReceived("modbus_address", "modbus_address");
    const auto autosave = settings.constFind(QLatin1String("autosave"));
    if (autosave != settings.constEnd()) {
        const QVariant flag = autosave.value().toVariant();
        own.insert(roleByName("autosave_settings"), flag);
        // Only the channels this reply named; the others get it with their next reply.
        for (ChannelUpdate &update : updates.byRow) {
            update.values.insert(nodeOf(update.index)->roleByName("autosave_settings"), flag);
        }
    }
    putReceived("save_counter", "save_counter");
    putReceived("crosszero_offset", "crosszero_offset");
    putReceived("dimmer_half_period", "dimmer_half_period");
    putReceived("dimmer_pulse_duration", "dimmer_pulse_duration");
    putReceived("dimmer_use_timer_sinch", "dimmer_use_timer_sinch");
    const auto rs485 = settings.constFind(QLatin1String("rs485_speed"));
    if (rs485 != settings.constEnd()) {
        readRs485(rs485.value(), own);
    }
}

bool NorvaleoDimmer::isValidBaudRate(int speed)
{
    switch (speed) {
    case 2400:
    case 4800:
    case 9600:
    case 19200:
    case 38400:
    case 57600:
    case 115200:
    case 250000:
    case 500000:
    case 1000000:
        return true;
    default:
        return false;
    }
}

void NorvaleoDimmer::readRs485(const QJsonValue &value, QMap<int, QVariant> &own)
{
    const std::optional<DeviceProtocol::Rs485Line> line =
        DeviceProtocol::splitRs485(DeviceProtocol::textOf(value));
    if (!line || !isValidBaudRate(line->speed) ||
        (line->parity != QLatin1String("N") && line->parity != QLatin1String("E")) ||
        (line->stopBits != 1 && line->stopBits != 2) || line->dataBits != 8) {
        return;
    }
    own.insert(roleByName("rs485_speed"), line->speed);
    own.insert(roleByName("rs485_parity"), line->parity);
    own.insert(roleByName("rs485_stop_bits"), line->stopBits);
    own.insert(roleByName("rs485_data_bits"), line->dataBits);
}

void NorvaleoDimmer::readInputs(const QJsonObject &inputs, QMap<int, QVariant> &own)
{
    QVariantList types;
    QVariantList values;
    for (const QString &member : sortedKeys(inputs)) {
        const int number = DeviceProtocol::channelNumber(member);
        if (number == 0) {
            continue;
        }
        while (types.size() < number) {
            types.append(int(DimmerInputsTypes::NO_FUNCTION));
            values.append(QStringLiteral("0.0"));
        }
        const QJsonObject input = inputs.value(member).toObject();
        const QJsonValue type = input.value(QLatin1String("type"));
        if (!type.isUndefined() && !type.isNull()) {
            const int function =
                DeviceProtocol::keyValue<DimmerInputsTypes::Type>(DeviceProtocol::textOf(type));
            if (function >= 0) {
                types[number - 1] = function;
            }
        }
        const QJsonValue volts = input.value(QLatin1String("volt_value"));
        if (!volts.isUndefined() && !volts.isNull()) {
            values[number - 1] = volts.toVariant();
        }
    }
    if (types.isEmpty()) {
        return;
    }
    own.insert(roleByName("inputs_count"), types.size());
    own.insert(roleByName("inputs_types"), types);
    own.insert(roleByName("inputs_values"), values);
}

// Read once per reply: looking through every channel for every member made a
// reply's cost grow with the square of its channels. The first row with a
// light_id wins, as a search in row order finds it.
QHash<int, int> NorvaleoDimmer::channelRows()
{
    QHash<int, int> rows;
    rows.reserve(children.size());
    for (int row = 0; row < children.size(); ++row) {
        // A plain index is enough to read the value; the result is the root model's.
        AbstractDeviceModel *child = children.at(row);
        const int lightId = data(createIndex(row, 0, child), child->roleByName("light_id")).toInt();
        if (!rows.contains(lightId)) {
            rows.insert(lightId, row);
        }
    }
    return rows;
}

QModelIndex NorvaleoDimmer::channelFor(int number, const QString &numberText,
                                       QHash<int, int> &rowOfLightId)
{
    const auto found = rowOfLightId.constFind(number);
    if (found != rowOfLightId.constEnd()) {
        return childIndex(*found);
    }
    // A device cannot make the list grow beyond what a settings file holds.
    if (children.size() >= DeviceLimits::MaxChannels) {
        return {};
    }
    const QModelIndex self = selfIndex();
    auto *channel =
        new Dimmer(DeviceLimits::cutName(tr("Лампа %1").arg(numberText)), runningCount(self), this);
    const std::shared_ptr<AbstractDeviceModel> item(channel, DeviceDeleter(true));
    Q_EMIT itemPreparedToInsert(self, item);
    // The tree takes the channel synchronously as the last child; if nobody
    // did, the armed pointer deletes it on return.
    if (children.isEmpty() || children.last() != channel) {
        return {};
    }
    const int row = children.size() - 1;
    const QModelIndex index = childIndex(row);
    if (setData(index, number, channel->roleByName("light_id"))) {
        rowOfLightId.insert(number, row);
    }
    return index;
}

// --- polling and supervision ---

void NorvaleoDimmer::startCommunication()
{
    if (networkManager) {
        return;
    }
    networkManager = new DeviceNetworkAccessManager(this);
    connect(networkManager, &QNetworkAccessManager::finished, this, &NorvaleoDimmer::httpResponse);
    pollTick = 0;
    identityConfirmed = false;
    requestSystemInfo();
    pollTimerId = startTimer(PollIntervalMs, Qt::CoarseTimer);
}

void NorvaleoDimmer::timerEvent(QTimerEvent *event)
{
    if (event->timerId() != pollTimerId) {
        AbstractDeviceModel::timerEvent(event);
        return;
    }
    // One request at a time: a slow device is polled more slowly, not flooded.
    if (pendingRequests != 0) {
        return;
    }
    // Until the device at this address has said who it is, only ask that.
    if (pollTick > LastDimmerInfoTick || !identityConfirmed) {
        pollTick = 0;
        requestSystemInfo();
        return;
    }
    ++pollTick;
    requestDimmerInfo();
}

void NorvaleoDimmer::setConnected(bool connected)
{
    const QModelIndex self = selfIndex();
    if (!connected) {
        pollTick = SystemInfoTick;
    }
    if (!children.isEmpty()) {
        QVector<QModelIndex> indexes;
        indexes.reserve(children.size());
        for (int row = 0; row < children.size(); ++row) {
            indexes.append(childIndex(row));
        }
        const int role = children.first()->roleByName("connection_status");
        setItemsValues(indexes, {{role, connected}});
    }
    setData(self, connected, roleByName("connection_status"));
}

void NorvaleoDimmer::switchInterface()
{
    useSecondAddress = useSecondAddress ? 0 : 1;
    identityConfirmed = false;
    setUsingInterface();
}

void NorvaleoDimmer::countFailure()
{
    // Not reset by good replies: every second failure event is reported.
    if (++failureCount > 1) {
        failureCount = 0;
        Q_EMIT lostConnection(propertyValue("uniqueId").toString());
    }
}

void NorvaleoDimmer::failureEvent()
{
    switchInterface();
    setConnected(false);
    countFailure();
}
