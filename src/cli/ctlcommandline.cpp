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

const char *const programHelp =
    R"(Использование: norvaleo-ctl [ОБЩИЕ ПАРАМЕТРЫ] КОМАНДА [АРГУМЕНТЫ] [ПАРАМЕТРЫ]

Находит диммерные контроллеры Norvaleo в локальной сети, показывает их
состояние и включает, выключает и диммирует их каналы: то же, что делает окно
NorvaleoDimmer, по одному каналу за раз, для терминала и сценариев.

Команды:
  search [СЕТЬ] [--timeout СЕКУНДЫ]
         поиск контроллеров широковещательным запросом (14 повторов, 11,2 с)
         или по каждому адресу сети или диапазона
  list
         контроллеры из файла настроек приложения
  status КОНТРОЛЛЕР
         имя, адреса, связь, версии, температуры, каналы с уровнями
  set КОНТРОЛЛЕР КАНАЛ УРОВЕНЬ
         задать уровень канала и подтвердить его запросом dimmer_info
  backup КОНТРОЛЛЕР ФАЙЛ
         сохранить конфигурацию контроллера в файл
  restore КОНТРОЛЛЕР ФАЙЛ [--dry-run] [--with-network]
         [--wifi-password-file ФАЙЛ]
         загрузить конфигурацию из файла в контроллер

КОНТРОЛЛЕР: Id устройства (уникальный номер), имя целиком (без учёта
регистра) из файла настроек или адрес; адрес подходит и без файла. КАНАЛ:
номер канала (light_id) или его имя. УРОВЕНЬ: 0-255, N% (0-100), on (255)
или off (0).

Общие параметры (до команды или после неё):
  --json                  один документ JSON вместо таблицы (поля: docs/cli.md)
  --settings-dir КАТАЛОГ  файл настроек КАТАЛОГ/settings.json (search его не
                          читает)
  -h, --help              справка; norvaleo-ctl КОМАНДА --help: справка команды
  --version               версия

Параметры команд (после команды):
  --timeout СЕКУНДЫ       search: закончить поиск раньше
  --dry-run               restore: только показать отличия, ничего не менять
  --with-network          restore: применить и сетевые настройки
  --wifi-password-file ФАЙЛ  restore: пароль сети Wi-Fi (первая строка файла)

Когда аргументы команды начались, слово вида -1 - значение, а не параметр
(set Кухня 1 -1 сообщит о неверном уровне); после -- параметров больше нет.

Каждый запрос ждёт ответа не дольше 4 с; если проводной адрес не отвечает,
запрос повторяется по адресу Wi-Fi. Файл настроек только читается; если его
или его каталога нет или он повреждён, list и поиск по имени говорят об этом.
В терминале search сразу показывает на stderr каждый ответивший контроллер.

Код завершения:
  0  выполнено
  1  контроллер отказал, не ответил или ответил не по протоколу, или поиск не
     смог отправить приветствие (причина в одной строке на stderr)
  2  ошибка в командной строке (сообщение называет справку команды),
     --settings-dir не каталог или файл конфигурации нельзя использовать
  3  контроллер или канал не найден, файла настроек нет или он повреждён
)";

const char *const searchHelp =
    R"(Использование: norvaleo-ctl search [СЕТЬ] [--timeout СЕКУНДЫ] [--json]

Ищет контроллеры так же, как окно: приветствие на 255.255.255.255 и на
широковещательный адрес сети каждого сетевого адаптера, UDP-порт 1112, 14 раз
через 800 мс. С аргументом СЕТЬ (адрес 192.168.5.10, сеть 192.168.5.0/24 или
диапазон 192.168.5.10-192.168.5.60, не больше 1024 адресов) приветствие идёт
на каждый её адрес, не больше 256 в секунду, 14 раз через 1 с или пока не
ответят все. Печатает Id устройства, имя и оба адреса каждого ответившего
контроллера. Когда stdout - терминал, каждый контроллер показывается на stderr,
как только ответит. Если приветствие не удалось отправить ни на один адрес
(нет сети или маршрута), поиск сразу заканчивается с кодом 1.

Параметры (--json можно писать и до команды):
  --timeout СЕКУНДЫ  закончить поиск через столько секунд (дробное число)
  --json             один документ JSON вместо таблицы
)";

const char *const listHelp = R"(Использование: norvaleo-ctl list [--settings-dir КАТАЛОГ] [--json]

Печатает контроллеры и каналы из файла настроек приложения, ничего не
отправляя в сеть. Если файла или его каталога нет или файл повреждён, так и
говорит (код 3).

