#include "simulatedcontroller.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkDatagram>
#include <QSignalSpy>
#include <QUdpSocket>
#include <QtTest>

#include <memory>

namespace {

const QByteArray greeting = QByteArrayLiteral("hello norvaleo devices!");

} // namespace

// Discovery side of the simulated controllers, seen through a plain UDP socket.
class TestSimulatedDiscovery : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void broadcastIsAnsweredByEveryController();
    void repeatedGreetingsAreAnsweredAgain();
    void unicastGreetingIsAnsweredByTheAddressedControllerOnly();
    void otherPayloadsAreIgnored();
    void silentAddressIgnoresUnicastGreetings();
    void udpSilentControllerIgnoresBroadcasts();
    void movedControllerAnswersOnItsNewAddresses();

private:
    void greet(const QHostAddress &address, const QByteArray &payload = greeting);
    // Collects answers until `count` arrived or the wait ran out.
    QList<QNetworkDatagram> answers(int count, int timeoutMs = 3000);
    // Sends a greeting to `probe`'s wired address and waits for its answer, so
    // that anything sent before has been handled by then.
    QList<QNetworkDatagram> answersBeforeProbe(SimulatedController &probe);

    std::unique_ptr<SimulatedController> first;
    std::unique_ptr<SimulatedController> second;
    std::unique_ptr<QUdpSocket> client;
};

void TestSimulatedDiscovery::init()
{
    first = std::make_unique<SimulatedController>(QStringLiteral("127.0.0.2"),
                                                  QStringLiteral("127.0.0.3"),
                                                  QStringLiteral("NV-A1"), QStringLiteral("Кухня"));
    second = std::make_unique<SimulatedController>(
        QStringLiteral("127.0.0.4"), QString(), QStringLiteral("NV-B2"), QStringLiteral("Спальня"));
    QVERIFY(first->start());
    QVERIFY(second->start());
    client = std::make_unique<QUdpSocket>();
    QVERIFY(client->bind(QHostAddress(QHostAddress::AnyIPv4), 0));
}

void TestSimulatedDiscovery::cleanup()
{
    client.reset();
    first.reset();
    second.reset();
}

void TestSimulatedDiscovery::greet(const QHostAddress &address, const QByteArray &payload)
{
    QCOMPARE(client->writeDatagram(payload, address, SimulatedController::DiscoveryPort),
             qint64(payload.size()));
}

QList<QNetworkDatagram> TestSimulatedDiscovery::answers(int count, int timeoutMs)
{
    QList<QNetworkDatagram> received;
    QElapsedTimer timer;
    timer.start();
    while (received.size() < count && timer.elapsed() < timeoutMs) {
        if (!client->hasPendingDatagrams())
            QSignalSpy(client.get(), &QUdpSocket::readyRead).wait(100);
        while (client->hasPendingDatagrams())
            received.append(client->receiveDatagram());
    }
    return received;
}

QList<QNetworkDatagram> TestSimulatedDiscovery::answersBeforeProbe(SimulatedController &probe)
{
    QSignalSpy probeAnswered(&probe, &SimulatedController::greetingAnswered);
    greet(QHostAddress(probe.wiredAddress()));
    if (!probeAnswered.wait(3000))
        return {};
    // Greetings sent before the probe are handled in the same or an earlier pass of
    // the event loop; one more pass settles them. Loopback delivery is immediate, so
    // every answer sent by then is queued on the client.
    QCoreApplication::processEvents();
    QList<QNetworkDatagram> received;
    while (client->hasPendingDatagrams())
        received.append(client->receiveDatagram());
    return received;
}

static QJsonObject deviceInfo(const QNetworkDatagram &datagram)
{
    return QJsonDocument::fromJson(datagram.data()).object().value("device_info").toObject();
}

static QStringList uniqueIds(const QList<QNetworkDatagram> &datagrams)
{
    QStringList ids;
    for (const QNetworkDatagram &datagram : datagrams)
        ids.append(deviceInfo(datagram).value("unique_id").toString());
    ids.sort();
    return ids;
}

void TestSimulatedDiscovery::broadcastIsAnsweredByEveryController()
{
    greet(QHostAddress::Broadcast);
    const QList<QNetworkDatagram> received = answers(2);

    QCOMPARE(uniqueIds(received), QStringList({"NV-A1", "NV-B2"}));
    for (const QNetworkDatagram &datagram : received) {
        const QJsonObject info = deviceInfo(datagram);
        QCOMPARE(info.value("type").toString(), QStringLiteral("NORVALEO_DIMMER"));
        if (info.value("unique_id") == "NV-A1") {
            QCOMPARE(info.value("ip_1").toString(), QStringLiteral("127.0.0.2"));
            QCOMPARE(info.value("ip_2").toString(), QStringLiteral("127.0.0.3"));
            QCOMPARE(info.value("name").toString(), QStringLiteral("Кухня"));
        } else {
            QCOMPARE(info.value("ip_1").toString(), QStringLiteral("127.0.0.4"));
            QCOMPARE(info.value("ip_2").toString(), QString());
            QCOMPARE(info.value("name").toString(), QStringLiteral("Спальня"));
        }
    }
    QCOMPARE(first->greetingsAnswered(), 1);
    QCOMPARE(second->greetingsAnswered(), 1);
}

