#include "app/commandline.h"

CommandLine::CommandLine()
    : helpOption(QStringList{QStringLiteral("h"), QStringLiteral("help")},
                 QStringLiteral("Shows this help and exits.")),
      versionOption(QStringList{QStringLiteral("v"), QStringLiteral("version")},
                    QStringLiteral("Shows the version and exits.")),
      settingsDirectoryOption(
          QStringLiteral("settings-dir"),
          QStringLiteral("Keeps the list of controllers in DIR/settings.json instead of the "
                         "usual place."),
          QStringLiteral("DIR"))
{
    parser.setApplicationDescription(
        QStringLiteral("Finds the Norvaleo dimmer controllers on the local network, switches and "
                       "dims their light channels and edits their configuration."));
    parser.addOption(helpOption);
    parser.addOption(versionOption);
    parser.addOption(settingsDirectoryOption);
}

bool CommandLine::parse(const QStringList &arguments)
{
    error.clear();
    if (!parser.parse(arguments)) {
        error = parser.errorText();
        return false;
    }
    if (!parser.positionalArguments().isEmpty()) {
        error = QStringLiteral("Unexpected argument: %1").arg(parser.positionalArguments().first());
        return false;
    }
    if (parser.isSet(settingsDirectoryOption) && settingsDirectory().isEmpty()) {
        error = QStringLiteral("--settings-dir needs a directory");
        return false;
    }
    return true;
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

QString CommandLine::helpText() const
{
    return parser.helpText();
}
