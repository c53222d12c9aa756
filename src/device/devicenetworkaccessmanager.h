#ifndef DEVICENETWORKACCESSMANAGER_H
#define DEVICENETWORKACCESSMANAGER_H

#include <QNetworkAccessManager>

// A controller's network access manager. Its plain HTTP GETs are made by
// DeviceHttpReply on the manager's own thread; Qt 5's HTTP replies start a
// thread for every manager and cross threads several times per request,
// which made a thread per controller and cost several times the handling of
// the reply itself. Anything else goes to Qt's implementation.
class DeviceNetworkAccessManager : public QNetworkAccessManager
{
    Q_OBJECT

public:
    explicit DeviceNetworkAccessManager(QObject *parent);

protected:
    QNetworkReply *createRequest(Operation op, const QNetworkRequest &request,
                                 QIODevice *outgoingData) override;
};

#endif // DEVICENETWORKACCESSMANAGER_H
