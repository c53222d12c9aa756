#ifndef CONTROLLERLINK_H
#define CONTROLLERLINK_H

#include "device/controllerroute.h"
#include "device/devicenetworkaccessmanager.h"

#include <QPersistentModelIndex>
#include <QString>
#include <QUrlQuery>

class NorvaleoDimmer;
class QJsonObject;
class RootModel;

// One controller over HTTP, one request at a time, for the terminal. The
// route picks the address and judges who answers, as it does for the node: a
// request goes to the address in use, first the wired one, and when it fails
// there once more to the other one, which is then in use. An address is first
// asked for system_info, and nothing else is sent there unless it carries the
// controller's unique id. Replies that the device carried out are handed to
// the controller node, which reads them as it reads its own.
class ControllerLink
{
public:
    // Foreign: the device at the address is not this controller.
    enum class Result { Done, Refused, NoAnswer, Garbage, Foreign };

    struct Outcome
    {
        Result result = Result::NoAnswer;
        // The address that answered, or the last one tried.
        QString address;
        // What went wrong, address by address; empty when done.
        QString failure;
    };

    ControllerLink(RootModel &root, const QPersistentModelIndex &controller);

    Outcome request(const QUrlQuery &query);
    // The address of the last request that was answered, and whether it is
    // the wired one.
    QString addressInUse() const { return hostInUse; }
    bool wiredInUse() const { return route.isWiredInUse(); }

private:
    QString text(const QByteArray &role) const;
    Outcome requestAt(const QString &host, const QUrlQuery &query);
    Outcome confirmAt(const QString &host);
    // answer: the members of a reply the device carried out.
    Outcome exchange(const QString &host, const QUrlQuery &query, QJsonObject *answer = nullptr);
    static QString networkFailure(int error, bool timedOut);

    RootModel &root;
    QPersistentModelIndex controller;
    NorvaleoDimmer *node = nullptr;
    DeviceNetworkAccessManager manager;
    ControllerRoute route;
    // The address of the last answered request; empty until then.
    QString hostInUse;
    // Both addresses may be tried within one request, so the proof is kept
    // by host: the address whose system_info was the controller's own.
    QString confirmedHost;
};

#endif // CONTROLLERLINK_H
