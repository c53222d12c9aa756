#ifndef DEVICESSEARCHER_H
#define DEVICESSEARCHER_H

#include "discovery/devicedescription.h"

#include <QHash>
#include <QHostAddress>
#include <QNetworkDatagram>
#include <QObject>
#include <QSet>

#include <optional>

class QUdpSocket;

// Finds dimmer controllers over UDP: a broadcast "search", an address "check"
// and a "find" by unique id. Each run greets, repeats on a timer, collects the
// answers by unique id and reports the table at every tick.
class DevicesSearcher : public QObject
{
    Q_OBJECT

public:
    explicit DevicesSearcher(QObject *parent = nullptr);
    ~DevicesSearcher() override;

    // The controller described by one answer datagram, or nothing when the
    // datagram is no usable answer.
    static std::optional<DeviceDescription> parseAnswer(const QByteArray &datagram);

    // The table of the current or last run, also after it was stopped.
    QVector<DeviceDescription> foundDevices() const;

Q_SIGNALS:
    void searchedDevices(QVector<DeviceDescription> devices);
    void searchingFinished(QString triggerName, int count);

public Q_SLOTS:
    void startSearching();
    void stopSearching();
    void checkDevice(QString ipAddress);
    void findDevice(QString uniqueId);

private Q_SLOTS:
    void onReadyRead();

protected:
    void timerEvent(QTimerEvent *event) override;

private:
    void startRun(const QHostAddress &destination, int interval);
    void sendAgain();
    void finish(bool reportTable);
    void collect(const DeviceDescription &description);

    QHash<QString, DeviceDescription> found;
    QSet<QString> wantedIds;
    QUdpSocket *socket = nullptr;
    QNetworkDatagram datagram;
    QString triggerName;
    int timerId = -1;
    int sendCounter = 0;
};

#endif // DEVICESSEARCHER_H
