#include "cli/ctl.h"

#include "cli/level.h"
#include "cli/outputtext.h"
#include "device/deviceprotocol.h"
#include "discovery/devicessearcher.h"
#include "model/dimmer.h"
#include "model/hostaddresstext.h"
#include "registry/roleregistry.h"
#include "registry/settingsfile.h"

#include <QEventLoop>
#include <QJsonArray>
#include <QMetaEnum>
#include <QTimer>

#include <algorithm>
#include <cmath>

namespace {

const QString missing = QStringLiteral("-");

// An address as JSON: null when the controller has none.
QJsonValue addressJson(const QString &address)
{
    return address.isEmpty() ? QJsonValue() : QJsonValue(address);
}

// Readings arrive as numbers or as texts of numbers; anything else is null.
QJsonValue numberJson(const QVariant &value)
{
    bool ok = false;
    const double number = value.toDouble(&ok);
    return ok && std::isfinite(number) ? QJsonValue(number) : QJsonValue();
}

QString linkText(bool up)
{
    return up ? QStringLiteral("связь есть") : QStringLiteral("связи нет");
}

} // namespace

Ctl::Ctl(const CtlCommandLine &line, const SettingsFile &file)
    : line(line), settingsPath(file.readPath()), lookup(file)
{
}

int Ctl::run(const QStringList &arguments)
{
    const CtlCommandLine line = CtlCommandLine::parse(arguments);
    if (line.help) {
        OutputText::print(CtlCommandLine::helpText(line.command));
        return Done;
    }
    if (line.version) {
        OutputText::print(CtlCommandLine::versionText());
        return Done;
    }
    if (!line.error.isEmpty()) {
        OutputText::printError(line.error + QStringLiteral(" (справка: norvaleo-ctl --help)"));
        return UsageError;
    }
    RoleRegistry::fill();
    Ctl ctl(line, settingsFile(line.settingsDirectory));
    if (line.command == QLatin1String("search")) {
        return ctl.search();
    }
    if (line.command == QLatin1String("list")) {
        return ctl.list();
    }
    if (line.command == QLatin1String("status")) {
        return ctl.status();
    }
    return ctl.set();
}

SettingsFile Ctl::settingsFile(const QString &directory)
{
    return directory.isEmpty() ? SettingsFile() : SettingsFile::inDirectory(directory);
}

// --- search ---

int Ctl::search()
{
    DevicesSearcher searcher;
    QEventLoop loop;
    QObject::connect(&searcher, &DevicesSearcher::searchingFinished, &loop, &QEventLoop::quit);
    QTimer limit;
    limit.setSingleShot(true);
    QObject::connect(&limit, &QTimer::timeout, &loop, &QEventLoop::quit);
    if (line.timeoutSeconds > 0) {
        limit.start(int(std::ceil(line.timeoutSeconds * 1000)));
    }
    searcher.startSearching();
    loop.exec();
    searcher.stopSearching();

    QVector<DeviceDescription> devices = searcher.foundDevices();
    std::sort(devices.begin(), devices.end(),
              [](const DeviceDescription &a, const DeviceDescription &b) {
                  return a.uniqueId < b.uniqueId;
              });
    printSearch(devices);
    return Done;
}

void Ctl::printSearch(const QVector<DeviceDescription> &devices)
{
    if (line.json) {
        QJsonArray controllers;
        for (const DeviceDescription &device : devices) {
            controllers.append(
                QJsonObject{{QStringLiteral("unique_id"), device.uniqueId},
                            {QStringLiteral("name"), device.name},
                            {QStringLiteral("wired_address"), addressJson(device.ipAddress1)},
                            {QStringLiteral("wifi_address"), addressJson(device.ipAddress2)}});
        }
        OutputText::print(OutputText::json({{QStringLiteral("controllers"), controllers}}));
        return;
    }
    if (devices.isEmpty()) {
        OutputText::print(QStringLiteral("Контроллеры не найдены\n"));
        return;
    }
    QVector<QStringList> rows{{QStringLiteral("Уникальный номер"), QStringLiteral("Имя"),
                               QStringLiteral("Проводная сеть"), QStringLiteral("Wi-Fi")}};
    for (const DeviceDescription &device : devices) {
        rows.append({shown(device.uniqueId), shown(device.name), shown(device.ipAddress1),
                     shown(device.ipAddress2)});
    }
    OutputText::print(OutputText::table(rows));
}

