#include "cli/ctlcommandline.h"

#include "cli/level.h"
#include "discovery/addressrange.h"

#include <QCoreApplication>

#include <cmath>

namespace {

const QString searchCommand = QStringLiteral("search");
const QString listCommand = QStringLiteral("list");
const QString statusCommand = QStringLiteral("status");
const QString setCommand = QStringLiteral("set");
const QString backupCommand = QStringLiteral("backup");
const QString restoreCommand = QStringLiteral("restore");

// A search ends by itself after 14 ticks; a longer limit changes nothing.
constexpr double MaxTimeoutSeconds = 3600;

const char *const programHelp = R"(Использование: norvaleo-ctl КОМАНДА [ПАРАМЕТРЫ]

Находит диммерные контроллеры Norvaleo в локальной сети, показывает их
состояние и включает, выключает и диммирует их каналы: то же, что делает окно
NorvaleoDimmer, по одному каналу за раз, для терминала и сценариев.

Команды:
  search [СЕТЬ] [--timeout СЕКУНДЫ] [--json]
         поиск контроллеров широковещательным запросом (14 повторов, 11,2 с)
         или по каждому адресу сети или диапазона
  list [--settings-dir КАТАЛОГ] [--json]
         контроллеры из файла настроек приложения
  status КОНТРОЛЛЕР [--settings-dir КАТАЛОГ] [--json]
         имя, адреса, связь, версии, температуры, каналы с уровнями
  set КОНТРОЛЛЕР КАНАЛ УРОВЕНЬ [--settings-dir КАТАЛОГ] [--json]
         задать уровень канала и подтвердить его запросом dimmer_info
  backup КОНТРОЛЛЕР ФАЙЛ [--settings-dir КАТАЛОГ] [--json]
         сохранить конфигурацию контроллера в файл
  restore КОНТРОЛЛЕР ФАЙЛ [--dry-run] [--with-network]
         [--wifi-password-file ФАЙЛ] [--settings-dir КАТАЛОГ] [--json]
         загрузить конфигурацию из файла в контроллер

КОНТРОЛЛЕР: уникальный номер, имя целиком (без учёта регистра) или адрес.
КАНАЛ: номер канала (light_id) или его имя. УРОВЕНЬ: 0-255, N% (0-100), on
(255) или off (0).

Параметры:
  --json                  один документ JSON вместо таблицы (поля: docs/cli.md)
  --timeout СЕКУНДЫ       закончить поиск раньше
  --settings-dir КАТАЛОГ  файл настроек КАТАЛОГ/settings.json
  --dry-run               restore: только показать отличия, ничего не менять
  --with-network          restore: применить и сетевые настройки
  --wifi-password-file ФАЙЛ  restore: пароль сети Wi-Fi (первая строка файла)
  -h, --help              справка; norvaleo-ctl КОМАНДА --help: справка команды
  --version               версия

Каждый запрос ждёт ответа не дольше 4 с; если проводной адрес не отвечает,
запрос повторяется по адресу Wi-Fi. Файл настроек только читается.

Код завершения:
  0  выполнено
  1  контроллер отказал, не ответил или ответил не по протоколу (причина в
     одной строке на stderr)
  2  ошибка в командной строке или файл конфигурации нельзя использовать
  3  контроллер или канал не найден
)";

const char *const searchHelp =
    R"(Использование: norvaleo-ctl search [СЕТЬ] [--timeout СЕКУНДЫ] [--json]

Ищет контроллеры так же, как окно: приветствие на 255.255.255.255 и на
широковещательный адрес сети каждого сетевого адаптера, UDP-порт 1112, 14 раз
через 800 мс. С аргументом СЕТЬ (адрес 192.168.5.10, сеть 192.168.5.0/24 или
диапазон 192.168.5.10-192.168.5.60, не больше 1024 адресов) приветствие идёт
на каждый её адрес, не больше 256 в секунду, 14 раз через 1 с или пока не
ответят все. Печатает уникальный номер, имя и оба адреса каждого ответившего
контроллера.

Параметры:
  --timeout СЕКУНДЫ  закончить поиск через столько секунд (дробное число)
  --json             один документ JSON вместо таблицы
)";

const char *const listHelp = R"(Использование: norvaleo-ctl list [--settings-dir КАТАЛОГ] [--json]

Печатает контроллеры и каналы из файла настроек приложения, ничего не
отправляя в сеть.

Параметры:
  --settings-dir КАТАЛОГ  файл настроек КАТАЛОГ/settings.json
  --json                  один документ JSON вместо таблицы
)";

