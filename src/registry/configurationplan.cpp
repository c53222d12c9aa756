#include "registry/configurationplan.h"

#include "device/deviceprotocol.h"
#include "device/dimmerinputstypes.h"
#include "model/dimmer.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace {

QString jsonFlag(bool flag)
{
    return flag ? QStringLiteral("true") : QStringLiteral("false");
}

QString compactJson(const QJsonObject &object)
{
    return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
}

QString flagText(bool flag)
{
    return flag ? ConfigurationPlan::tr("вкл") : ConfigurationPlan::tr("выкл");
}

QString shownText(const QString &text)
{
    return text.isEmpty() ? ConfigurationPlan::tr("(пусто)") : text;
}

QString microseconds(int value)
{
    return ConfigurationPlan::tr("%1 мкс").arg(value);
}

// The channel page's names of the output types.
QString outputTypeText(int type)
{
    switch (type) {
    case Dimmer::NO_TYPE:
        return ConfigurationPlan::tr("None");
    case Dimmer::T_EDGE:
        return ConfigurationPlan::tr("Trailing edge");
    case Dimmer::L_EDGE:
        return ConfigurationPlan::tr("Leading edge");
    case Dimmer::PWM:
        return ConfigurationPlan::tr("PWM");
    case Dimmer::DIGITAL:
        return ConfigurationPlan::tr("Digital out");
    default:
        return QString::number(type);
    }
}

// The inputs page's names of the input functions, on one line.
QString inputTypeText(int type)
{
    switch (type) {
    case DimmerInputsTypes::NO_FUNCTION:
        return ConfigurationPlan::tr("Не используется");
    case DimmerInputsTypes::ADC:
        return ConfigurationPlan::tr("Аналоговый вход (0-10В)");
    case DimmerInputsTypes::CH_ON_OFF_DIMMING:
        return ConfigurationPlan::tr("Нажатие - вкл/выкл канал, удержание - диммирование");
    case DimmerInputsTypes::CH_ON_OFF_ALL_ON_OFF:
        return ConfigurationPlan::tr("Нажатие - вкл/выкл канал, удержание - вкл/выкл всё");
    case DimmerInputsTypes::ALL_ON_OFF_CH_DIMMING:
        return ConfigurationPlan::tr("Нажатие - вкл/выкл всё, удержание - диммирование канала");
    case DimmerInputsTypes::CH_CLASSIC_ON_OFF:
        return ConfigurationPlan::tr("Классический выключатель");
    case DimmerInputsTypes::CH_TOGGLE_ON_OFF:
        return ConfigurationPlan::tr("Классический переключатель");
    default:
        return QString::number(type);
    }
}

} // namespace

std::optional<ConfigurationPlan> ConfigurationPlan::build(const ControllerConfiguration &current,
                                                          const ControllerConfiguration &file,
                                                          QString *error)
{
    if (file.origin.type != current.origin.type) {
        *error = tr("файл снят с контроллера другого типа (%1), а это %2")
                     .arg(shownText(file.origin.type), current.origin.type);
        return std::nullopt;
    }
    ConfigurationPlan plan;
    for (const ControllerConfiguration::Channel &channel : file.channels) {
        const auto own = std::find_if(current.channels.cbegin(), current.channels.cend(),
                                      [&](const ControllerConfiguration::Channel &c) {
                                          return c.lightId == channel.lightId;
                                      });
        if (own == current.channels.cend()) {
            plan.skippedChannels.append(channel.lightId);
        } else {
            plan.planChannel(*own, channel);
        }
    }
    plan.planInputs(current, file);
    plan.planDimming(current, file);
    plan.planLine(current, file);
    if (current.autosave != file.autosave) {
        plan.addRequest(0, "autosave_settings", file.autosave,
                        {plan.addChange(tr("Автосохранение настроек"), flagText(current.autosave),
                                        flagText(file.autosave))});
    }
    if (current.name != file.name) {
        plan.addRequest(0, "name", file.name,
                        {plan.addChange(tr("Имя контроллера"), current.name, file.name)});
    }
    plan.planNetwork(current.wifi, file.wifi, true);
    plan.planNetwork(current.lan, file.lan, false);
    return plan;
}

