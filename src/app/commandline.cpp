#include "app/commandline.h"

namespace {

const char *const programHelp = R"(Использование: NorvaleoDimmer [ПАРАМЕТРЫ]

Находит диммерные контроллеры Norvaleo в локальной сети, включает, выключает
и диммирует их каналы, хранит избранные каналы и изменяет настройки
контроллеров.

Параметры:
  --settings-dir КАТАЛОГ  хранить список контроллеров в КАТАЛОГ/settings.json,
                          а не в обычном месте (например, на флешке)
  -h, --help              справка
  -v, --version           версия

Понимаются и параметры приложений Qt, например -platform. При ошибке в
командной строке код завершения 2.
)";

const QString settingsDirectoryName = QStringLiteral("settings-dir");

QString dashed(const QString &name)
{
    return (name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name;
}

// The options Qt's application objects take for themselves, as "-name" or
// "--name", with "=value" or (for those in the first list) the next argument.
const QStringList qtOptionsWithValue = {QStringLiteral("platform"),
                                        QStringLiteral("platformpluginpath"),
                                        QStringLiteral("platformtheme"),
                                        QStringLiteral("plugin"),
                                        QStringLiteral("qwindowgeometry"),
                                        QStringLiteral("qwindowicon"),
                                        QStringLiteral("qwindowtitle"),
                                        QStringLiteral("session"),
                                        QStringLiteral("display"),
                                        QStringLiteral("geometry"),
                                        QStringLiteral("name"),
                                        QStringLiteral("title"),
                                        QStringLiteral("visual"),
                                        QStringLiteral("style"),
                                        QStringLiteral("stylesheet"),
                                        QStringLiteral("graphicssystem")};
const QStringList qtFlags = {QStringLiteral("reverse"),     QStringLiteral("nograb"),
                             QStringLiteral("dograb"),      QStringLiteral("sync"),
                             QStringLiteral("widgetcount"), QStringLiteral("qmljsdebugger")};

QStringList withoutQtOptions(const QStringList &arguments)
{
    QStringList kept = arguments.mid(0, 1);
    for (int i = 1; i < arguments.size(); ++i) {
        const QString &argument = arguments.at(i);
        QString name = argument.startsWith(QLatin1String("--")) ? argument.mid(2) : argument.mid(1);
        const bool joinedValue = name.contains(QLatin1Char('='));
        name = name.section(QLatin1Char('='), 0, 0);
        if (!argument.startsWith(QLatin1Char('-')) || argument == QLatin1String("--")) {
            kept.append(argument);
        } else if (qtOptionsWithValue.contains(name)) {
            i += joinedValue ? 0 : 1;
        } else if (!qtFlags.contains(name)) {
            kept.append(argument);
        }
    }
    return kept;
}

} // namespace

CommandLine::CommandLine()
    : helpOption(QStringList{QStringLiteral("h"), QStringLiteral("help")},
                 QStringLiteral("справка")),
      versionOption(QStringList{QStringLiteral("v"), QStringLiteral("version")},
                    QStringLiteral("версия")),
      settingsDirectoryOption(
          settingsDirectoryName,
          QStringLiteral("хранить список контроллеров в КАТАЛОГ/settings.json, а не в обычном "
                         "месте"),
          QStringLiteral("КАТАЛОГ"))
{
    parser.addOption(helpOption);
    parser.addOption(versionOption);
    parser.addOption(settingsDirectoryOption);
}

bool CommandLine::parse(const QStringList &arguments)
{
    error.clear();
    const QStringList ours = withoutQtOptions(arguments);
    if (!parser.parse(ours)) {
        error = parserError(ours);
        return false;
    }
    if (!parser.positionalArguments().isEmpty()) {
        error = QStringLiteral("лишний аргумент «%1»").arg(parser.positionalArguments().first());
        return false;
    }
    if (parser.isSet(settingsDirectoryOption) && settingsDirectory().isEmpty()) {
        error = QStringLiteral("--settings-dir: не указан каталог");
        return false;
    }
    return true;
}

// Qt's own error text is English; its cases are told apart here instead.
QString CommandLine::parserError(const QStringList &arguments) const
{
    const QStringList unknown = parser.unknownOptionNames();
    if (!unknown.isEmpty()) {
        return QStringLiteral("неизвестный параметр «%1»").arg(dashed(unknown.first()));
    }
    for (const QString &argument : arguments.mid(1)) {
        if (argument.startsWith(QLatin1Char('-')) && argument.contains(QLatin1Char('=')) &&
            !argument.startsWith(dashed(settingsDirectoryName) + QLatin1Char('='))) {
            return QStringLiteral("«%1»: у параметра нет значения").arg(argument);
        }
    }
    // The only option that takes a value was given none.
    return QStringLiteral("--settings-dir: не указан каталог");
}

QString CommandLine::errorText() const
{
    return error;
}

bool CommandLine::helpRequested() const
{
    return parser.isSet(helpOption);
}

bool CommandLine::versionRequested() const
{
    return parser.isSet(versionOption);
}

QString CommandLine::settingsDirectory() const
{
    return parser.value(settingsDirectoryOption);
}

QString CommandLine::helpText()
{
    return QString::fromUtf8(programHelp);
}