const char *const statusHelp =
    R"(Использование: norvaleo-ctl status КОНТРОЛЛЕР [--settings-dir КАТАЛОГ] [--json]

Запрашивает у контроллера system_info и dimmer_info и печатает имя, адреса,
связь, версии, температуры и каналы с уровнями. КОНТРОЛЛЕР: уникальный номер
или имя из файла настроек, или адрес.

Параметры:
  --settings-dir КАТАЛОГ  файл настроек КАТАЛОГ/settings.json
  --json                  один документ JSON вместо таблицы
)";

const char *const setHelp =
    R"(Использование: norvaleo-ctl set КОНТРОЛЛЕР КАНАЛ УРОВЕНЬ [--settings-dir КАТАЛОГ] [--json]

Как и окно, сначала проверяет запросом system_info, что по адресу отвечает
именно этот контроллер, затем отправляет тот же запрос, что и окно
(light_brightness), ждёт ответа и подтверждает уровень одним запросом
dimmer_info. КАНАЛ: номер (light_id) или имя канала. УРОВЕНЬ: 0-255, N%
(0-100; как проценты окна), on или off.

Параметры:
  --settings-dir КАТАЛОГ  файл настроек КАТАЛОГ/settings.json
  --json                  один документ JSON вместо строки
)";

const char *const backupHelp =
    R"(Использование: norvaleo-ctl backup КОНТРОЛЛЕР ФАЙЛ [--settings-dir КАТАЛОГ] [--json]

Запрашивает у контроллера system_info и dimmer_info и записывает его
конфигурацию (имя, сети, RS-485 и Modbus, автосохранение, входы, параметры
диммирования, каналы) в ФАЙЛ JSON, как окно («Сохранить в файл…»). Формат:
docs/configuration-files.md.

Параметры:
  --settings-dir КАТАЛОГ  файл настроек КАТАЛОГ/settings.json
  --json                  один документ JSON вместо строки
)";

const char *const restoreHelp =
    R"(Использование: norvaleo-ctl restore КОНТРОЛЛЕР ФАЙЛ [--dry-run] [--with-network]
       [--wifi-password-file ФАЙЛ] [--settings-dir КАТАЛОГ] [--json]

Читает и проверяет весь ФАЙЛ, печатает отличия от конфигурации контроллера и
отправляет те же запросы, что и окно («Загрузить из файла…»): каналы, входы,
диммирование, RS-485 и Modbus, автосохранение, имя, сеть. Каждый запрос ждёт
ответа; первый отказ или молчание останавливает остальные. Ничего не
спрашивает.

Параметры:
  --dry-run                  только показать отличия, ничего не отправлять
  --with-network             применить и сетевые настройки (Wi-Fi, проводная
                             сеть); без него они только показываются
  --wifi-password-file ФАЙЛ  пароль сети Wi-Fi: первая строка файла; нужен,
                             когда --with-network меняет имя сети Wi-Fi
  --settings-dir КАТАЛОГ     файл настроек КАТАЛОГ/settings.json
  --json                     один документ JSON вместо таблицы
)";

} // namespace

const QStringList &CtlCommandLine::commands()
{
    static const QStringList names = {searchCommand, listCommand,   statusCommand,
                                      setCommand,    backupCommand, restoreCommand};
    return names;
}

int CtlCommandLine::argumentCount(const QString &command)
{
    if (command == statusCommand) {
        return 1;
    }
    if (command == backupCommand || command == restoreCommand) {
        return 2;
    }
    return command == setCommand ? 3 : 0;
}

// The network of "search" is optional.
int CtlCommandLine::optionalArgumentCount(const QString &command)
{
    return command == searchCommand ? 1 : 0;
}

QString CtlCommandLine::helpText(const QString &command)
{
    if (command == searchCommand) {
        return QString::fromUtf8(searchHelp);
    }
    if (command == listCommand) {
        return QString::fromUtf8(listHelp);
    }
    if (command == statusCommand) {
        return QString::fromUtf8(statusHelp);
    }
    if (command == setCommand) {
        return QString::fromUtf8(setHelp);
    }
    if (command == backupCommand) {
        return QString::fromUtf8(backupHelp);
    }
    if (command == restoreCommand) {
        return QString::fromUtf8(restoreHelp);
    }
    return QString::fromUtf8(programHelp);
}

QString CtlCommandLine::versionText()
{
    return QStringLiteral("norvaleo-ctl %1\n").arg(QCoreApplication::applicationVersion());
}