Параметры (можно писать и до команды):
  --settings-dir КАТАЛОГ  файл настроек КАТАЛОГ/settings.json
  --json                  один документ JSON вместо таблицы
)";

const char *const statusHelp =
    R"(Использование: norvaleo-ctl status КОНТРОЛЛЕР [--settings-dir КАТАЛОГ] [--json]

Запрашивает у контроллера system_info и dimmer_info и печатает имя, адреса,
связь, версии, температуры и каналы с уровнями под теми же названиями, что
и окно. КОНТРОЛЛЕР: Id устройства или имя из файла настроек, или адрес (он
подходит и без файла).

Параметры (можно писать и до команды):
  --settings-dir КАТАЛОГ  файл настроек КАТАЛОГ/settings.json
  --json                  один документ JSON вместо таблицы
)";

const char *const setHelp =
    R"(Использование: norvaleo-ctl set КОНТРОЛЛЕР КАНАЛ УРОВЕНЬ [--settings-dir КАТАЛОГ] [--json]

Как и окно, сначала проверяет запросом system_info, что по адресу отвечает
именно этот контроллер, затем отправляет тот же запрос, что и окно
(light_brightness), ждёт ответа и подтверждает уровень одним запросом
dimmer_info. КАНАЛ: номер (light_id) или имя канала. УРОВЕНЬ: 0-255, N%
(0-100; как проценты окна), on или off. Когда аргументы начались, -1 - это
уровень (неверный), а не параметр.

Параметры (можно писать и до команды):
  --settings-dir КАТАЛОГ  файл настроек КАТАЛОГ/settings.json
  --json                  один документ JSON вместо строки
)";

const char *const backupHelp =
    R"(Использование: norvaleo-ctl backup КОНТРОЛЛЕР ФАЙЛ [--settings-dir КАТАЛОГ] [--json]

Запрашивает у контроллера system_info и dimmer_info и записывает его
конфигурацию (имя, сети, RS-485 и Modbus, автосохранение, входы, параметры
диммирования, каналы) в ФАЙЛ JSON, как окно («Сохранить в файл…»). Формат:
docs/configuration-files.md.

Параметры (можно писать и до команды):
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
  --settings-dir КАТАЛОГ     файл настроек КАТАЛОГ/settings.json (и до команды)
  --json                     один документ JSON вместо таблицы (и до команды)
)";

} // namespace

const QStringList &CtlCommandLine::commands()
{
    static const QStringList names = {searchCommand, listCommand,   statusCommand,
                                      setCommand,    backupCommand, restoreCommand};
    return names;
}

// What each argument of the command stands for, as its help names it.
QStringList CtlCommandLine::argumentNames(const QString &command)
{
    const QString controller = QStringLiteral("КОНТРОЛЛЕР");
    const QString file = QStringLiteral("ФАЙЛ");
    if (command == statusCommand) {
        return {controller};
    }
    if (command == backupCommand || command == restoreCommand) {
        return {controller, file};
    }
    if (command == setCommand) {
        return {controller, QStringLiteral("КАНАЛ"), QStringLiteral("УРОВЕНЬ")};
    }
    return {};
}

