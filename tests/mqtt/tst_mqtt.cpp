#include "simulatedcontroller.h"

#include "../common/testfiles.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QUrlQuery>

#include <csignal>
#include <memory>

namespace {

constexpr int BrokerPort = 18830;
// Two lost requests of 4 s each before a silent controller counts as lost.
constexpr int OfflineLimitMs = 25000;
// Reconnection pauses of 1, 2 and 4 s, and the first polls.
constexpr int RepublishLimitMs = 15000;
const QString port = QString::number(BrokerPort);
const QString setRequest = QStringLiteral("request_type=set&item_type=light_brightness&");

const QByteArray bothControllers = R"({
"NORVALEO_DIMMER_1":{"ipAddress_1":"127.0.0.10","ipAddress_2":"127.0.0.11","name":"Кухня","uniqueId":"NV-A"},
"NORVALEO_DIMMER_2":{"ipAddress_1":"127.0.0.12","ipAddress_2":"127.0.0.13","name":"Спальня","uniqueId":"NV-B"}})";
const QByteArray kitchenOnly = R"({
"NORVALEO_DIMMER_1":{"ipAddress_1":"127.0.0.10","ipAddress_2":"127.0.0.11","name":"Кухня","uniqueId":"NV-A"}})";

QString mosquittoProgram(const QString &name)
{
    const QString found = QStandardPaths::findExecutable(name);
    return found.isEmpty() ? QStandardPaths::findExecutable(name, {QStringLiteral("/usr/sbin")})
                           : found;
}

// A process that ends with the test.
std::unique_ptr<QProcess> startProcess(const QString &program, const QStringList &arguments)
{
    auto process = std::make_unique<QProcess>();
    process->start(program, arguments);
    process->waitForStarted();
    return process;
}

void stopProcess(std::unique_ptr<QProcess> &process)
{
    if (process && process->state() != QProcess::NotRunning) {
        process->kill();
        process->waitForFinished();
    }
    process.reset();
}

// Every message of every topic as mosquitto_sub prints it: retain flag,
// topic, payload.
struct Message
{
    bool retained;
    QString topic;
    QByteArray payload;
};

class Subscriber
{
public:
    Subscriber()
        : process(
              startProcess(mosquittoProgram(QStringLiteral("mosquitto_sub")),
                           {QStringLiteral("-p"), port, QStringLiteral("-t"), QStringLiteral("#"),
                            QStringLiteral("-F"), QStringLiteral("%r\t%t\t%p")}))
    {
    }
    ~Subscriber() { stopProcess(process); }

    QVector<Message> messages(const QString &topic)
    {
        while (process && process->canReadLine()) {
            const QList<QByteArray> parts = process->readLine().chopped(1).split('\t');
            if (parts.size() >= 3) {
                all.append(
                    {parts.at(0) == "1", QString::fromUtf8(parts.at(1)), parts.mid(2).join('\t')});
            }
        }
        QVector<Message> found;
        for (const Message &message : std::as_const(all)) {
            if (message.topic == topic) {
                found.append(message);
            }
        }
        return found;
    }
    // The last payload of the topic, or a null array.
    QByteArray last(const QString &topic)
    {
        const QVector<Message> found = messages(topic);
        return found.isEmpty() ? QByteArray() : found.last().payload;
    }
    bool waitFor(const QString &topic, const QByteArray &payload, int ms = 10000)
    {
        return QTest::qWaitFor([&] { return last(topic) == payload; }, ms);
    }

private:
    std::unique_ptr<QProcess> process;
    QVector<Message> all;
};

void publish(const QString &topic, const QByteArray &payload)
{
    QProcess::execute(mosquittoProgram(QStringLiteral("mosquitto_pub")),
                      {QStringLiteral("-p"), port, QStringLiteral("-t"), topic,
                       QStringLiteral("-m"), QString::fromUtf8(payload)});
}

QString config(const QString &uniqueId, int lightId)
{
    return QStringLiteral("homeassistant/light/%1_%2/config").arg(uniqueId).arg(lightId);
}

QString state(const QString &uniqueId, int lightId)
{
    return QStringLiteral("norvaleo/%1/%2/state").arg(uniqueId).arg(lightId);
}