int ConfigurationPlan::addChange(const QString &setting, const QString &current,
                                 const QString &proposed, bool network)
{
    changes.append({setting, shownText(current), shownText(proposed), network});
    return changes.size() - 1;
}

void ConfigurationPlan::addRequest(int lightId, const QByteArray &role, const QVariant &value,
                                   const QVector<int> &changeList, bool network)
{
    requests.append({lightId, role, value, network, changeList});
}

void ConfigurationPlan::planChannel(const ControllerConfiguration::Channel &current,
                                    const ControllerConfiguration::Channel &file)
{
    const QString channel = tr("Канал %1 «%2»: ").arg(current.lightId).arg(current.name);
    const int id = current.lightId;
    // In the order the channel page sends them.
    if (current.name != file.name) {
        addRequest(id, "name", file.name,
                   {addChange(channel + tr("имя"), current.name, file.name)});
    }
    if (current.slowTime != file.slowTime) {
        addRequest(id, "slow_time", file.slowTime,
                   {addChange(channel + tr("замедление изменения яркости"),
                              tr("%1 мс").arg(current.slowTime), tr("%1 мс").arg(file.slowTime))});
    }
    // The device takes no NO_TYPE, and neither does the page's request.
    if (current.lightType != file.lightType && file.lightType != Dimmer::NO_TYPE) {
        addRequest(id, "light_type", file.lightType,
                   {addChange(channel + tr("тип выхода"), outputTypeText(current.lightType),
                              outputTypeText(file.lightType))});
    }
    if (current.minBrightness != file.minBrightness) {
        addRequest(
            id, "min_brightness", file.minBrightness,
            {addChange(channel + tr("минимальная яркость"), QString::number(current.minBrightness),
                       QString::number(file.minBrightness))});
    }
    if (current.maxBrightness != file.maxBrightness) {
        addRequest(
            id, "max_brightness", file.maxBrightness,
            {addChange(channel + tr("максимальная яркость"), QString::number(current.maxBrightness),
                       QString::number(file.maxBrightness))});
    }
}

void ConfigurationPlan::planInputs(const ControllerConfiguration &current,
                                   const ControllerConfiguration &file)
{
    if (current.inputAutodetect != file.inputAutodetect) {
        addRequest(0, "input_autodetect", file.inputAutodetect,
                   {addChange(tr("Автоопределение типа входов"), flagText(current.inputAutodetect),
                              flagText(file.inputAutodetect))});
    }
    // The page sends the functions only without autodetection; a controller
    // with fewer inputs takes the first ones, one with more keeps the rest.
    if (file.inputAutodetect) {
        return;
    }
    QVariantList types;
    QVector<int> changed;
    for (int i = 0; i < current.inputsTypes.size(); ++i) {
        const int own = current.inputsTypes.at(i);
        const int wanted = file.inputsTypes.value(i, own);
        types.append(wanted);
        if (wanted != own) {
            changed.append(addChange(tr("Вход %1: тип входа").arg(i + 1), inputTypeText(own),
                                     inputTypeText(wanted)));
        }
    }
    if (!changed.isEmpty()) {
        addRequest(0, "inputs_types", types, changed);
    }
}

