#include "discovery/devicessearcher.h"

#include "logging/logcategories.h"
#include "model/devicelimits.h"
#include "model/hostaddresstext.h"
#include "json/jsonreader.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <QTimerEvent>
#include <QUdpSocket>

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

} // namespace

DevicesSearcher::DevicesSearcher(QObject *parent) : QObject(parent)
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
    startRun(QHostAddress(QHostAddress::Broadcast), searchInterval);
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
    socket->disconnect();
    killTimer(timerId);
    timerId = -1;
    sendCounter = 0;
    socket->deleteLater();
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
    startRun(QHostAddress(ipAddress), checkInterval);
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
    startRun(QHostAddress(QHostAddress::Broadcast), searchInterval);
}

void DevicesSearcher::startRun(const QHostAddress &destination, int interval)
{
    socket = new QUdpSocket(this);
    connect(socket, &QUdpSocket::readyRead, this, &DevicesSearcher::onReadyRead);
    datagram.setDestination(destination, discoveryPort);
    datagram.setData(QByteArray(greeting, int(sizeof(greeting)) - 1));
    socket->writeDatagram(datagram);
    qCDebug(lcDiscovery) << triggerName << "greeting to" << destination.toString();
    sendCounter = 1;
    timerId = startTimer(interval, Qt::CoarseTimer);
}

void DevicesSearcher::onReadyRead()
{
    // Several answers may be waiting behind one notification: take them, up to
    // a bound. Reading re-arms the socket's notifier, so the rest come with the
    // next turn of the event loop, after other events.
    for (int read = 0; read < maxDatagramsPerTurn && socket && socket->hasPendingDatagrams();
         ++read) {
        const QNetworkDatagram answer = socket->receiveDatagram(maxDatagramSize);
        if (!answer.isValid())
            return;
        const auto description = parseAnswer(answer.data());
        if (!description) {
            qCDebug(lcDiscovery) << "skipped answer from" << answer.senderAddress().toString();
            continue;
        }
        qCDebug(lcDiscovery) << "answer from" << answer.senderAddress().toString()
                             << description->uniqueId;
        collect(*description);
    }
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

    const bool done = triggerName == checkTrigger ||
                      (triggerName == findTrigger && found.size() == wantedIds.size());
    if (done) {
        finish(false);
        return;
    }
    sendAgain();
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
    socket->writeDatagram(datagram);
}
