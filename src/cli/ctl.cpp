#include "cli/ctl.h"

#include "cli/level.h"
#include "cli/outputtext.h"
#include "device/deviceprotocol.h"
#include "discovery/addressrange.h"
#include "discovery/devicessearcher.h"
#include "model/dimmer.h"
#include "model/hostaddresstext.h"
#include "registry/configurationplan.h"
#include "registry/roleregistry.h"
#include "registry/settingsfile.h"

#include <QEventLoop>
#include <QFile>
#include <QJsonArray>
#include <QMetaEnum>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <cstdio>

#ifdef Q_OS_WIN
#include <io.h>
#else
#include <unistd.h>
#endif

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

// A person watches the search: say who answered as they answer.
bool stdoutIsTerminal()
{
#ifdef Q_OS_WIN
    return _isatty(_fileno(stdout)) != 0;
#else
    return isatty(fileno(stdout)) != 0;
#endif
}

// Where the window's information page shows the same value.
const QString uniqueIdLabel = QStringLiteral("Id устройства");

} // namespace

Ctl::Ctl(const CtlCommandLine &line, const SettingsFile &file)
    : line(line), settingsPath(file.readPath()), fileCheck(SettingsFileCheck::of(settingsPath)),
      lookup(file)
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
        OutputText::printError(QStringLiteral("%1 (справка: %2)")
                                   .arg(OutputText::escaped(line.error), line.helpHint()));
        return UsageError;
    }
    RoleRegistry::fill();
    Ctl ctl(line, settingsFile(line.settingsDirectory));
    if (line.command == QLatin1String("search")) {
        return ctl.search();
    }
    // Whatever the command, a directory that cannot be one is a mistake in the line.
    if (ctl.fileCheck.result == SettingsFileCheck::Result::NotADirectory) {
        OutputText::printError(ctl.fileCheck.text);
        return UsageError;
    }
    if (line.command == QLatin1String("list")) {
        return ctl.list();
    }
    if (line.command == QLatin1String("status")) {
        return ctl.status();
    }
    if (line.command == QLatin1String("backup")) {
        return ctl.backup();
    }
    if (line.command == QLatin1String("restore")) {
        return ctl.restore();
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
    const QString failure = runSearch(searcher);
    if (!failure.isEmpty()) {
        OutputText::printError(
            QStringLiteral("поиск: приветствие не отправлено ни на один адрес: %1").arg(failure));
        return DeviceFailed;
    }
    QVector<DeviceDescription> devices = searcher.foundDevices();
    std::sort(devices.begin(), devices.end(),
              [](const DeviceDescription &a, const DeviceDescription &b) {
                  return a.uniqueId < b.uniqueId;
              });
    printSearch(devices);
    return Done;
}

// What the search lasts at most, as a person reads it: "11,2".
QString Ctl::searchSeconds() const
{
    // Broadcast: 14 greetings 800 ms apart; a network: 14 one second apart.
    const double run = line.arguments.isEmpty() ? 11.2 : 14;
    const double seconds = line.timeoutSeconds > 0 ? std::min(run, line.timeoutSeconds) : run;
    return QString::number(seconds, 'g', 4).replace(QLatin1Char('.'), QLatin1Char(','));
}