// --- list ---

int Ctl::list()
{
    const QVector<QPersistentModelIndex> controllers = lookup.controllers();
    if (line.json) {
        QJsonArray array;
        for (const QPersistentModelIndex &controller : controllers) {
            QJsonObject object = controllerJson(controller);
            QJsonArray channels;
            for (const QPersistentModelIndex &channel : lookup.channels(controller)) {
                channels.append(channelJson(channel));
            }
            object.insert(QStringLiteral("channels"), channels);
            array.append(object);
        }
        OutputText::print(OutputText::json({{QStringLiteral("settings_file"), settingsPath},
                                            {QStringLiteral("controllers"), array}}));
        return Done;
    }
    if (controllers.isEmpty()) {
        OutputText::print(
            QStringLiteral("В файле настроек %1 нет контроллеров\n").arg(shown(settingsPath)));
        return Done;
    }
    QVector<QStringList> rows{{QStringLiteral("Уникальный номер"), QStringLiteral("Имя"),
                               QStringLiteral("Проводная сеть"), QStringLiteral("Wi-Fi"),
                               QStringLiteral("Каналы")}};
    for (const QPersistentModelIndex &controller : controllers) {
        rows.append({shown(lookup.text(controller, "uniqueId")),
                     shown(lookup.text(controller, "name")),
                     shown(lookup.text(controller, "ipAddress_1")),
                     shown(lookup.text(controller, "ipAddress_2")),
                     QString::number(lookup.channels(controller).size())});
    }
    OutputText::print(OutputText::table(rows));
    return Done;
}

// --- status ---

int Ctl::status()
{
    QPersistentModelIndex controller;
    const int found = resolveController(line.arguments.at(0), controller);
    if (found != Done) {
        return found;
    }
    ControllerLink link(lookup.model(), controller);
    const int confirmed = confirmIdentity(controller, link);
    if (confirmed != Done) {
        return confirmed;
    }
    const ControllerLink::Outcome outcome = link.request(DeviceProtocol::dimmerInfo());
    if (outcome.result != ControllerLink::Result::Done) {
        return reportFailure(controller, outcome);
    }
    if (line.json) {
        OutputText::print(OutputText::json(statusJson(controller, link)));
    } else {
        printStatusTable(controller, link);
    }
    return Done;
}

QJsonObject Ctl::statusJson(const QModelIndex &controller, const ControllerLink &link)
{
    QJsonObject object = controllerJson(controller);
    object.insert(
        QStringLiteral("connection"),
        QJsonObject{
            {QStringLiteral("address"), link.addressInUse()},
            {QStringLiteral("interface"),
             link.wiredInUse() ? QStringLiteral("wired") : QStringLiteral("wifi")},
            {QStringLiteral("wired_link"), lookup.value(controller, "lan_status").toBool()},
            {QStringLiteral("wifi_link"), lookup.value(controller, "wifi_status").toBool()}});
    object.insert(
        QStringLiteral("versions"),
        QJsonObject{{QStringLiteral("network"), lookup.text(controller, "net_soft_version")},
                    {QStringLiteral("controller"), lookup.text(controller, "controller_version")},
                    {QStringLiteral("dimmer"), lookup.text(controller, "dimm_soft_version")}});
    object.insert(
        QStringLiteral("temperatures"),
        QJsonObject{
            {QStringLiteral("inner"), numberJson(lookup.value(controller, "inner_tmp"))},
            {QStringLiteral("external"), numberJson(lookup.value(controller, "extern_tmp"))}});
    QJsonArray channels;
    for (const QPersistentModelIndex &channel : sortedChannels(controller)) {
        channels.append(levelJson(channel));
    }
    object.insert(QStringLiteral("channels"), channels);
    return object;
}

