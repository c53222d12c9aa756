#ifndef DEVICESSEARCHER_H
#define DEVICESSEARCHER_H

#include "discovery/addresssweep.h"
#include "discovery/broadcasttargets.h"
#include "discovery/devicedescription.h"

#include <QHash>
#include <QHostAddress>
#include <QObject>
#include <QSet>
#include <QStringList>

#include <functional>
#include <optional>

class QUdpSocket;

// Finds dimmer controllers over UDP: a broadcast "search", an address "check",
// a "network" check of a range of addresses and a "find" by unique id. Each run
// greets, repeats on a timer, collects the answers by unique id and reports the
// table at every tick. Broadcasts go to 255.255.255.255 and to the directed
// broadcast of every adapter's network, each from a socket on that adapter.
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
    // What the current or last run greeted: the adapters' networks of a
    // broadcast run, the address or range of a check.
    QStringList searchedNetworks() const { return networks; }

    using TargetSource = std::function<QVector<BroadcastTargets::Target>()>;
    // Where broadcast runs learn the adapters, asked anew at every run.
    void setTargetSource(TargetSource source);

    // Greets every address of a valid range, at most AddressSweep::MaxPerTick
    // a tick; ends at the first tick at which all have answered.
    void checkNetwork(const AddressRange &range);

Q_SIGNALS:
    void searchedDevices(QVector<DeviceDescription> devices);
    // A controller answered the run for the first time.
    void deviceAnswered(DeviceDescription device);
    // No greeting of the run's first round could be sent (no route, no
    // network): nobody can answer unless that changes before the next round.
    void greetingsNotSent(QString triggerName, QString reason);
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
    struct Greeting
    {
        QUdpSocket *socket;
        QHostAddress destination;
    };

    void startBroadcastRun();
    void startRun(int interval);
    QUdpSocket *openSocket();
    // Why no greeting of the round went out, or an empty text.
    QString sendGreetings();
    void sendAgain();
    void finish(bool reportTable);
    bool isDone() const;
    void receiveFrom(QUdpSocket *from);
    void collect(const DeviceDescription &description);

    QHash<QString, DeviceDescription> found;
    QSet<QString> wantedIds;
    // The run's first socket; its presence is the running state.
    QUdpSocket *socket = nullptr;
    QVector<QUdpSocket *> sockets;
    QVector<Greeting> greetings;
    std::optional<AddressSweep> sweep;
    QStringList networks;
    TargetSource targetSource;
    QString triggerName;
    int timerId = -1;
    int sendCounter = 0;
};

#endif // DEVICESSEARCHER_H