QByteArray stateOf(int level)
{
    return QStringLiteral("{\"brightness\":%1,\"state\":\"%2\"}")
        .arg(level)
        .arg(level > 0 ? "ON" : "OFF")
        .toUtf8();
}

QStringList changes(const SimulatedController &controller)
{
    QStringList list;
    for (const SimulatedController::Request &request : controller.requests()) {
        if (QUrlQuery(request.query).queryItemValue(QStringLiteral("request_type")) ==
            QLatin1String("set")) {
            list.append(request.query);
        }
    }
    return list;
}

} // namespace

class TestMqtt : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir directory;
    std::unique_ptr<SimulatedController> kitchen;
    std::unique_ptr<SimulatedController> bedroom;
    std::unique_ptr<QProcess> broker;
    std::unique_ptr<QProcess> bridge;
    std::unique_ptr<Subscriber> subscriber;
    QByteArray bridgeErrors;

    void startBroker(const QByteArray &settings)
    {
        const QString path = directory.filePath(QStringLiteral("broker.conf"));
        TestFiles::writeFile(path, "listener " + port.toUtf8() + " 127.0.0.1\n" + settings);
        broker = startProcess(mosquittoProgram(QStringLiteral("mosquitto")),
                              {QStringLiteral("-c"), path});
        QVERIFY(QTest::qWaitFor(
            [] {
                QTcpSocket socket;
                socket.connectToHost(QStringLiteral("127.0.0.1"), BrokerPort);
                return socket.waitForConnected(200);
            },
            5000));
    }

    std::unique_ptr<QProcess> startBridge()
    {
        return startProcess(QStringLiteral(MQTT_PATH),
                            {QStringLiteral("--broker"), QStringLiteral("127.0.0.1:") + port,
                             QStringLiteral("--settings-dir"), directory.path()});
    }

    QStringList warnings()
    {
        bridgeErrors += bridge->readAllStandardError();
        return QString::fromUtf8(bridgeErrors)
            .split(QLatin1Char('\n'))
            .filter(QStringLiteral("ignored"));
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(directory.isValid());
        QVERIFY2(!mosquittoProgram(QStringLiteral("mosquitto")).isEmpty(),
                 "mosquitto is not installed");
        TestFiles::writeFile(directory.filePath(QStringLiteral("settings.json")), bothControllers);
        kitchen = std::make_unique<SimulatedController>("127.0.0.10", "127.0.0.11", "NV-A",
                                                        QStringLiteral("Кухня"), 4);
        bedroom = std::make_unique<SimulatedController>("127.0.0.12", "127.0.0.13", "NV-B",
                                                        QStringLiteral("Спальня"), 2);
        SimulatedController::Output output = kitchen->output(4);
        output.name = QStringLiteral("Лампа \"угловая\" \\ 4");
        kitchen->setOutput(4, output);
        kitchen->setBrightness(2, 90);
        QVERIFY(kitchen->start());
        QVERIFY(bedroom->start());
        startBroker("allow_anonymous true\npersistence false\n");
        subscriber = std::make_unique<Subscriber>();
        bridge = startBridge();
    }

    void cleanupTestCase()
    {
        subscriber.reset();
        stopProcess(bridge);
        stopProcess(broker);
    }

    void everyChannelIsPublished()
    {
        QVERIFY(subscriber->waitFor(QStringLiteral("norvaleo/bridge/availability"), "online"));
        for (SimulatedController *controller : {kitchen.get(), bedroom.get()}) {
            const QString id = controller->uniqueId();
            QVERIFY(
                subscriber->waitFor(QStringLiteral("norvaleo/%1/availability").arg(id), "online"));
            for (int channel = 1; channel <= controller->channelCount(); ++channel) {
                QVERIFY2(subscriber->waitFor(state(id, channel),
                                             stateOf(controller->brightness(channel))),
                         qPrintable(state(id, channel)));
                const QJsonObject object =
                    QJsonDocument::fromJson(subscriber->last(config(id, channel))).object();
                QCOMPARE(object.value("name").toString(), controller->output(channel).name);
                QCOMPARE(object.value("unique_id").toString(),
                         QStringLiteral("%1_%2").arg(id).arg(channel));
                QCOMPARE(object.value("command_topic").toString(),
                         QStringLiteral("norvaleo/%1/%2/set").arg(id).arg(channel));
                QCOMPARE(object.value("state_topic").toString(), state(id, channel));
                QCOMPARE(object.value("schema").toString(), QStringLiteral("json"));
                QCOMPARE(object.value("availability_mode").toString(), QStringLiteral("all"));
                QCOMPARE(object.value("device").toObject().value("name").toString(),
                         controller->name());
            }
        }
        // A poll that changes nothing publishes nothing.
        QTest::qWait(3500);
        QCOMPARE(subscriber->messages(state("NV-A", 1)).size(), 1);
    }

    void commandSendsTheWindowsRequest_data()
    {
        QTest::addColumn<QByteArray>("payload");
        QTest::addColumn<QString>("request");
        QTest::addColumn<int>("level");
        QTest::newRow("level") << QByteArray(R"({"brightness":77})") << "ch_2=77" << 77;
        QTest::newRow("off") << QByteArray(R"({"state":"OFF","brightness":12})") << "ch_2=0" << 0;
        QTest::newRow("on restores the last level")
            << QByteArray(R"({"state":"ON"})") << "ch_2=77" << 77;
        QTest::newRow("on with a level")
            << QByteArray(R"({"state":"ON","brightness":5})") << "ch_2=5" << 5;
    }

    void commandSendsTheWindowsRequest()
    {
        QFETCH(QByteArray, payload);
        QFETCH(QString, request);
        QFETCH(int, level);
        kitchen->clearRequests();
        publish(QStringLiteral("norvaleo/NV-A/2/set"), payload);
        QTRY_COMPARE_WITH_TIMEOUT(changes(*kitchen), QStringList{setRequest + request}, 5000);
        QCOMPARE(kitchen->brightness(2), level);
        QVERIFY(subscriber->waitFor(state("NV-A", 2), stateOf(level)));
    }

    void burstEndsAtTheLastValue()
    {
        kitchen->clearRequests();
        QProcess burst;
        burst.start(mosquittoProgram(QStringLiteral("mosquitto_pub")),
                    {QStringLiteral("-p"), port, QStringLiteral("-t"),
                     QStringLiteral("norvaleo/NV-A/3/set"), QStringLiteral("-l")});
        for (int level = 1; level <= 50; ++level) {
            burst.write(QStringLiteral("{\"brightness\":%1}\n").arg(level * 5).toUtf8());
        }
        burst.closeWriteChannel();
        QVERIFY(burst.waitForFinished());
        QTRY_COMPARE_WITH_TIMEOUT(kitchen->brightness(3), 250, 5000);
        QTest::qWait(600);
        const QStringList sent = changes(*kitchen);
        QVERIFY2(sent.size() <= 4, qPrintable(sent.join(QLatin1Char(' '))));
        QCOMPARE(sent.last(), setRequest + "ch_3=250");
        QVERIFY(subscriber->waitFor(state("NV-A", 3), stateOf(250)));
    }

    void badPayloadsSendNothing()
    {
        const QVector<QPair<QString, QByteArray>> bad{
            {"NV-A/1", "on"},
            {"NV-A/1", "[1,2]"},
            {"NV-A/1", "{}"},
            {"NV-A/1", "{\"brightness\":" + QByteArray(5000, '1') + "}"},
            {"NV-A/1", R"({"brightness":256})"},
            {"NV-A/1", R"({"brightness":-1})"},
            {"NV-A/1", R"({"brightness":"12"})"},
            {"NV-A/1", R"({"brightness":12.5})"},
            {"NV-A/1", R"({"state":"on"})"},
            {"NV-X/1", R"({"brightness":12})"},
            {"NV-A/9", R"({"brightness":12})"},
            {"NV-A/x", R"({"brightness":12})"}};
        kitchen->clearRequests();
        const int before = warnings().size();
        for (const auto &[channel, payload] : bad) {
            publish(QStringLiteral("norvaleo/%1/set").arg(channel), payload);
        }
        // A good one after them: once it arrives, the bad ones were read.
        publish(QStringLiteral("norvaleo/NV-A/1/set"), R"({"brightness":33})");
        QTRY_VERIFY_WITH_TIMEOUT(!changes(*kitchen).isEmpty(), 5000);
        QTest::qWait(300);
        QCOMPARE(changes(*kitchen), QStringList{setRequest + "ch_1=33"});
        QCOMPARE(warnings().size() - before, bad.size());
    }

    void homeAssistantRestartGetsTheConfigs()
    {
        const int before = subscriber->messages(config("NV-B", 2)).size();
        publish(QStringLiteral("homeassistant/status"), "online");
        QTRY_COMPARE_WITH_TIMEOUT(subscriber->messages(config("NV-B", 2)).size(), before + 1, 5000);
    }

    void silentControllerTurnsOffline()
    {
        bedroom->setAddressSilent(bedroom->wiredAddress(), true);
        bedroom->setAddressSilent(bedroom->wifiAddress(), true);
        QVERIFY(subscriber->waitFor(QStringLiteral("norvaleo/NV-B/availability"), "offline",
                                    OfflineLimitMs));
        QCOMPARE(subscriber->last(QStringLiteral("norvaleo/NV-A/availability")),
                 QByteArray("online"));
    }

    void reloadRemovesWhatTheFileDropped()
    {
        TestFiles::writeFile(directory.filePath(QStringLiteral("settings.json")), kitchenOnly);
        ::kill(pid_t(bridge->processId()), SIGHUP);
        QVERIFY(subscriber->waitFor(config("NV-B", 1), ""));
        QVERIFY(subscriber->waitFor(config("NV-B", 2), ""));
        QVERIFY(subscriber->waitFor(QStringLiteral("norvaleo/NV-B/availability"), ""));
        // The kept controller's channels stay while it answers its first polls.
        QTest::qWait(2000);
        for (const Message &message : subscriber->messages(config("NV-A", 1))) {
            QVERIFY(!message.payload.isEmpty());
        }
        QCOMPARE(TestFiles::contentOf(directory.filePath(QStringLiteral("settings.json"))),
                 kitchenOnly);
    }

    void restartedBrokerGetsEverythingAgain()
    {
        subscriber.reset();
        stopProcess(broker);
        startBroker("allow_anonymous true\npersistence false\n");
        subscriber = std::make_unique<Subscriber>();
        QVERIFY(subscriber->waitFor(QStringLiteral("norvaleo/bridge/availability"), "online",
                                    RepublishLimitMs));
        QVERIFY(subscriber->waitFor(state("NV-A", 4), stateOf(kitchen->brightness(4))));
        // A client that comes later gets it all from the broker.
        subscriber = std::make_unique<Subscriber>();
        for (int channel = 1; channel <= kitchen->channelCount(); ++channel) {
            QVERIFY(
                subscriber->waitFor(state("NV-A", channel), stateOf(kitchen->brightness(channel))));
            QVERIFY(subscriber->messages(config("NV-A", channel)).last().retained);
        }
        QVERIFY(subscriber->messages(config("NV-B", 1)).isEmpty());
    }

    void stopLeavesTheBridgeOffline()
    {
        bridge->terminate();
        QVERIFY(bridge->waitForFinished(5000));
        QCOMPARE(bridge->exitStatus(), QProcess::NormalExit);
        QCOMPARE(bridge->exitCode(), 0);
        QVERIFY(subscriber->waitFor(QStringLiteral("norvaleo/bridge/availability"), "offline"));
    }

    void refusedLoginEndsTheStart()
    {
        subscriber.reset();
        stopProcess(broker);
        startBroker("allow_anonymous false\n");
        bridge = startBridge();
        QVERIFY(bridge->waitForFinished(10000));
        QCOMPARE(bridge->exitCode(), 1);
        QVERIFY(QString::fromUtf8(bridge->readAllStandardError())
                    .contains(QStringLiteral("отказал во входе")));
    }
};

QTEST_GUILESS_MAIN(TestMqtt)
#include "tst_mqtt.moc"