void Ctl::printStatusTable(const QModelIndex &controller, const ControllerLink &link)
{
    const auto address = [&](const QByteArray &role, const QByteArray &linkRole) {
        return QStringLiteral("%1, %2").arg(shown(lookup.text(controller, role)),
                                            linkText(lookup.value(controller, linkRole).toBool()));
    };
    const QVector<QStringList> facts{
        {QStringLiteral("Контроллер"), shown(lookup.text(controller, "name"))},
        {QStringLiteral("Уникальный номер"), shown(lookup.text(controller, "uniqueId"))},
        {QStringLiteral("Проводная сеть"), address("ipAddress_1", "lan_status")},
        {QStringLiteral("Wi-Fi"), address("ipAddress_2", "wifi_status")},
        {QStringLiteral("Ответил"),
         QStringLiteral("%1 (%2)").arg(shown(link.addressInUse()),
                                       link.wiredInUse() ? QStringLiteral("проводная сеть")
                                                         : QStringLiteral("Wi-Fi"))},
        {QStringLiteral("Версия сети"), shown(lookup.text(controller, "net_soft_version"))},
        {QStringLiteral("Микроконтроллер"), shown(lookup.text(controller, "controller_version"))},
        {QStringLiteral("Версия диммера"), shown(lookup.text(controller, "dimm_soft_version"))},
        {QStringLiteral("Температура"), QStringLiteral("внутри %1 °C, снаружи %2 °C")
                                            .arg(shown(lookup.text(controller, "inner_tmp")),
                                                 shown(lookup.text(controller, "extern_tmp")))}};
    QVector<QStringList> channels{{QStringLiteral("Канал"), QStringLiteral("Имя"),
                                   QStringLiteral("Уровень"), QStringLiteral("%"),
                                   QStringLiteral("Тип")}};
    for (const QPersistentModelIndex &channel : sortedChannels(controller)) {
        const int level = lookup.value(channel, "brightness").toInt();
        channels.append({lookup.text(channel, "light_id"), shown(lookup.text(channel, "name")),
                         QString::number(level), QString::number(Level::percentOf(level)),
                         typeKey(channel)});
    }
    OutputText::print(OutputText::table(facts) + QLatin1Char('\n') + OutputText::table(channels));
}

// --- set ---

int Ctl::set()
{
    QPersistentModelIndex controller;
    const int found = resolveController(line.arguments.at(0), controller);
    if (found != Done) {
        return found;
    }
    const QString channelText = line.arguments.at(1);
    const int level = Level::parse(line.arguments.at(2)).value_or(0);
    ControllerLink link(lookup.model(), controller);
    // As the window does: no change goes to an address before the controller
    // there has said who it is.
    const int confirmed = confirmIdentity(controller, link);
    if (confirmed != Done) {
        return confirmed;
    }

    ControllerLookup::Match channel = lookup.findChannel(controller, channelText);
    if (!channel.index.isValid() && channel.candidates.isEmpty()) {
        // The file need not know every channel: the controller's own list decides.
        const ControllerLink::Outcome outcome = link.request(DeviceProtocol::dimmerInfo());
        if (outcome.result != ControllerLink::Result::Done) {
            return reportFailure(controller, outcome);
        }
        channel = lookup.findChannel(controller, channelText);
    }
    if (!channel.candidates.isEmpty()) {
        QStringList numbers;
        for (const QPersistentModelIndex &candidate : channel.candidates) {
            numbers.append(lookup.text(candidate, "light_id"));
        }
        return reportAmbiguous(QStringLiteral("каналов"), channelText, numbers);
    }
    if (!channel.index.isValid()) {
        OutputText::printError(
            QStringLiteral("%1: канал «%2» не найден").arg(label(controller), shown(channelText)));
        return NotFound;
    }

    const int lightId = lookup.value(channel.index, "light_id").toInt();
    ControllerLink::Outcome outcome = link.request(DeviceProtocol::brightness(lightId, level));
    if (outcome.result != ControllerLink::Result::Done) {
        return reportFailure(controller, outcome);
    }
    outcome = link.request(DeviceProtocol::dimmerInfo());
    if (outcome.result != ControllerLink::Result::Done) {
        return reportFailure(controller, outcome);
    }
    const int reported = lookup.value(channel.index, "brightness").toInt();
    if (reported != level) {
        OutputText::printError(
            QStringLiteral("%1, канал %2: контроллер сообщает уровень %3, а не %4")
                .arg(label(controller))
                .arg(lightId)
                .arg(reported)
                .arg(level));
        return DeviceFailed;
    }
    if (line.json) {
        QJsonObject object = controllerJson(controller);
        object.insert(QStringLiteral("channel"), levelJson(channel.index));
        OutputText::print(OutputText::json(object));
    } else {
        OutputText::print(QStringLiteral("%1, канал %2 «%3»: %4 (%5%)\n")
                              .arg(label(controller))
                              .arg(lightId)
                              .arg(shown(lookup.text(channel.index, "name")))
                              .arg(level)
                              .arg(Level::percentOf(level)));
    }
    return Done;
}

