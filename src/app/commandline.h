#ifndef COMMANDLINE_H
#define COMMANDLINE_H

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QString>
#include <QStringList>

// The application's options: --help, --version and --settings-dir DIR.
class CommandLine
{
public:
    CommandLine();

    // False on an unknown option, a missing or empty value, or an argument
    // that is no option; errorText() says which, in one Russian line. Qt's own
    // options (-platform, -style, ...) are left to the application object.
    bool parse(const QStringList &arguments);
    QString errorText() const;

    bool helpRequested() const;
    bool versionRequested() const;
    // Empty when the option is not given.
    QString settingsDirectory() const;

    static QString helpText();

private:
    QString parserError(const QStringList &arguments) const;

    QCommandLineParser parser;
    QCommandLineOption helpOption;
    QCommandLineOption versionOption;
    QCommandLineOption settingsDirectoryOption;
    QString error;
};

#endif // COMMANDLINE_H