void ConfigurationPlan::planDimming(const ControllerConfiguration &current,
                                    const ControllerConfiguration &file)
{
    QVector<int> changed;
    const auto compare = [&](const QString &setting, int own, int wanted) {
        if (own != wanted) {
            changed.append(addChange(setting, microseconds(own), microseconds(wanted)));
        }
    };
    compare(tr("Смещение перехода нуля"), current.crosszeroOffset, file.crosszeroOffset);
    compare(tr("Полупериод сети"), current.halfPeriod, file.halfPeriod);
    compare(tr("Максимальная длительность импульса"), current.pulseDuration, file.pulseDuration);
    if (current.useTimerSinch != file.useTimerSinch) {
        changed.append(addChange(tr("Использовать таймер"), flagText(current.useTimerSinch),
                                 flagText(file.useTimerSinch)));
    }
    if (changed.isEmpty()) {
        return;
    }
    // All four members, as strings, as the dimming page composes them.
    const QJsonObject text{
        {QStringLiteral("crosszero_offset"), QString::number(file.crosszeroOffset)},
        {QStringLiteral("half_period"), QString::number(file.halfPeriod)},
        {QStringLiteral("pulse_duration"), QString::number(file.pulseDuration)},
        {QStringLiteral("use_timer_sinch"), jsonFlag(file.useTimerSinch)}};
    addRequest(0, "dimmimg_all_settings", compactJson(text), changed);
}

void ConfigurationPlan::planLine(const ControllerConfiguration &current,
                                 const ControllerConfiguration &file)
{
    QVector<int> changed;
    if (current.rs485Speed != file.rs485Speed) {
        changed.append(addChange(tr("RS485: скорость"), QString::number(current.rs485Speed),
                                 QString::number(file.rs485Speed)));
    }
    if (current.rs485Parity != file.rs485Parity) {
        changed.append(addChange(tr("RS485: четность"), current.rs485Parity, file.rs485Parity));
    }
    if (current.rs485StopBits != file.rs485StopBits) {
        changed.append(addChange(tr("RS485: количество стоп-бит"),
                                 QString::number(current.rs485StopBits),
                                 QString::number(file.rs485StopBits)));
    }
    if (!changed.isEmpty()) {
        addRequest(0, "rs485_all_settings",
                   QStringLiteral("%1 8%2%3")
                       .arg(file.rs485Speed)
                       .arg(file.rs485Parity)
                       .arg(file.rs485StopBits),
                   changed);
    }
    if (current.modbusAddress != file.modbusAddress) {
        addRequest(0, "modbus_address", file.modbusAddress,
                   {addChange(tr("ModbusRTU адрес"), QString::number(current.modbusAddress),
                              QString::number(file.modbusAddress))});
    }
}

void ConfigurationPlan::planNetwork(const ControllerConfiguration::Network &current,
                                    const ControllerConfiguration::Network &file, bool wifi)
{
    const QString prefix = wifi ? QStringLiteral("wifi") : QStringLiteral("lan");
    const QString part = wifi ? tr("Wi-Fi: ") : tr("Проводная сеть: ");
    QVector<int> changed;
    const auto compare = [&](const QString &setting, const QString &own, const QString &wanted) {
        if (own != wanted) {
            changed.append(addChange(part + setting, own, wanted, true));
        }
    };
    // An empty name is no network to join: the controller keeps its own.
    const bool joins = wifi && !file.ssid.isEmpty() && file.ssid != current.ssid;
    if (joins) {
        compare(tr("имя сети"), current.ssid, file.ssid);
    }
    if (current.dhcp != file.dhcp) {
        changed.append(
            addChange(part + tr("DHCP"), flagText(current.dhcp), flagText(file.dhcp), true));
    }
    if (!file.dhcp) {
        compare(tr("Ip адрес"), current.address, file.address);
        compare(tr("маска подсети"), current.mask, file.mask);
        compare(tr("адрес шлюза"), current.gate, file.gate);
    }
    if (changed.isEmpty()) {
        return;
    }
    QJsonObject settings{{prefix + QStringLiteral("_dhcp"), jsonFlag(file.dhcp)},
                         {prefix + QStringLiteral("_ip"), file.address},
                         {prefix + QStringLiteral("_mask"), file.mask},
                         {prefix + QStringLiteral("_gate"), file.gate}};
    if (joins) {
        settings.insert(QStringLiteral("wifi_ssid"), file.ssid);
        wifiNeedsPassword = true;
    }
    addRequest(0, (prefix + QStringLiteral("_all_settings")).toLatin1(),
               QJsonObject{{prefix + QStringLiteral("_settings"), settings}}.toVariantMap(),
               changed, true);
}

