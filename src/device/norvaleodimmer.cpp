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
    setData(selfIndex(), route.isWiredInUse() ? 1 : 2, roleByName("using_interface"));
}

QString NorvaleoDimmer::currentHost()
{
    const QVector<ControllerRoute::Address> order =
        route.order(addressOf("ipAddress_1"), addressOf("ipAddress_2"));
    if (order.isEmpty()) {
        return QString();
    }
    // The address in use is missing: the other one takes over.
    if (order.first().wired != route.isWiredInUse()) {
        switchInterface();
    }
    return order.first().host;
}

bool NorvaleoDimmer::sendQuery(const QUrlQuery &query, int tag)
{
    // Nothing goes out before startCommunication has created the manager.
    if (!networkManager) {
        return false;
    }
    if (!route.allows(query)) {
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
    ControllerRoute::get(*networkManager, request);
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
    if (isAppliedAlready(body)) {
        return true;
    }
    const DeviceProtocol::Reply reply = DeviceProtocol::readReply(body);
    switch (reply.response) {
    case DeviceProtocol::Response::Ok:
        // With another request in flight the status may already be stale,
        // unless it was asked for by someone waiting for it.
        if (pendingRequests != 0 && !applyAnyway) {
            setConnected(true);
            return true;
        }
        if (applyStatus(reply.object)) {
            setConnected(true);
            // A dimmer_info read while the identity was unconfirmed was not applied.
            if (route.isConfirmed()) {
                const bool withSystemInfo = reply.object.contains(QLatin1String("system_info"));
                // Kept at its own size: a body read whole carries the read
                // buffer's room, 16 kB and more, for every controller.
                lastApplied[withSystemInfo] = {QByteArray(body.constData(), body.size()),
                                               revision()};
            }
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

// Bytes applied before, with nothing of this controller or its channels
// changed since: reading them again would store nothing, connected included.
// Only a system_info among them still confirms the identity.
bool NorvaleoDimmer::isAppliedAlready(const QByteArray &body)
{
    if (pendingRequests != 0 || body.isEmpty()) {
        return false;
    }
    for (int withSystemInfo = 0; withSystemInfo < 2; ++withSystemInfo) {
        const AppliedReply &applied = lastApplied[withSystemInfo];
        if (applied.revision == revision() && applied.body == body) {
            if (withSystemInfo) {
                route.confirm();
            }
            return true;
        }
    }
    return false;
}

bool NorvaleoDimmer::applyStatus(const QJsonObject &reply)
{
    const ControllerRoute::Identity identity =
        ControllerRoute::identityOf(reply, propertyValue("uniqueId").toString());
    if (identity == ControllerRoute::Identity::Foreign) {
        forgetUnvouched();
        return false;
    }
    // Only an own system_info is left among the replies that carry one.
    const bool hasSystemInfo = identity == ControllerRoute::Identity::Own;
    if (hasSystemInfo) {
        route.confirm();
    }
    // Members in name order: dimmer_info before system_info.
    const auto dimmerInfo = reply.constFind(QLatin1String("dimmer_info"));
    if (dimmerInfo != reply.constEnd() && route.isConfirmed()) {
        parseDimmerInfo(dimmerInfo.value());
    }
    if (hasSystemInfo) {
        const bool applied = parseSystemInfo(reply.value(QLatin1String("system_info")).toObject());
        if (applied) {
            rememberVouched();
        }
        return applied;
    }
    return true;
}

void NorvaleoDimmer::rememberVouched()
{
    const int nameRole = roleByName("name");
    vouched.channels = children.size();
    vouched.names.resize(children.size());
    for (int row = 0; row < children.size(); ++row) {
        vouched.names[row] = children.at(row)->storedValue(nameRole)->toString();
    }
}

// Another device answered at the address since the last proof: the channels
// its replies created go, and the names they changed come back, so that
// nothing of it reaches the settings file.
void NorvaleoDimmer::forgetUnvouched()
{
    if (vouched.channels < 0 || !model) {
        return;
    }
    const int favourites = roleRegistry().value("favourites");
    for (int row = vouched.channels; row < children.size(); ++row) {
        // A star on a channel that goes would leave the favourites pointing at nothing.
        const QVariant *starred = children.at(row)->storedValue(favourites);
        if (starred && starred->toBool()) {
            model->setData(childIndex(row), false, favourites);
        }
    }
    model->removeChildrenFrom(selfIndex(), vouched.channels);
    const int nameRole = roleByName("name");
    for (int row = 0; row < children.size() && row < vouched.names.size(); ++row) {
        if (children.at(row)->storeValue(nameRole, vouched.names.at(row))) {
            Q_EMIT model->dataChanged(childIndex(row), childIndex(row), {nameRole});
        }
    }
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

namespace {

// Role numbers of the values a dimmer_info reply carries, looked up once: the
// registry numbers every name before the first node exists, and each node's
// table holds its names under those numbers.
enum ChannelRole {
    Brightness,
    LightType,
    SlowTime,
    MinBrightness,
    MaxBrightness,
    ChannelName,
    ChannelAutosave,
    ChannelRoleCount
};
// The bit of ChannelMarks for a channel the reply named, above the role bits.
constexpr quint16 NamedBit = 1 << ChannelRoleCount;

struct ReplyRoles
{
    int channel[ChannelRoleCount];
    int lightId;
    int connectionStatus;
    int controllerVersion;
    int dimmSoftVersion;
    int inputAutodetect;
    int vRef;
    int vPowerSupply;
    int innerTmp;
    int externTmp;
    int modbusAddress;
    int autosave;
    int saveCounter;
    int crosszeroOffset;
    int dimmerHalfPeriod;
    int dimmerPulseDuration;
    int dimmerUseTimerSinch;
    int rs485Speed;
    int rs485Parity;
    int rs485StopBits;
    int rs485DataBits;
    int inputsCount;
    int inputsTypes;
    int inputsValues;
};

const ReplyRoles &replyRoles()
{
    static const ReplyRoles roles = [] {
        const QHash<QByteArray, int> &registry = AbstractDeviceModel::roleRegistry();
        const auto role = [&registry](const char *name) {
            return registry.value(name, -1);
        };
        ReplyRoles r{};
        r.channel[Brightness] = role("brightness");
        r.channel[LightType] = role("light_type");
        r.channel[SlowTime] = role("slow_time");
        r.channel[MinBrightness] = role("min_brightness");
        r.channel[MaxBrightness] = role("max_brightness");
        r.channel[ChannelName] = role("name");
        r.channel[ChannelAutosave] = role("autosave_settings");
        r.lightId = role("light_id");
        r.connectionStatus = role("connection_status");
        r.controllerVersion = role("controller_version");
        r.dimmSoftVersion = role("dimm_soft_version");
        r.inputAutodetect = role("input_autodetect");
        r.vRef = role("v_ref");
        r.vPowerSupply = role("v_power_supply");
        r.innerTmp = role("inner_tmp");
        r.externTmp = role("extern_tmp");
        r.modbusAddress = role("modbus_address");
        r.autosave = role("autosave_settings");
        r.saveCounter = role("save_counter");
        r.crosszeroOffset = role("crosszero_offset");
        r.dimmerHalfPeriod = role("dimmer_half_period");
        r.dimmerPulseDuration = role("dimmer_pulse_duration");
        r.dimmerUseTimerSinch = role("dimmer_use_timer_sinch");
        r.rs485Speed = role("rs485_speed");
        r.rs485Parity = role("rs485_parity");
        r.rs485StopBits = role("rs485_stop_bits");
        r.rs485DataBits = role("rs485_data_bits");
        r.inputsCount = role("inputs_count");
        r.inputsTypes = role("inputs_types");
        r.inputsValues = role("inputs_values");
        return r;
    }();
    return roles;
}

// A channel member of a reply: its number and its place in the object.
struct ChannelMember
{
    int number;
    int position;
};

// The channel members by number, so that new channels take their rows as 1, 2,
// ..., 10; members of one number (channel_3, channel_03) in name order, the
// order the object iterates in, which the stable sort keeps.
QVarLengthArray<ChannelMember, 64> channelMembers(const QJsonObject &object)
{
    QVarLengthArray<ChannelMember, 64> members;
    int position = 0;
    for (auto it = object.constBegin(); it != object.constEnd(); ++it, ++position) {
        const int number = DeviceProtocol::channelNumber(it.key());
        if (number > 0) {
            members.append({number, position});
        }
    }
    std::stable_sort(
        members.begin(), members.end(),
        [](const ChannelMember &a, const ChannelMember &b) { return a.number < b.number; });
    return members;
}

} // namespace

void NorvaleoDimmer::parseDimmerInfo(const QJsonValue &value)
{
    const QJsonObject info = value.toObject();
    if (info.isEmpty()) {
        return;
    }
    QVector<int> changed;
    ChannelMarks marks;
    readChannelRows(marks);
    readOutputs(info.value(QLatin1String("outputs")).toObject(), marks);
    readStructure(info.value(QLatin1String("structure")).toObject(), marks);
    readSettings(info.value(QLatin1String("settings")).toObject(), changed, marks);
    readInputs(info.value(QLatin1String("inputs")).toObject(), changed);
    if (!changed.isEmpty()) {
        const QModelIndex self = selfIndex();
        Q_EMIT dataChanged(self, self, changed);
    }
    reportChannelChanges(marks);
}

// One signal for each run of neighbouring channels that changed, with every
// role that changed in it.
void NorvaleoDimmer::reportChannelChanges(const ChannelMarks &marks)
{
    const ReplyRoles &r = replyRoles();
    const int rows = std::min(int(marks.byRow.size()), int(children.size()));
    int row = 0;
    while (row < rows) {
        quint16 bits = marks.byRow.at(row) & ~NamedBit;
        if (bits == 0) {
            ++row;
            continue;
        }
        const int first = row;
        while (row + 1 < rows && (marks.byRow.at(row + 1) & ~NamedBit) != 0) {
            ++row;
            bits |= marks.byRow.at(row);
        }
        QVector<int> roles;
        for (int bit = 0; bit < ChannelRoleCount; ++bit) {
            if (bits & (1 << bit)) {
                roles.append(r.channel[bit]);
            }
        }
        Q_EMIT dataChanged(childIndex(first), childIndex(row), roles);
        ++row;
    }
}

void NorvaleoDimmer::storeOwn(int role, const QVariant &value, QVector<int> &changed)
{
    if (storeValue(role, value)) {
        changed.append(role);
    }
}

void NorvaleoDimmer::readOutputs(const QJsonObject &outputs, ChannelMarks &marks)
{
    const ReplyRoles &r = replyRoles();
    const auto begin = outputs.constBegin();
    for (const ChannelMember &member : channelMembers(outputs)) {
        const auto entry = begin + member.position;
        const int row = channelRow(member.number, entry.key(), marks);
        if (row < 0) {
            continue;
        }
        AbstractDeviceModel *channel = children.at(row);
        quint16 &mark = marks.byRow[row];
        mark |= NamedBit;
        const auto store = [&](ChannelRole role, const QVariant &received) {
            if (channel->storeValue(r.channel[role], received)) {
                mark |= 1 << role;
            }
        };
        const QJsonObject state = entry.value().toObject();
        const auto brightness = state.constFind(QLatin1String("brightness"));
        if (brightness != state.constEnd()) {
            store(Brightness, DeviceProtocol::intOf(brightness.value()));
        }
        const auto typeText = state.constFind(QLatin1String("type"));
        if (typeText != state.constEnd()) {
            const int type =
                DeviceProtocol::keyValue<Dimmer::Type>(DeviceProtocol::textOf(typeText.value()));
            if (type >= 0) {
                store(LightType, type);
            }
        }
        const auto slowTime = state.constFind(QLatin1String("slow_time"));
        if (slowTime != state.constEnd()) {
            store(SlowTime, DeviceProtocol::intOf(slowTime.value()));
        }
        const auto thresholds = state.constFind(QLatin1String("thresholds"));
        if (thresholds != state.constEnd()) {
            const QJsonObject limits = thresholds.value().toObject();
            if (!limits.isEmpty()) {
                store(MinBrightness,
                      DeviceProtocol::intOf(limits.value(QLatin1String("min_brightness"))));
                store(MaxBrightness,
                      DeviceProtocol::intOf(limits.value(QLatin1String("max_brightness"))));
            }
        }
    }
}

void NorvaleoDimmer::readStructure(const QJsonObject &structure, ChannelMarks &marks)
{
    const ReplyRoles &r = replyRoles();
    const auto begin = structure.constBegin();
    for (const ChannelMember &member : channelMembers(structure)) {
        const auto entry = begin + member.position;
        const int row = channelRow(member.number, entry.key(), marks);
        if (row < 0) {
            continue;
        }
        quint16 &mark = marks.byRow[row];
        mark |= NamedBit;
        const QString name =
            DeviceProtocol::textOf(entry.value().toObject().value(QLatin1String("name")));
        if (!name.isEmpty() &&
            children.at(row)->storeValue(r.channel[ChannelName], DeviceLimits::cutName(name))) {
            mark |= 1 << ChannelName;
        }
    }
}

void NorvaleoDimmer::readSettings(const QJsonObject &settings, QVector<int> &changed,
                                  ChannelMarks &marks)
{
    if (settings.isEmpty()) {
        return;
    }
    const ReplyRoles &r = replyRoles();
    const auto storeReceived = [&](const char *member, int role) {
        const auto found = settings.constFind(QLatin1String(member));
        if (found != settings.constEnd()) {
            storeOwn(role, found.value().toVariant(), changed);
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
        storeOwn(r.controllerVersion, text, changed);
    }
    storeReceived("soft_version", r.dimmSoftVersion);
    const auto autodetect = settings.constFind(QLatin1String("input_autodetect"));
    if (autodetect != settings.constEnd()) {
        storeOwn(r.inputAutodetect,
                 DeviceProtocol::flagOf(DeviceProtocol::textOf(autodetect.value())), changed);
    }
    storeReceived("v_ref", r.vRef);
    storeReceived("v_power_supply", r.vPowerSupply);
    storeReceived("inner_tmp", r.innerTmp);
    storeReceived("extern_tmp", r.externTmp);
    storeReceived("modbus_address", r.modbusAddress);
    const auto autosave = settings.constFind(QLatin1String("autosave"));
    if (autosave != settings.constEnd()) {
        const QVariant flag = autosave.value().toVariant();
        storeOwn(r.autosave, flag, changed);
        // Only the channels this reply named; the others get it with their next reply.
        for (int row = 0; row < marks.byRow.size() && row < children.size(); ++row) {
            quint16 &mark = marks.byRow[row];
            if ((mark & NamedBit) &&
                children.at(row)->storeValue(r.channel[ChannelAutosave], flag)) {
                mark |= 1 << ChannelAutosave;
            }
        }
    }
    storeReceived("save_counter", r.saveCounter);
    storeReceived("crosszero_offset", r.crosszeroOffset);
    storeReceived("dimmer_half_period", r.dimmerHalfPeriod);
    storeReceived("dimmer_pulse_duration", r.dimmerPulseDuration);
    storeReceived("dimmer_use_timer_sinch", r.dimmerUseTimerSinch);
    const auto rs485 = settings.constFind(QLatin1String("rs485_speed"));
    if (rs485 != settings.constEnd()) {
        readRs485(rs485.value(), changed);
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

void NorvaleoDimmer::readRs485(const QJsonValue &value, QVector<int> &changed)
{
    const std::optional<DeviceProtocol::Rs485Line> line =
        DeviceProtocol::splitRs485(DeviceProtocol::textOf(value));
    if (!line || !isValidBaudRate(line->speed) ||
        (line->parity != QLatin1String("N") && line->parity != QLatin1String("E")) ||
        (line->stopBits != 1 && line->stopBits != 2) || line->dataBits != 8) {
        return;
    }
    const ReplyRoles &r = replyRoles();
    storeOwn(r.rs485Speed, line->speed, changed);
    storeOwn(r.rs485Parity, line->parity, changed);
    storeOwn(r.rs485StopBits, line->stopBits, changed);
    storeOwn(r.rs485DataBits, line->dataBits, changed);
}

void NorvaleoDimmer::readInputs(const QJsonObject &inputs, QVector<int> &changed)
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
    const ReplyRoles &r = replyRoles();
    storeOwn(r.inputsCount, types.size(), changed);
    storeOwn(r.inputsTypes, types, changed);
    storeOwn(r.inputsValues, values, changed);
}

// Read once per reply: looking through every channel for every member made a
// reply's cost grow with the square of its channels.
void NorvaleoDimmer::readChannelRows(ChannelMarks &marks)
{
    const int lightIdRole = replyRoles().lightId;
    marks.byRow.resize(children.size());
    std::fill(marks.byRow.begin(), marks.byRow.end(), quint16(0));
    marks.rowOfLightId.reserve(children.size());
    for (int row = 0; row < children.size(); ++row) {
        const QVariant *lightId = children.at(row)->storedValue(lightIdRole);
        marks.rowOfLightId.append({lightId ? lightId->toInt() : 0, row});
    }
    // Sorted by light_id, then row: the first match is the first row, as a
    // search in row order found it.
    std::sort(marks.rowOfLightId.begin(), marks.rowOfLightId.end());
}

int NorvaleoDimmer::channelRow(int number, const QString &memberName, ChannelMarks &marks)
{
    const auto found = std::lower_bound(marks.rowOfLightId.cbegin(), marks.rowOfLightId.cend(),
                                        QPair<int, int>(number, -1));
    if (found != marks.rowOfLightId.cend() && found->first == number) {
        return found->second;
    }
    const int row = createChannel(number, memberName);
    if (row < 0) {
        return -1;
    }
    // Channels added by this reply: the tree grew by one row at the end.
    while (marks.byRow.size() < children.size()) {
        marks.byRow.append(0);
    }
    if (children.at(row)->storedValue(replyRoles().lightId)->toInt() == number) {
        const auto at = std::lower_bound(marks.rowOfLightId.begin(), marks.rowOfLightId.end(),
                                         QPair<int, int>(number, row));
        marks.rowOfLightId.insert(at, {number, row});
    }
    return row;
}

// A channel the device reports and the list does not have yet, named after
// its member's number; its row, or -1 when none was added.
int NorvaleoDimmer::createChannel(int number, const QString &memberName)
{
    // A device cannot make the list grow beyond what a settings file holds.
    if (children.size() >= DeviceLimits::MaxChannels) {
        return -1;
    }
    const QModelIndex self = selfIndex();
    auto *channel = new Dimmer(DeviceLimits::cutName(tr("Лампа %1").arg(memberName.mid(8))),
                               runningCount(self), this);
    const std::shared_ptr<AbstractDeviceModel> item(channel, DeviceDeleter(true));
    Q_EMIT itemPreparedToInsert(self, item);
    // The tree takes the channel synchronously as the last child; if nobody
    // did, the armed pointer deletes it on return.
    if (children.isEmpty() || children.last() != channel) {
        return -1;
    }
    const int row = children.size() - 1;
    setData(childIndex(row), number, replyRoles().lightId);
    return row;
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
    route.forgetConfirmation();
    rememberVouched();
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
    if (pollTick > LastDimmerInfoTick || !route.isConfirmed()) {
        pollTick = 0;
        requestSystemInfo();
        return;
    }
    ++pollTick;
    requestDimmerInfo();
}

void NorvaleoDimmer::setConnected(bool connected)
{
    if (!connected) {
        pollTick = SystemInfoTick;
    }
    // Every reply ends here: compared in place, a signal only for a change.
    const int role = replyRoles().connectionStatus;
    const QVariant value(connected);
    bool channelsChanged = false;
    for (AbstractDeviceModel *channel : std::as_const(children)) {
        channelsChanged = channel->storeValue(role, value) || channelsChanged;
    }
    if (channelsChanged) {
        Q_EMIT dataChanged(childIndex(0), childIndex(children.size() - 1), {});
    }
    if (storeValue(role, value)) {
        const QModelIndex self = selfIndex();
        Q_EMIT dataChanged(self, self, {role});
    }
}

void NorvaleoDimmer::switchInterface()
{
    route.switchAddress();
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
