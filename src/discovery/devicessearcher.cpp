#include "discovery/devicessearcher.h"

#include "logging/logcategories.h"
#include "model/devicelimits.h"
#include "model/hostaddresstext.h"
#include "json/jsonreader.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <QNetworkDatagram>
#include <QTimerEvent>
#include <QUdpSocket>

#include <utility>

namespace {

constexpr quint16 discoveryPort = 1112;
constexpr int maxSends = 14;
constexpr int searchInterval = 800;
constexpr int checkInterval = 1000;
// Nothing larger fits in one UDP datagram; a fixed buffer keeps a claimed size
// from deciding what is allocated.
constexpr qint64 maxDatagramSize = 65536;
// Answers read per notification: a flood must not keep the window from
// drawing; the rest wait for the next turn of the event loop.
constexpr int maxDatagramsPerTurn = 64;

const char greeting[] = "hello norvaleo devices!";
const QString dimmerType = QStringLiteral("NORVALEO_DIMMER");
const QString searchTrigger = QStringLiteral("search");
const QString checkTrigger = QStringLiteral("check");
const QString findTrigger = QStringLiteral("find");
const QString networkTrigger = QStringLiteral("network");

QByteArray greetingBytes()
{
    return QByteArray(greeting, int(sizeof(greeting)) - 1);
}

} // namespace

DevicesSearcher::DevicesSearcher(QObject *parent)
    : QObject(parent), targetSource(&BroadcastTargets::current)
{
    // The records cross queued connections and signal spies.
    qRegisterMetaType<DeviceDescription>();
    qRegisterMetaType<QVector<DeviceDescription>>();
}

DevicesSearcher::~DevicesSearcher() = default;

void DevicesSearcher::startSearching()
{
    if (socket)
        return;
    found.clear();
    wantedIds.clear();
    triggerName = searchTrigger;
    startBroadcastRun();
}

void DevicesSearcher::setTargetSource(TargetSource source)
{
    targetSource = std::move(source);
}

QVector<DeviceDescription> DevicesSearcher::foundDevices() const
{
    return found.values().toVector();
}

void DevicesSearcher::stopSearching()
{
    if (!socket)
        return;
    wantedIds.clear();
    killTimer(timerId);
    timerId = -1;
    sendCounter = 0;
    for (QUdpSocket *runSocket : std::as_const(sockets)) {
        runSocket->disconnect();
        runSocket->deleteLater();
    }
    sockets.clear();
    greetings.clear();
    sweep.reset();
    socket = nullptr;
}

void DevicesSearcher::checkDevice(QString ipAddress)
{
    if (socket)
        return;
    found.clear();
    triggerName = checkTrigger;
    // An unparsable text leaves the null address: nothing is sent and the run
    // ends empty at its last tick.
    networks = QStringList{ipAddress};
    greetings = {{openSocket(), QHostAddress(ipAddress)}};
    startRun(checkInterval);
}

void DevicesSearcher::checkNetwork(const AddressRange &range)
{
    if (socket || !range.isValid())
        return;
    found.clear();
    triggerName = networkTrigger;
    networks = QStringList{range.text()};
    openSocket();
    sweep.emplace(range);
    startRun(checkInterval);
}

void DevicesSearcher::findDevice(QString uniqueId)
{
    if (socket && triggerName != findTrigger)
        return;
    wantedIds.insert(uniqueId);
    if (socket)
        return;
    found.clear();
    triggerName = findTrigger;
    startBroadcastRun();
}

void DevicesSearcher::startBroadcastRun()
{
    greetings = {{openSocket(), QHostAddress(QHostAddress::Broadcast)}};
    networks.clear();
    // Adapters come and go between runs: asked anew each time.
    for (const BroadcastTargets::Target &target : targetSource()) {
        QUdpSocket *adapterSocket = openSocket();
        if (!adapterSocket->bind(target.localAddress)) {
            // Gone since the list was taken: skipped.
            qCDebug(lcDiscovery) << "cannot send from" << target.text()
                                 << adapterSocket->errorString();
            sockets.removeLast();
            delete adapterSocket;
            continue;
        }
        greetings.append({adapterSocket, target.broadcast});
        networks.append(target.text());
    }
    startRun(searchInterval);
}

QUdpSocket *DevicesSearcher::openSocket()
{
    auto *runSocket = new QUdpSocket(this);
    connect(runSocket, &QUdpSocket::readyRead, this, &DevicesSearcher::onReadyRead);
    sockets.append(runSocket);
    if (!socket)
        socket = runSocket;
    return runSocket;
}

void DevicesSearcher::startRun(int interval)
{
    const QString failure = sendGreetings();
    sendCounter = 1;
    timerId = startTimer(interval, Qt::CoarseTimer);
    // Last: a receiver may stop the run.
    if (!failure.isEmpty())
        Q_EMIT greetingsNotSent(triggerName, failure);
}

QString DevicesSearcher::sendGreetings()
{
    QString failure;
    bool sent = false;
    const auto send = [&](QUdpSocket *from, const QHostAddress &destination) {
        if (from->writeDatagram(greetingBytes(), destination, discoveryPort) >= 0) {
            sent = true;
            return;
        }
        failure = from->errorString();
        qCDebug(lcDiscovery) << triggerName << "cannot greet" << destination.toString() << failure;
    };
    if (sweep) {
        const QVector<QHostAddress> batch = sweep->nextBatch();
        for (const QHostAddress &address : batch)
            send(socket, address);
        qCDebug(lcDiscovery) << triggerName << "greeting to" << batch.size() << "addresses";
    } else {
        for (const Greeting &target : std::as_const(greetings)) {
            send(target.socket, target.destination);
            qCDebug(lcDiscovery) << triggerName << "greeting to" << target.destination.toString();
        }
    }
    return sent ? QString() : failure;
}

