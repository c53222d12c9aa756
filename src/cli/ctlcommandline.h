#ifndef CTLCOMMANDLINE_H
#define CTLCOMMANDLINE_H

#include <QString>
#include <QStringList>

// The command line of norvaleo-ctl: a command, its arguments and options,
// checked against what the command takes.
class CtlCommandLine
{
public:
    static const QStringList &commands();
    // arguments: as the process got them, the program first.
    static CtlCommandLine parse(const QStringList &arguments);
    // The help of one command, or of the whole program for an empty command.
    static QString helpText(const QString &command);
    static QString versionText();
    // Where the help for this line's command is, for a usage error.
    QString helpHint() const;

    QString command;
    QStringList arguments;
    bool json = false;
    bool help = false;
    bool version = false;
    // 0: the whole search.
    double timeoutSeconds = 0;
    QString settingsDirectory;
    // restore
    bool dryRun = false;
    bool withNetwork = false;
    QString wifiPasswordFile;
    // Set when the line cannot be carried out; the rest is then incomplete.
    QString error;

private:
    void parseCommandArguments(const QStringList &words, int next);
    bool looksLikeOption(const QString &argument) const;
    // --json, --settings-dir and help: taken before the command and after it.
    bool takeCommonOption(const QString &option, const QStringList &words, int &next);
    bool takeCommandOption(const QString &option, const QStringList &words, int &next);
    bool takeValue(const QString &option, const QStringList &words, int &next, QString &value);
    void checkArguments();
    static const QStringList &commandOptions();
    static QStringList argumentNames(const QString &command);
    static QStringList optionalArgumentNames(const QString &command);
};

#endif // CTLCOMMANDLINE_H