// The network of "search" is optional.
QStringList CtlCommandLine::optionalArgumentNames(const QString &command)
{
    return command == searchCommand ? QStringList{QStringLiteral("СЕТЬ")} : QStringList();
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

QString CtlCommandLine::helpHint() const
{
    return command.isEmpty() ? QStringLiteral("norvaleo-ctl --help")
                             : QStringLiteral("norvaleo-ctl %1 --help").arg(command);
}

CtlCommandLine CtlCommandLine::parse(const QStringList &arguments)
{
    CtlCommandLine line;
    int next = 1;
    // Before the command: the options every command takes, help and version.
    while (next < arguments.size() && line.error.isEmpty() && !line.help && !line.version) {
        const QString argument = arguments.at(next);
        if (!argument.startsWith(QLatin1Char('-')) || argument == QLatin1String("-")) {
            break;
        }
        ++next;
        if (argument == QLatin1String("--version")) {
            line.version = true;
        } else if (!line.takeCommonOption(argument, arguments, next)) {
            line.error = commandOptions().contains(argument.section(QLatin1Char('='), 0, 0))
                             ? QStringLiteral("параметр «%1» пишется после команды").arg(argument)
                             : QStringLiteral("неизвестный параметр «%1»").arg(argument);
        }
    }
    if (line.help || line.version) {
        line.error.clear();
        return line;
    }
    if (!line.error.isEmpty()) {
        return line;
    }
    const QString word = arguments.value(next++);
    if (word.isEmpty() || !commands().contains(word)) {
        line.error = word.isEmpty() ? QStringLiteral("не указана команда")
                                    : QStringLiteral("неизвестная команда «%1»").arg(word);
        return line;
    }
    line.command = word;
    line.parseCommandArguments(arguments, next);
    if (line.help) {
        line.error.clear();
        return line;
    }
    if (line.error.isEmpty()) {
        line.checkArguments();
    }
    return line;
}

void CtlCommandLine::parseCommandArguments(const QStringList &words, int next)
{
    bool optionsEnded = false;
    while (next < words.size() && error.isEmpty()) {
        const QString argument = words.at(next++);
        if (optionsEnded || !looksLikeOption(argument)) {
            arguments.append(argument);
        } else if (argument == QLatin1String("--")) {
            optionsEnded = true;
        } else if (!takeCommonOption(argument, words, next) &&
                   !takeCommandOption(argument, words, next)) {
            error = QStringLiteral("неизвестный параметр «%1»").arg(argument);
        }
    }
}

// Once the arguments have begun, "-1" is a value to be judged, not an option.
bool CtlCommandLine::looksLikeOption(const QString &argument) const
{
    if (!argument.startsWith(QLatin1Char('-')) || argument == QLatin1String("-")) {
        return false;
    }
    return arguments.isEmpty() || !argument.at(1).isDigit();
}

const QStringList &CtlCommandLine::commandOptions()
{
    static const QStringList names = {QStringLiteral("--timeout"), QStringLiteral("--dry-run"),
                                      QStringLiteral("--with-network"),
                                      QStringLiteral("--wifi-password-file")};
    return names;
}

bool CtlCommandLine::takeCommonOption(const QString &option, const QStringList &words, int &next)
{
    if (option == QLatin1String("-h") || option == QLatin1String("--help")) {
        help = true;
        return true;
    }
    if (option == QLatin1String("--json")) {
        json = true;
        return true;
    }
    QString value;
    if (takeValue(QStringLiteral("--settings-dir"), words, next, value)) {
        settingsDirectory = value;
        if (value.isEmpty() && error.isEmpty()) {
            error = QStringLiteral("--settings-dir: не указан каталог");
        }
        return true;
    }
    return false;
}

bool CtlCommandLine::takeCommandOption(const QString &option, const QStringList &words, int &next)
{
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
        takeValue(QStringLiteral("--wifi-password-file"), words, next, value)) {
        wifiPasswordFile = value;
        if (value.isEmpty() && error.isEmpty()) {
            error = QStringLiteral("--wifi-password-file: не указан файл");
        }
        return true;
    }
    if (command == searchCommand && takeValue(QStringLiteral("--timeout"), words, next, value)) {
        bool ok = false;
        timeoutSeconds = value.toDouble(&ok);
        if (error.isEmpty() && (!ok || !std::isfinite(timeoutSeconds) || timeoutSeconds <= 0 ||
                                timeoutSeconds > MaxTimeoutSeconds)) {
            error = QStringLiteral("--timeout: число секунд больше 0, а не «%1»").arg(value);
        }
        return true;
    }
    return false;
}

// "--name value" or "--name=value"; false when the argument is another option.
bool CtlCommandLine::takeValue(const QString &option, const QStringList &words, int &next,
                               QString &value)
{
    const QString argument = words.at(next - 1);
    if (argument.startsWith(option + QLatin1Char('='))) {
        value = argument.mid(option.size() + 1);
        return true;
    }
    if (argument != option) {
        return false;
    }
    if (next >= words.size()) {
        error = QStringLiteral("%1: не указано значение").arg(option);
        return true;
    }
    value = words.at(next++);
    return true;
}

void CtlCommandLine::checkArguments()
{
    const QStringList names = argumentNames(command);
    const QStringList allowed = names + optionalArgumentNames(command);
    if (arguments.size() < names.size()) {
        const QStringList missing = names.mid(arguments.size());
        error = QStringLiteral("%1: не хватает %2 %3")
                    .arg(command,
                         missing.size() == 1 ? QStringLiteral("аргумента")
                                             : QStringLiteral("аргументов"),
                         missing.join(QLatin1Char(' ')));
        return;
    }
    if (arguments.size() > allowed.size()) {
        error =
            QStringLiteral("%1: лишний аргумент «%2»").arg(command, arguments.at(allowed.size()));
        return;
    }
    const int empty = int(arguments.indexOf(QString()));
    if (empty >= 0) {
        error = QStringLiteral("%1: пустой аргумент %2").arg(command, allowed.at(empty));
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