CtlCommandLine CtlCommandLine::parse(const QStringList &arguments)
{
    CtlCommandLine line;
    const QString first = arguments.value(1);
    if (first == QLatin1String("-h") || first == QLatin1String("--help")) {
        line.help = true;
        return line;
    }
    if (first == QLatin1String("--version")) {
        line.version = true;
        return line;
    }
    if (first.isEmpty() || !commands().contains(first)) {
        line.error = first.isEmpty() ? QStringLiteral("не указана команда")
                                     : QStringLiteral("неизвестная команда «%1»").arg(first);
        return line;
    }
    line.command = first;
    bool optionsEnded = false;
    for (int next = 2; next < arguments.size() && line.error.isEmpty();) {
        const QString argument = arguments.at(next++);
        if (optionsEnded || argument == QLatin1String("-") ||
            !argument.startsWith(QLatin1Char('-'))) {
            line.arguments.append(argument);
        } else if (argument == QLatin1String("--")) {
            optionsEnded = true;
        } else if (!line.takeOption(argument, arguments, next)) {
            line.error = QStringLiteral("неизвестный параметр «%1»").arg(argument);
        }
    }
    if (line.help) {
        line.error.clear();
        return line;
    }
    if (line.error.isEmpty()) {
        line.checkArguments();
    }
    return line;
}

bool CtlCommandLine::takeOption(const QString &option, const QStringList &arguments, int &next)
{
    if (option == QLatin1String("-h") || option == QLatin1String("--help")) {
        help = true;
        return true;
    }
    if (option == QLatin1String("--json")) {
        json = true;
        return true;
    }
    if (command == restoreCommand && option == QLatin1String("--dry-run")) {
        dryRun = true;
        return true;
    }
    if (command == restoreCommand && option == QLatin1String("--with-network")) {
        withNetwork = true;
        return true;
    }
    QString value;
    if (command == restoreCommand &&
        takeValue(QStringLiteral("--wifi-password-file"), arguments, next, value)) {
        wifiPasswordFile = value;
        if (value.isEmpty()) {
            error = QStringLiteral("--wifi-password-file: не указан файл");
        }
        return true;
    }
    if (command == searchCommand &&
        takeValue(QStringLiteral("--timeout"), arguments, next, value)) {
        bool ok = false;
        timeoutSeconds = value.toDouble(&ok);
        if (!ok || !std::isfinite(timeoutSeconds) || timeoutSeconds <= 0 ||
            timeoutSeconds > MaxTimeoutSeconds) {
            error = QStringLiteral("--timeout: число секунд больше 0, а не «%1»").arg(value);
        }
        return true;
    }
    if (command != searchCommand &&
        takeValue(QStringLiteral("--settings-dir"), arguments, next, value)) {
        settingsDirectory = value;
        if (value.isEmpty()) {
            error = QStringLiteral("--settings-dir: не указан каталог");
        }
        return true;
    }
    return false;
}

// "--name value" or "--name=value"; false when the argument is another option.
bool CtlCommandLine::takeValue(const QString &option, const QStringList &arguments, int &next,
                               QString &value)
{
    const QString argument = arguments.at(next - 1);
    if (argument.startsWith(option + QLatin1Char('='))) {
        value = argument.mid(option.size() + 1);
        return true;
    }
    if (argument != option) {
        return false;
    }
    if (next >= arguments.size()) {
        error = QStringLiteral("%1: не указано значение").arg(option);
        return true;
    }
    value = arguments.at(next++);
    return true;
}

void CtlCommandLine::checkArguments()
{
    const int expected = argumentCount(command);
    const int allowed = expected + optionalArgumentCount(command);
    if (arguments.size() < expected || arguments.size() > allowed) {
        error =
            arguments.size() < expected
                ? QStringLiteral("%1: не хватает аргументов").arg(command)
                : QStringLiteral("%1: лишний аргумент «%2»").arg(command, arguments.value(allowed));
        return;
    }
    if (command == searchCommand && !arguments.isEmpty()) {
        const QString reason = AddressRange::parse(arguments.first()).errorText();
        if (!reason.isEmpty()) {
            error = QStringLiteral("сеть «%1»: %2").arg(arguments.first(), reason);
        }
        return;
    }
    if (command == setCommand && !Level::parse(arguments.at(2))) {
        error = QStringLiteral("уровень «%1»: нужно 0-255, N% (0-100), on или off")
                    .arg(arguments.at(2));
    }
}