void DevicesSearcher::onReadyRead()
{
    // Several answers may be waiting behind one notification: take them, up to
    // a bound shared by all the run's sockets, one from each in turn. Reading
    // re-arms the notifiers, so the rest come with the next turn of the event
    // loop, after other events.
    int read = 0;
    bool pending = true;
    while (pending && read < maxDatagramsPerTurn) {
        pending = false;
        const QUdpSocket *const runSocket = socket;
        for (int i = 0; i < sockets.size() && read < maxDatagramsPerTurn; ++i) {
            QUdpSocket *from = sockets.at(i);
            if (!from->hasPendingDatagrams())
                continue;
            pending = true;
            ++read;
            receiveFrom(from);
            // A receiver of a new controller may have stopped the run.
            if (socket != runSocket)
                return;
        }
    }
}

void DevicesSearcher::receiveFrom(QUdpSocket *from)
{
    const QNetworkDatagram answer = from->receiveDatagram(maxDatagramSize);
    if (!answer.isValid())
        return;
    const auto description = parseAnswer(answer.data());
    if (!description) {
        qCDebug(lcDiscovery) << "skipped answer from" << answer.senderAddress().toString();
        return;
    }
    qCDebug(lcDiscovery) << "answer from" << answer.senderAddress().toString()
                         << description->uniqueId;
    if (sweep) {
        sweep->markAnswered(answer.senderAddress());
        sweep->markAnswered(QHostAddress(description->ipAddress1));
        sweep->markAnswered(QHostAddress(description->ipAddress2));
    }
    collect(*description);
}

std::optional<DeviceDescription> DevicesSearcher::parseAnswer(const QByteArray &datagram)
{
    const QJsonDocument document = JsonReader::read(datagram);
    if (document.isNull())
        return std::nullopt;
    const QJsonValue infoValue = document.object().value(QLatin1String("device_info"));
    if (!infoValue.isObject())
        return std::nullopt;
    const QJsonObject info = infoValue.toObject();

    DeviceDescription description;
    const QString type = info.value(QLatin1String("type")).toString();
    if (type != dimmerType)
        return std::nullopt;
    description.type = 1;

    description.ipAddress1 =
        HostAddressText::canonical(info.value(QLatin1String("ip_1")).toString());
    description.ipAddress2 =
        HostAddressText::canonical(info.value(QLatin1String("ip_2")).toString());
    if (description.ipAddress1.isEmpty() && description.ipAddress2.isEmpty())
        return std::nullopt;

    description.uniqueId = info.value(QLatin1String("unique_id")).toString();
    if (description.uniqueId.isNull() ||
        description.uniqueId.size() > DeviceLimits::MaxUniqueIdLength)
        return std::nullopt;

    description.name = DeviceLimits::cutName(info.value(QLatin1String("name")).toString());
    if (description.name.isEmpty())
        description.name = QString(type).replace(QLatin1Char('_'), QLatin1Char(' '));

    return description;
}

void DevicesSearcher::collect(const DeviceDescription &description)
{
    const auto known = found.find(description.uniqueId);
    if (known == found.end()) {
        if (triggerName == findTrigger && !wantedIds.contains(description.uniqueId))
            return;
        // No more controllers than the list can keep.
        if (found.size() >= DeviceLimits::MaxControllers)
            return;
        found.insert(description.uniqueId, description);
        Q_EMIT deviceAnswered(description);
        return;
    }
    // A known controller keeps its name; an answer may update either address.
    if (!description.ipAddress1.isEmpty())
        known->ipAddress1 = description.ipAddress1;
    if (!description.ipAddress2.isEmpty())
        known->ipAddress2 = description.ipAddress2;
}

void DevicesSearcher::timerEvent(QTimerEvent *event)
{
    if (event->timerId() != timerId)
        return;

    if (sendCounter >= maxSends) {
        finish(true);
        return;
    }

    if (found.isEmpty()) {
        sendAgain();
        return;
    }

    // A receiver may stop this run, or stop it and start another, while the
    // table is reported; then this tick has nothing more to do.
    const QUdpSocket *const runSocket = socket;
    Q_EMIT searchedDevices(found.values().toVector());
    if (socket != runSocket)
        return;

    if (isDone()) {
        finish(false);
        return;
    }
    sendAgain();
}

bool DevicesSearcher::isDone() const
{
    if (triggerName == checkTrigger)
        return true;
    if (triggerName == networkTrigger)
        return sweep && sweep->allAnswered();
    return triggerName == findTrigger && found.size() == wantedIds.size();
}

void DevicesSearcher::finish(bool reportTable)
{
    // Taken before emitting: a receiver may start the next run at once.
    const QString trigger = triggerName;
    const int count = found.size();
    const QVector<DeviceDescription> devices = found.values().toVector();
    stopSearching();
    if (reportTable && count > 0)
        Q_EMIT searchedDevices(devices);
    Q_EMIT searchingFinished(trigger, count);
}

void DevicesSearcher::sendAgain()
{
    ++sendCounter;
    sendGreetings();
}
