#ifndef CONTROLLERLINK_H
#define CONTROLLERLINK_H

#include <QNetworkAccessManager>
#include <QPersistentModelIndex>
#include <QString>
#include <QStringList>
#include <QUrlQuery>
#include <QVector>

class NorvaleoDimmer;
class RootModel;

// One controller over HTTP, one request at a time, for the terminal. A request
// goes to the address in use, first the wired one, and when it fails there
// once more to the other one, which is then in use. As the node does after an
// address switch, an address is first asked for system_info, and nothing else
// is sent there unless the node takes it as its own controller's. Replies that
// the device carried out are handed to the controller node, which reads them
// as it reads its own.
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
    QString addressInUse() const { return inUse.host; }
    bool wiredInUse() const { return inUse.wired; }

private:
    struct Address
    {
        QString host;
        bool wired = true;
    };

    QVector<Address> addressOrder() const;
    QString address(const QByteArray &role) const;
    Outcome requestAt(const QString &host, const QUrlQuery &query);
    Outcome confirmAt(const QString &host);
    Outcome exchange(const QString &host, const QUrlQuery &query);
    static QString networkFailure(int error, bool timedOut);

    RootModel &root;
    QPersistentModelIndex controller;
    NorvaleoDimmer *node = nullptr;
    QNetworkAccessManager manager;
    Address inUse;
    // The address whose system_info the node took; empty until then.
    QString confirmedHost;
};

#endif // CONTROLLERLINK_H
