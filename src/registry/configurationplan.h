#ifndef CONFIGURATIONPLAN_H
#define CONFIGURATIONPLAN_H

#include "registry/controllerconfiguration.h"

#include <QCoreApplication>
#include <QStringList>
#include <QUrlQuery>
#include <QVariant>
#include <QVector>

#include <optional>

// What loading a configuration file onto a controller would change, setting
// by setting in the pages' words, and the requests that change it, in the
// order they are sent: channels, inputs, dimming, RS-485, Modbus, autosave,
// the name, then the network settings, which may move the device.
class ConfigurationPlan
{
    Q_DECLARE_TR_FUNCTIONS(ConfigurationPlan)

public:
    struct Change
    {
        QString setting;
        QString current;
        QString proposed;
        bool network = false;
    };

    // One write of a role, as a settings page makes it; lightId 0 is the
    // controller itself.
    struct Request
    {
        int lightId = 0;
        QByteArray role;
        QVariant value;
        bool network = false;
        QVector<int> changes;
    };

    // Nothing when the file belongs to another kind of controller.
    static std::optional<ConfigurationPlan> build(const ControllerConfiguration &current,
                                                  const ControllerConfiguration &file,
                                                  QString *error);

    // The requests to send: network ones only when asked for. A Wi-Fi
    // request that changes the network's name carries the password.
    QVector<Request> requestsToSend(bool withNetwork, const QString &wifiPassword) const;
    // What the controller's setter for the request's role sends.
    static std::optional<QUrlQuery> queryOf(const Request &request);

    // "Применено: ...; не применено: ..." after the first `applied` of the requests.
    QString outcomeText(const QVector<Request> &sent, int applied) const;
    QStringList settingsOf(const QVector<Request> &requests, int from, int to) const;

    QVector<Change> changes;
    QVector<Request> requests;
    // Channels of the file that the controller does not have.
    QVector<int> skippedChannels;
    // The Wi-Fi request joins another network: its password is needed.
    bool wifiNeedsPassword = false;

private:
    int addChange(const QString &setting, const QString &current, const QString &proposed,
                  bool network = false);
    void addRequest(int lightId, const QByteArray &role, const QVariant &value,
                    const QVector<int> &changeList, bool network = false);
    void planChannel(const ControllerConfiguration::Channel &current,
                     const ControllerConfiguration::Channel &file);
    void planInputs(const ControllerConfiguration &current, const ControllerConfiguration &file);
    void planDimming(const ControllerConfiguration &current, const ControllerConfiguration &file);
    void planLine(const ControllerConfiguration &current, const ControllerConfiguration &file);
    void planNetwork(const ControllerConfiguration::Network &current,
                     const ControllerConfiguration::Network &file, bool wifi);
};

#endif // CONFIGURATIONPLAN_H
