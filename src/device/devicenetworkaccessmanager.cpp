#include "device/devicenetworkaccessmanager.h"

#include "device/devicehttpreply.h"

#include <QUrl>

DeviceNetworkAccessManager::DeviceNetworkAccessManager(QObject *parent)
    : QNetworkAccessManager(parent)
{
}

QNetworkReply *DeviceNetworkAccessManager::createRequest(Operation op,
                                                         const QNetworkRequest &request,
                                                         QIODevice *outgoingData)
{
    if (op != GetOperation || outgoingData || request.url().scheme() != QLatin1String("http")) {
        return QNetworkAccessManager::createRequest(op, request, outgoingData);
    }
    return new DeviceHttpReply(request, this);
}