void TestSimulatedDiscovery::repeatedGreetingsAreAnsweredAgain()
{
    first->setName(QStringLiteral("Веранда"));
    for (int i = 0; i < 3; ++i)
        greet(QHostAddress::Broadcast);
    const QList<QNetworkDatagram> received = answers(6);

    QCOMPARE(received.size(), 6);
    QCOMPARE(first->greetingsAnswered(), 3);
    QCOMPARE(second->greetingsAnswered(), 3);
    for (const QNetworkDatagram &datagram : received) {
        if (deviceInfo(datagram).value("unique_id") == "NV-A1")
            QCOMPARE(deviceInfo(datagram).value("name").toString(), QStringLiteral("Веранда"));
    }
}

void TestSimulatedDiscovery::unicastGreetingIsAnsweredByTheAddressedControllerOnly()
{
    greet(QHostAddress("127.0.0.3"));
    QList<QNetworkDatagram> received = answersBeforeProbe(*second);
    QCOMPARE(uniqueIds(received), QStringList({"NV-A1", "NV-B2"}));
    QCOMPARE(first->greetingsAnswered(), 1);
    QCOMPARE(second->greetingsAnswered(), 1);

    // An address that nobody owns reaches the shared sockets and must stay unanswered.
    greet(QHostAddress("127.0.0.50"));
    received = answersBeforeProbe(*first);
    QCOMPARE(uniqueIds(received), QStringList({"NV-A1"}));
    QCOMPARE(second->greetingsAnswered(), 1);
}

void TestSimulatedDiscovery::otherPayloadsAreIgnored()
{
    const QList<QByteArray> payloads = {
        greeting.chopped(1),
        greeting + '\n',
        greeting + QByteArray(100, 'x'),
        QByteArray("{\"device_info\":{\"type\":\"NORVALEO_DIMMER\"}}"),
        QByteArray(1400, '\xff'),
        QByteArray(),
    };
    for (const QByteArray &payload : payloads)
        greet(QHostAddress::Broadcast, payload);
    greet(QHostAddress("127.0.0.2"), "HELLO NORVALEO DEVICES!");

    const QList<QNetworkDatagram> received = answersBeforeProbe(*first);
    QCOMPARE(uniqueIds(received), QStringList({"NV-A1"}));
    QCOMPARE(first->greetingsAnswered(), 1);
    QCOMPARE(second->greetingsAnswered(), 0);
}

void TestSimulatedDiscovery::silentAddressIgnoresUnicastGreetings()
{
    first->setAddressSilent(QStringLiteral("127.0.0.2"), true);
    greet(QHostAddress("127.0.0.2"));
    QList<QNetworkDatagram> received = answersBeforeProbe(*second);
    QCOMPARE(uniqueIds(received), QStringList({"NV-B2"}));
    QCOMPARE(first->greetingsAnswered(), 0);

    greet(QHostAddress("127.0.0.3"));
    received = answers(1);
    QCOMPARE(uniqueIds(received), QStringList({"NV-A1"}));

    first->setAddressSilent(QStringLiteral("127.0.0.2"), false);
    greet(QHostAddress("127.0.0.2"));
    QCOMPARE(uniqueIds(answers(1)), QStringList({"NV-A1"}));
}

void TestSimulatedDiscovery::udpSilentControllerIgnoresBroadcasts()
{
    first->setUdpSilent(true);
    greet(QHostAddress::Broadcast);
    greet(QHostAddress("127.0.0.2"));
    const QList<QNetworkDatagram> received = answersBeforeProbe(*second);
    QCOMPARE(uniqueIds(received), QStringList({"NV-B2", "NV-B2"}));
    QCOMPARE(first->greetingsAnswered(), 0);
}

void TestSimulatedDiscovery::movedControllerAnswersOnItsNewAddresses()
{
    QVERIFY(first->moveToAddresses(QStringLiteral("127.0.0.12"), QStringLiteral("127.0.0.13")));

    greet(QHostAddress("127.0.0.2"));
    QList<QNetworkDatagram> received = answersBeforeProbe(*second);
    QCOMPARE(uniqueIds(received), QStringList({"NV-B2"}));

    greet(QHostAddress("127.0.0.13"));
    received = answers(1);
    QCOMPARE(uniqueIds(received), QStringList({"NV-A1"}));
    const QJsonObject info = deviceInfo(received.first());
    QCOMPARE(info.value("ip_1").toString(), QStringLiteral("127.0.0.12"));
    QCOMPARE(info.value("ip_2").toString(), QStringLiteral("127.0.0.13"));

    greet(QHostAddress::Broadcast);
    QCOMPARE(uniqueIds(answers(2)), QStringList({"NV-A1", "NV-B2"}));
}

QTEST_GUILESS_MAIN(TestSimulatedDiscovery)
#include "tst_simulateddiscovery.moc"
