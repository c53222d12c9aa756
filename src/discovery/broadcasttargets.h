#ifndef BROADCASTTARGETS_H
#define BROADCASTTARGETS_H

#include <QHostAddress>
#include <QList>
#include <QNetworkInterface>
#include <QString>
#include <QVector>

// The directed broadcasts a search sends besides 255.255.255.255: one per
// IPv4 network of every adapter that is up and can broadcast. A limited
// broadcast leaves by one adapter only, the one the routing picks.
class BroadcastTargets
{
public:
    struct Target
    {
        QString adapterName;
        // The adapter's own address: the greeting leaves from it, so it leaves
        // by that adapter on every system.
        QHostAddress localAddress;
        QHostAddress broadcast;
        int prefixLength = 0;

        // "eth0 192.168.1.10/24", as the user is told what was searched.
        QString text() const;
    };

    static QVector<Target> fromInterfaces(const QList<QNetworkInterface> &interfaces);
    // The adapters of this machine now.
    static QVector<Target> current();
};

#endif // BROADCASTTARGETS_H
