#include "discovery/broadcasttargets.h"

namespace {

// /31 and /32 networks have no broadcast address.
constexpr int MaxPrefixLength = 30;

bool canBroadcast(const QNetworkInterface &adapter)
{
    const QNetworkInterface::InterfaceFlags flags = adapter.flags();
    return flags.testFlag(QNetworkInterface::IsUp) &&
           flags.testFlag(QNetworkInterface::CanBroadcast) &&
           !flags.testFlag(QNetworkInterface::IsLoopBack);
}

} // namespace

QString BroadcastTargets::Target::text() const
{
    return QStringLiteral("%1 %2/%3").arg(adapterName, localAddress.toString()).arg(prefixLength);
}

QVector<BroadcastTargets::Target>
BroadcastTargets::fromInterfaces(const QList<QNetworkInterface> &interfaces)
{
    QVector<Target> targets;
    for (const QNetworkInterface &adapter : interfaces) {
        if (!canBroadcast(adapter))
            continue;
        const QString name =
            adapter.humanReadableName().isEmpty() ? adapter.name() : adapter.humanReadableName();
        for (const QNetworkAddressEntry &entry : adapter.addressEntries()) {
            bool ipv4 = false;
            const quint32 address = entry.ip().toIPv4Address(&ipv4);
            const int prefix = entry.prefixLength();
            if (!ipv4 || prefix < 0 || prefix > MaxPrefixLength)
                continue;
            // Worked out from the prefix: not every system reports it.
            const quint32 hostMask = prefix == 0 ? ~quint32(0) : (quint32(1) << (32 - prefix)) - 1;
            targets.append({name, entry.ip(), QHostAddress(address | hostMask), prefix});
        }
    }
    return targets;
}

QVector<BroadcastTargets::Target> BroadcastTargets::current()
{
    return fromInterfaces(QNetworkInterface::allInterfaces());
}