QVector<ConfigurationPlan::Request>
ConfigurationPlan::requestsToSend(bool withNetwork, const QString &wifiPassword) const
{
    QVector<Request> result;
    for (Request request : requests) {
        if (request.network && !withNetwork) {
            continue;
        }
        // Network texts are kept as maps until the password is known.
        if (request.value.userType() == QMetaType::QVariantMap) {
            QJsonObject object = QJsonObject::fromVariantMap(request.value.toMap());
            QJsonObject settings = object.value(QStringLiteral("wifi_settings")).toObject();
            if (settings.contains(QStringLiteral("wifi_ssid"))) {
                settings.insert(QStringLiteral("wifi_pass"), wifiPassword);
                object.insert(QStringLiteral("wifi_settings"), settings);
            }
            request.value = compactJson(object);
        }
        result.append(request);
    }
    return result;
}

std::optional<QUrlQuery> ConfigurationPlan::queryOf(const Request &request)
{
    const QByteArray &role = request.role;
    const QVariant &value = request.value;
    if (request.lightId > 0) {
        const int channel = request.lightId;
        if (role == "name") {
            return DeviceProtocol::channelName(channel, value);
        }
        if (role == "slow_time") {
            return DeviceProtocol::slowTime(channel, value);
        }
        if (role == "light_type") {
            return DeviceProtocol::lightType(channel, value);
        }
        if (role == "min_brightness") {
            return DeviceProtocol::minBrightness(channel, value);
        }
        if (role == "max_brightness") {
            return DeviceProtocol::maxBrightness(channel, value);
        }
        return std::nullopt;
    }
    const auto group = [](const std::optional<DeviceProtocol::GroupRequest> &request) {
        return request ? std::optional<QUrlQuery>(request->query) : std::nullopt;
    };
    if (role == "input_autodetect") {
        return DeviceProtocol::inputAutodetect(value);
    }
    if (role == "inputs_types") {
        return DeviceProtocol::inputsTypes(value);
    }
    if (role == "dimmimg_all_settings") {
        return group(DeviceProtocol::dimmingSettings(value));
    }
    if (role == "rs485_all_settings") {
        return group(DeviceProtocol::rs485Settings(value));
    }
    if (role == "modbus_address") {
        return DeviceProtocol::modbusAddress(value);
    }
    if (role == "autosave_settings") {
        return DeviceProtocol::autosave(value);
    }
    if (role == "name") {
        return DeviceProtocol::deviceName(value);
    }
    if (role == "wifi_all_settings") {
        return group(DeviceProtocol::wifiSettings(value));
    }
    if (role == "lan_all_settings") {
        return group(DeviceProtocol::lanSettings(value));
    }
    return std::nullopt;
}

QStringList ConfigurationPlan::settingsOf(const QVector<Request> &requests, int from, int to) const
{
    QStringList settings;
    for (int i = from; i < to && i < requests.size(); ++i) {
        for (const int change : requests.at(i).changes) {
            settings.append(changes.at(change).setting);
        }
    }
    return settings;
}

QString ConfigurationPlan::outcomeText(const QVector<Request> &sent, int applied) const
{
    const QString none = tr("ничего");
    const QStringList done = settingsOf(sent, 0, applied);
    const QStringList left = settingsOf(sent, applied, sent.size());
    QString text =
        tr("Применено: %1.").arg(done.isEmpty() ? none : done.join(QStringLiteral("; ")));
    if (!left.isEmpty()) {
        text += QLatin1Char('\n') + tr("Не применено: %1.").arg(left.join(QStringLiteral("; ")));
    }
    return text;
}
