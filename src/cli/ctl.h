#ifndef CTL_H
#define CTL_H

#include "cli/controllerlink.h"
#include "cli/controllerlookup.h"
#include "cli/ctlcommandline.h"
#include "cli/settingsfilecheck.h"
#include "discovery/devicedescription.h"

#include <QJsonObject>
#include <QPersistentModelIndex>
#include <QStringList>
#include <QVector>

class ConfigurationPlan;
class DevicesSearcher;
class SettingsFile;

// norvaleo-ctl: the window's search, list, status and dimming of one channel,
// from a terminal. Runs one command to its end and gives the exit status.
class Ctl
{
public:
    enum ExitStatus { Done = 0, DeviceFailed = 1, UsageError = 2, NotFound = 3 };

    // arguments: as the process got them, the program first.
    static int run(const QStringList &arguments);

private:
    Ctl(const CtlCommandLine &line, const SettingsFile &file);

    // Where the window keeps its list of controllers, or the given directory.
    static SettingsFile settingsFile(const QString &directory);

    int search();
    int list();
    int status();
    int set();
    int backup();
    int restore();

    // Confirms the controller and reads its status, as a save or a load needs.
    int readController(const QModelIndex &controller, ControllerLink &link);
    int readWifiPassword(QString &password);
    void printPlan(const QModelIndex &controller, const ConfigurationPlan &plan);
    // Sends the plan's requests, each after the reply to the one before.
    int applyPlan(const QModelIndex &controller, ControllerLink &link,
                  const ConfigurationPlan &plan, const QString &wifiPassword);

    // The controller named by the text, or the exit status when there is none.
    int resolveController(const QString &text, QPersistentModelIndex &controller);
    // Asks system_info: the controller at the address must be this one.
    int confirmIdentity(const QModelIndex &controller, ControllerLink &link);
    int reportAmbiguous(const QString &what, const QString &text, const QStringList &names);
    int reportFailure(const QModelIndex &controller, const ControllerLink::Outcome &outcome);

    // Runs the search; an empty text when its greetings went out.
    QString runSearch(DevicesSearcher &searcher);
    QString searchSeconds() const;
    void printSearch(const QVector<DeviceDescription> &devices);
    void printStatusTable(const QModelIndex &controller, const ControllerLink &link);
    QJsonObject statusJson(const QModelIndex &controller, const ControllerLink &link);
    QJsonObject controllerJson(const QModelIndex &controller) const;
    QJsonObject channelJson(const QModelIndex &channel) const;
    QJsonObject levelJson(const QModelIndex &channel) const;
    QString typeKey(const QModelIndex &channel) const;
    QVector<QPersistentModelIndex> sortedChannels(const QModelIndex &controller) const;
    QString label(const QModelIndex &controller) const;
    // Device text as printed: escaped, "-" when empty.
    static QString shown(const QString &text);

    const CtlCommandLine &line;
    const QString settingsPath;
    const SettingsFileCheck fileCheck;
    ControllerLookup lookup;
};

#endif // CTL_H