// --- finding and reporting ---

int Ctl::resolveController(const QString &text, QPersistentModelIndex &controller)
{
    const ControllerLookup::Match match = lookup.findController(text);
    if (!match.candidates.isEmpty()) {
        QStringList labels;
        for (const QPersistentModelIndex &candidate : match.candidates) {
            labels.append(label(candidate));
        }
        return reportAmbiguous(QStringLiteral("контроллеров"), text, labels);
    }
    if (match.index.isValid()) {
        controller = match.index;
        return Done;
    }
    const QString address = HostAddressText::canonical(text);
    if (address.isNull()) {
        OutputText::printError(QStringLiteral("контроллер «%1» не найден в файле настроек %2")
                                   .arg(shown(text), shown(settingsPath)));
        return NotFound;
    }
    controller = lookup.addControllerAt(address);
    if (!controller.isValid()) {
        OutputText::printError(
            QStringLiteral("%1: контроллер не ответил на приветствие").arg(address));
        return DeviceFailed;
    }
    return Done;
}

int Ctl::confirmIdentity(const QModelIndex &controller, ControllerLink &link)
{
    // The link takes the answer only when the node knows its own controller in it.
    const ControllerLink::Outcome outcome = link.request(DeviceProtocol::systemInfo());
    return outcome.result == ControllerLink::Result::Done ? Done
                                                          : reportFailure(controller, outcome);
}

int Ctl::reportAmbiguous(const QString &what, const QString &text, const QStringList &names)
{
    OutputText::printError(QStringLiteral("имя «%1» носят несколько %2: %3")
                               .arg(shown(text), what, names.join(QStringLiteral(", "))));
    return NotFound;
}

int Ctl::reportFailure(const QModelIndex &controller, const ControllerLink::Outcome &outcome)
{
    OutputText::printError(label(controller) + QStringLiteral(": ") + shown(outcome.failure));
    return DeviceFailed;
}

QString Ctl::label(const QModelIndex &controller) const
{
    return QStringLiteral("«%1» (%2)")
        .arg(shown(lookup.text(controller, "name")), shown(lookup.text(controller, "uniqueId")));
}

QString Ctl::shown(const QString &text)
{
    return text.isEmpty() ? missing : OutputText::escaped(text);
}

// --- JSON ---

QJsonObject Ctl::controllerJson(const QModelIndex &controller) const
{
    return {{QStringLiteral("unique_id"), lookup.text(controller, "uniqueId")},
            {QStringLiteral("name"), lookup.text(controller, "name")},
            {QStringLiteral("wired_address"), addressJson(lookup.text(controller, "ipAddress_1"))},
            {QStringLiteral("wifi_address"), addressJson(lookup.text(controller, "ipAddress_2"))}};
}

QJsonObject Ctl::channelJson(const QModelIndex &channel) const
{
    return {{QStringLiteral("light_id"), lookup.value(channel, "light_id").toInt()},
            {QStringLiteral("name"), lookup.text(channel, "name")},
            {QStringLiteral("favourite"), lookup.value(channel, "favourites").toBool()}};
}

QJsonObject Ctl::levelJson(const QModelIndex &channel) const
{
    QJsonObject object = channelJson(channel);
    const int level = lookup.value(channel, "brightness").toInt();
    object.insert(QStringLiteral("brightness"), level);
    object.insert(QStringLiteral("percent"), Level::percentOf(level));
    object.insert(QStringLiteral("type"), typeKey(channel));
    return object;
}

QString Ctl::typeKey(const QModelIndex &channel) const
{
    const char *key =
        QMetaEnum::fromType<Dimmer::Type>().valueToKey(lookup.value(channel, "light_type").toInt());
    return key ? QString::fromLatin1(key) : QString();
}

QVector<QPersistentModelIndex> Ctl::sortedChannels(const QModelIndex &controller) const
{
    QVector<QPersistentModelIndex> channels = lookup.channels(controller);
    std::stable_sort(channels.begin(), channels.end(),
                     [this](const QPersistentModelIndex &a, const QPersistentModelIndex &b) {
                         return lookup.value(a, "light_id").toInt() <
                                lookup.value(b, "light_id").toInt();
                     });
    return channels;
}
