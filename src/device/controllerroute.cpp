#include "device/controllerroute.h"

#include <QJsonObject>
#include <QJsonValue>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTimer>
#include <QUrlQuery>

namespace {

const char TimedOutProperty[] = "norvaleoTimedOut";

bool isOwnSystemInfo(const QJsonValue &info, const QString &uniqueId)
{
    const QJsonValue id = info.toObject().value(QLatin1String("unique_id"));
    return id.isString() && id.toString() == uniqueId;
}

// Some devices name themselves in dimmer_info too.
bool carriesOtherUniqueId(const QJsonValue &info, const QString &uniqueId)
{
    const QJsonValue id = info.toObject().value(QLatin1String("unique_id"));
    return !id.isUndefined() && !(id.isString() && id.toString() == uniqueId);
}

} // namespace

QVector<ControllerRoute::Address> ControllerRoute::order(const QString &wired,
                                                         const QString &wifi) const
{
    const Address wiredAddress{wired, true};
    const Address wifiAddress{wifi, false};
    QVector<Address> order;
    for (const Address &candidate :
         {wiredInUse ? wiredAddress : wifiAddress, wiredInUse ? wifiAddress : wiredAddress}) {
        if (!candidate.host.isEmpty() &&
            (order.isEmpty() || order.first().host != candidate.host)) {
            order.append(candidate);
        }
    }
    return order;
}

void ControllerRoute::switchAddress()
{
    wiredInUse = !wiredInUse;
    confirmed = false;
}

bool ControllerRoute::allows(const QUrlQuery &query) const
{
    return confirmed ||
           query.queryItemValue(QStringLiteral("request_type")) == QLatin1String("get");
}

ControllerRoute::Identity ControllerRoute::identityOf(const QJsonObject &status,
                                                      const QString &uniqueId)
{
    const auto systemInfo = status.constFind(QLatin1String("system_info"));
    if (systemInfo != status.constEnd()) {
        return isOwnSystemInfo(systemInfo.value(), uniqueId) ? Identity::Own : Identity::Foreign;
    }
    const auto dimmerInfo = status.constFind(QLatin1String("dimmer_info"));
    if (dimmerInfo != status.constEnd() && carriesOtherUniqueId(dimmerInfo.value(), uniqueId)) {
        return Identity::Foreign;
    }
    return Identity::Unproven;
}

QNetworkReply *ControllerRoute::get(QNetworkAccessManager &manager, const QNetworkRequest &request)
{
    QNetworkReply *reply = manager.get(request);
    auto *timer = new QTimer(reply);
    timer->setSingleShot(true);
    QObject::connect(timer, &QTimer::timeout, reply, [reply] {
        if (!reply->isFinished()) {
            reply->setProperty(TimedOutProperty, true);
            reply->abort();
        }
    });
    // The buffer stops reading at the bound; a reply that reaches it is given up.
    reply->setReadBufferSize(MaxReplyBytes);
    QObject::connect(reply, &QIODevice::readyRead, reply, [reply] {
        if (reply->bytesAvailable() >= MaxReplyBytes) {
            reply->abort();
        }
    });
    timer->start(RequestTimeoutMs);
    return reply;
}

bool ControllerRoute::isTimedOut(const QNetworkReply &reply)
{
    return reply.property(TimedOutProperty).toBool();
}