QString Ctl::runSearch(DevicesSearcher &searcher)
{
    QEventLoop loop;
    QString failure;
    QObject::connect(&searcher, &DevicesSearcher::searchingFinished, &loop, &QEventLoop::quit);
    QObject::connect(&searcher, &DevicesSearcher::greetingsNotSent,
                     [&failure](const QString &, const QString &reason) {
                         failure = reason.isEmpty() ? QStringLiteral("ошибка сети") : reason;
                     });
    if (stdoutIsTerminal()) {
        OutputText::printProgress(
            QStringLiteral("поиск контроллеров, не дольше %1 с…").arg(searchSeconds()));
        QObject::connect(&searcher, &DevicesSearcher::deviceAnswered,
                         [](const DeviceDescription &device) {
                             OutputText::printProgress(
                                 QStringLiteral("ответил «%1» (%2): %3, %4")
                                     .arg(shown(device.name), shown(device.uniqueId),
                                          shown(device.ipAddress1), shown(device.ipAddress2)));
                         });
    }
    QTimer limit;
    limit.setSingleShot(true);
    QObject::connect(&limit, &QTimer::timeout, &loop, &QEventLoop::quit);
    if (line.timeoutSeconds > 0) {
        limit.start(int(std::ceil(line.timeoutSeconds * 1000)));
    }
    if (line.arguments.isEmpty()) {
        searcher.startSearching();
    } else {
        searcher.checkNetwork(AddressRange::parse(line.arguments.first()));
    }
    // The first round is sent before the loop runs: a failure is known now.
    if (failure.isEmpty()) {
        loop.exec();
    }
    searcher.stopSearching();
    return failure;
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
    QVector<QStringList> rows{{uniqueIdLabel, QStringLiteral("Имя"),
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
    // A missing or damaged file is no empty list.
    if (fileCheck.result != SettingsFileCheck::Result::Readable) {
        OutputText::printError(fileCheck.text);
        return NotFound;
    }
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
    QVector<QStringList> rows{{uniqueIdLabel, QStringLiteral("Имя"),
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
    const int read = readController(controller, link);
    if (read != Done) {
        return read;
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
    const auto degrees = [&](const QByteArray &role) {
        const QString value = lookup.text(controller, role);
        return value.isEmpty() ? missing : OutputText::escaped(value) + QStringLiteral(" °C");
    };
    const QVector<QStringList> facts{
        {QStringLiteral("Имя"), shown(lookup.text(controller, "name"))},
        {uniqueIdLabel, shown(lookup.text(controller, "uniqueId"))},
        {QStringLiteral("Проводная сеть"), address("ipAddress_1", "lan_status")},
        {QStringLiteral("Wi-Fi"), address("ipAddress_2", "wifi_status")},
        {QStringLiteral("Ответил"),
         QStringLiteral("%1 (%2)").arg(shown(link.addressInUse()),
                                       link.wiredInUse() ? QStringLiteral("проводная сеть")
                                                         : QStringLiteral("Wi-Fi"))},
        {QStringLiteral("Версия ПО wifi модуля"),
         shown(lookup.text(controller, "net_soft_version"))},
        {QStringLiteral("Версия ПО диммера"), shown(lookup.text(controller, "dimm_soft_version"))},
        {QStringLiteral("Тип контроллера"), shown(lookup.text(controller, "controller_version"))},
        {QStringLiteral("Температура CPU"), degrees("inner_tmp")},
        {QStringLiteral("Температура в корпусе"), degrees("extern_tmp")}};
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
                .arg(label(controller), QString::number(lightId), QString::number(reported),
                     QString::number(level)));
        return DeviceFailed;
    }
    if (line.json) {
        QJsonObject object = controllerJson(controller);
        object.insert(QStringLiteral("channel"), levelJson(channel.index));
        OutputText::print(OutputText::json(object));
    } else {
        // One substitution: a device's name holding "%1" stays as it is.
        OutputText::print(QStringLiteral("%1, канал %2 «%3»: %4 (%5%)\n")
                              .arg(label(controller), QString::number(lightId),
                                   shown(lookup.text(channel.index, "name")),
                                   QString::number(level),
                                   QString::number(Level::percentOf(level))));
    }
    return Done;
}

// --- configuration files ---

int Ctl::readController(const QModelIndex &controller, ControllerLink &link)
{
    const int confirmed = confirmIdentity(controller, link);
    if (confirmed != Done) {
        return confirmed;
    }
    const ControllerLink::Outcome outcome = link.request(DeviceProtocol::dimmerInfo());
    return outcome.result == ControllerLink::Result::Done ? Done
                                                          : reportFailure(controller, outcome);
}

int Ctl::backup()
{
    QPersistentModelIndex controller;
    const int found = resolveController(line.arguments.at(0), controller);
    if (found != Done) {
        return found;
    }
    ControllerLink link(lookup.model(), controller);
    const int read = readController(controller, link);
    if (read != Done) {
        return read;
    }
    const QString path = line.arguments.at(1);
    QString error;
    if (!ControllerConfiguration::fromController(lookup.model(), controller)
             .writeFile(path, &error)) {
        OutputText::printError(shown(error));
        return UsageError;
    }
    if (line.json) {
        QJsonObject object = controllerJson(controller);
        object.insert(QStringLiteral("file"), path);
        OutputText::print(OutputText::json(object));
    } else {
        OutputText::print(
            QStringLiteral("%1: конфигурация записана в %2\n").arg(label(controller), shown(path)));
    }
    return Done;
}

int Ctl::readWifiPassword(QString &password)
{
    QFile file(line.wifiPasswordFile);
    if (!file.open(QIODevice::ReadOnly)) {
        OutputText::printError(
            QStringLiteral("%1: %2").arg(shown(line.wifiPasswordFile), file.errorString()));
        return UsageError;
    }
    // A Wi-Fi password has at most 63 characters; the first line is enough.
    password =
        QString::fromUtf8(file.readLine(256)).remove(QLatin1Char('\n')).remove(QLatin1Char('\r'));
    return Done;
}

int Ctl::restore()
{
    QString error;
    const std::optional<ControllerConfiguration> file =
        ControllerConfiguration::readFile(line.arguments.at(1), &error);
    if (!file) {
        OutputText::printError(QStringLiteral("%1: %2").arg(shown(line.arguments.at(1)), error));
        return UsageError;
    }
    QPersistentModelIndex controller;
    const int found = resolveController(line.arguments.at(0), controller);
    if (found != Done) {
        return found;
    }
    ControllerLink link(lookup.model(), controller);
    const int read = readController(controller, link);
    if (read != Done) {
        return read;
    }
    const std::optional<ConfigurationPlan> plan = ConfigurationPlan::build(
        ControllerConfiguration::fromController(lookup.model(), controller), *file, &error);
    if (!plan) {
        OutputText::printError(QStringLiteral("%1: %2").arg(shown(line.arguments.at(1)), error));
        return UsageError;
    }
    QString password;
    if (line.withNetwork && plan->wifiNeedsPassword && !line.dryRun) {
        if (line.wifiPasswordFile.isEmpty()) {
            OutputText::printError(
                QStringLiteral("файл меняет сеть Wi-Fi: нужен --wifi-password-file ФАЙЛ"));
            return UsageError;
        }
        const int passwordRead = readWifiPassword(password);
        if (passwordRead != Done) {
            return passwordRead;
        }
    }
    if (line.dryRun) {
        printPlan(controller, *plan);
        return Done;
    }
    return applyPlan(controller, link, *plan, password);
}

void Ctl::printPlan(const QModelIndex &controller, const ConfigurationPlan &plan)
{
    if (line.json) {
        QJsonArray changes;
        for (const ConfigurationPlan::Change &change : plan.changes) {
            changes.append(QJsonObject{{QStringLiteral("setting"), change.setting},
                                       {QStringLiteral("current"), change.current},
                                       {QStringLiteral("file"), change.proposed},
                                       {QStringLiteral("network"), change.network}});
        }
        QJsonArray skipped;
        for (const int lightId : plan.skippedChannels) {
            skipped.append(lightId);
        }
        QJsonObject object = controllerJson(controller);
        object.insert(QStringLiteral("changes"), changes);
        object.insert(QStringLiteral("skipped_channels"), skipped);
        OutputText::print(OutputText::json(object));
        return;
    }
    QVector<QStringList> rows{
        {QStringLiteral("Настройка"), QStringLiteral("Сейчас"), QStringLiteral("Из файла")}};
    for (const ConfigurationPlan::Change &change : plan.changes) {
        const QString note = change.network && !line.withNetwork
                                 ? QStringLiteral(" (без --with-network не применяется)")
                                 : QString();
        rows.append({shown(change.setting), shown(change.current), shown(change.proposed) + note});
    }
    QString text = plan.changes.isEmpty()
                       ? QStringLiteral("%1: отличий нет\n").arg(label(controller))
                       : label(controller) + QStringLiteral(":\n") + OutputText::table(rows);
    for (const int lightId : plan.skippedChannels) {
        text += QStringLiteral("канала %1 у контроллера нет: пропущен\n").arg(lightId);
    }
    OutputText::print(text);
}

int Ctl::applyPlan(const QModelIndex &controller, ControllerLink &link,
                   const ConfigurationPlan &plan, const QString &wifiPassword)
{
    const QVector<ConfigurationPlan::Request> requests =
        plan.requestsToSend(line.withNetwork, wifiPassword);
    int applied = 0;
    ControllerLink::Outcome failure;
    failure.result = ControllerLink::Result::Done;
    for (; applied < requests.size(); ++applied) {
        const std::optional<QUrlQuery> query = ConfigurationPlan::queryOf(requests.at(applied));
        if (!query) {
            failure.result = ControllerLink::Result::Refused;
            failure.failure = QStringLiteral("запрос не составлен");
            break;
        }
        const ControllerLink::Outcome outcome = link.request(*query);
        if (outcome.result != ControllerLink::Result::Done) {
            failure = outcome;
            break;
        }
    }
    // What the controller now holds, whatever came of the changes.
    link.request(DeviceProtocol::dimmerInfo());
    link.request(DeviceProtocol::systemInfo());
    if (line.json) {
        OutputText::print(OutputText::json(
            {{QStringLiteral("unique_id"), lookup.text(controller, "uniqueId")},
             {QStringLiteral("applied"),
              QJsonArray::fromStringList(plan.settingsOf(requests, 0, applied))},
             {QStringLiteral("not_applied"),
              QJsonArray::fromStringList(plan.settingsOf(requests, applied, requests.size()))}}));
    } else {
        printPlan(controller, plan);
        QString outcome;
        for (const QString &part : plan.outcomeText(requests, applied).split(QLatin1Char('\n'))) {
            outcome += OutputText::escaped(part) + QLatin1Char('\n');
        }
        OutputText::print(outcome);
    }
    if (failure.result != ControllerLink::Result::Done) {
        return reportFailure(controller, failure);
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
        const QString where =
            fileCheck.result == SettingsFileCheck::Result::Readable
                ? QStringLiteral("его нет в файле настроек %1").arg(shown(settingsPath))
                : fileCheck.text;
        OutputText::printError(
            QStringLiteral("контроллер «%1» не найден: %2; адрес контроллера подходит всегда")
                .arg(shown(text), where));
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
