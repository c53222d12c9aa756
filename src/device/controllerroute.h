#ifndef CONTROLLERROUTE_H
#define CONTROLLERROUTE_H

#include <QString>
#include <QVector>

class QJsonObject;
class QNetworkAccessManager;
class QNetworkReply;
class QNetworkRequest;
class QUrlQuery;

// Where a controller's requests go and whether its answers come from it. Of
// its two addresses the one in use is asked, the wired one until a failure
// turns to the other. After a turn another device may answer there: until a
// system_info carries the controller's unique id nothing but reading requests
// is sent. Whatever talks to a controller keeps one, so that all of them pick
// addresses, trust answers and give up on requests alike.
class ControllerRoute
{
public:
    // Every request is aborted after this and counts as failed.
    static constexpr int RequestTimeoutMs = 4000;
    // Far above any real reply; a device that sends this much is cut off like a timeout.
    static constexpr qint64 MaxReplyBytes = 1024 * 1024;

    // Own: a system_info with the controller's unique id. Foreign: another
    // device's system_info, or a dimmer_info naming another unique id.
    enum class Identity { Own, Foreign, Unproven };

    struct Address
    {
        QString host;
        bool wired = true;
    };

    // The addresses to ask, the one in use first. An empty address is
    // missing; the other one is left out when it is the same host.
    QVector<Address> order(const QString &wired, const QString &wifi) const;
    bool isWiredInUse() const { return wiredInUse; }
    // The other address, whose device has to prove who it is first.
    void switchAddress();

    bool isConfirmed() const { return confirmed; }
    void confirm() { confirmed = true; }
    void forgetConfirmation() { confirmed = false; }
    // Until the device in use proved who it is, a change could reach another
    // controller that took the address: only reading requests go out.
    bool allows(const QUrlQuery &query) const;

    // Who answered, read from the members of a status reply.
    static Identity identityOf(const QJsonObject &status, const QString &uniqueId);

    // A GET that is aborted after RequestTimeoutMs, or once MaxReplyBytes of
    // its body wait to be read.
    static QNetworkReply *get(QNetworkAccessManager &manager, const QNetworkRequest &request);
    // Whether the timeout of get aborted the reply.
    static bool isTimedOut(const QNetworkReply &reply);

private:
    bool wiredInUse = true;
    // Nothing is fed before a program starts talking but test and benchmark
    // bytes, so the first address counts as proved until then.
    bool confirmed = true;
};

#endif // CONTROLLERROUTE_H
