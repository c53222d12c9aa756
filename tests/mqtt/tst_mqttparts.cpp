#include "mqtt/commandthrottle.h"
#include "mqtt/lightcommand.h"
#include "mqtt/mqttmessages.h"
#include "mqtt/mqttoptions.h"
#include "mqtt/mqttservice.h"
#include "mqtt/mqtttopics.h"

#include <QSignalSpy>
#include <QTest>

class TestMqttParts : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void commandLevel_data()
    {
        QTest::addColumn<QByteArray>("payload");
        QTest::addColumn<int>("lastLit");
        QTest::addColumn<int>("level"); // -1: refused
        QTest::newRow("level") << QByteArray(R"({"brightness":40})") << 0 << 40;
        QTest::newRow("on restores") << QByteArray(R"({"state":"ON"})") << 90 << 90;
        QTest::newRow("on never lit") << QByteArray(R"({"state":"ON"})") << 0 << 255;
        QTest::newRow("off wins") << QByteArray(R"({"state":"OFF","brightness":40})") << 90 << 0;
        QTest::newRow("other members")
            << QByteArray(R"({"brightness":0,"transition":2})") << 9 << 0;
        QTest::newRow("not json") << QByteArray("ON") << 0 << -1;
        QTest::newRow("array") << QByteArray("[]") << 0 << -1;
        QTest::newRow("empty object") << QByteArray("{}") << 0 << -1;
        QTest::newRow("over 255") << QByteArray(R"({"brightness":256})") << 0 << -1;
        QTest::newRow("text level") << QByteArray(R"({"brightness":"5"})") << 0 << -1;
        QTest::newRow("fraction") << QByteArray(R"({"brightness":0.5})") << 0 << -1;
        QTest::newRow("lower case") << QByteArray(R"({"state":"on"})") << 0 << -1;
        QTest::newRow("oversized") << "{\"brightness\":1" + QByteArray(4100, ' ') + "}" << 0 << -1;
    }

    void commandLevel()
    {
        QFETCH(QByteArray, payload);
        QFETCH(int, lastLit);
        QFETCH(int, level);
        QString problem;
        const std::optional<LightCommand> command = LightCommand::parse(payload, problem);
        QCOMPARE(command ? command->level(lastLit) : -1, level);
        QCOMPARE(problem.isEmpty(), level >= 0);
    }

    void commandTopic_data()
    {
        QTest::addColumn<QString>("topic");
        QTest::addColumn<QString>("channel"); // empty: not a command topic
        QTest::newRow("channel") << "home/nv/NV-A/3/set"
                                 << "NV-A 3";
        QTest::newRow("state topic") << "home/nv/NV-A/3/state"
                                     << "";
        QTest::newRow("light id zero") << "home/nv/NV-A/0/set"
                                       << "";
        QTest::newRow("signed light id") << "home/nv/NV-A/+3/set"
                                         << "";
        QTest::newRow("deeper") << "home/nv/NV-A/x/3/set"
                                << "";
        QTest::newRow("other prefix") << "home/nvx/NV-A/3/set"
                                      << "";
    }

    void commandTopic()
    {
        QFETCH(QString, topic);
        QFETCH(QString, channel);
        const MqttTopics topics(QStringLiteral("home/nv"), QStringLiteral("ha"));
        QString uniqueId;
        int lightId = 0;
        const bool parsed = topics.parseCommand(topic, uniqueId, lightId);
        QCOMPARE(parsed ? QStringLiteral("%1 %2").arg(uniqueId).arg(lightId) : QString(), channel);
    }

    void usableIds()
    {
        QVERIFY(MqttTopics::isUsableId(QStringLiteral("NV7F00000A_b-1")));
        for (const char *id : {"", "a/b", "a+", "a#", "a b", "Кухня"}) {
            QVERIFY2(!MqttTopics::isUsableId(QString::fromUtf8(id)), id);
        }
        QVERIFY(!MqttTopics::isUsableId(QString(65, QLatin1Char('a'))));
    }

    void stateIsClamped()
    {
        QCOMPARE(MqttMessages::state(300), QByteArray(R"({"brightness":255,"state":"ON"})"));
        QCOMPARE(MqttMessages::state(-4), QByteArray(R"({"brightness":0,"state":"OFF"})"));
    }

    void options_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("result"); // host port tls, or "error"
        QTest::newRow("defaults") << QStringList{} << "127.0.0.1 1883 0";
        QTest::newRow("host and port")
            << QStringList{"--broker", "mqtt.lan:1884"} << "mqtt.lan 1884 0";
        QTest::newRow("ipv6") << QStringList{"--broker=[::1]:1885"} << "::1 1885 0";
        QTest::newRow("tls port") << QStringList{"--tls", "--broker", "h"} << "h 8883 1";
        QTest::newRow("cafile means tls")
            << QStringList{"--cafile", "/ca.pem"} << "127.0.0.1 8883 1";
        QTest::newRow("bad port") << QStringList{"--broker", "h:0"} << "error";
        QTest::newRow("no port") << QStringList{"--broker", "h:"} << "error";
        QTest::newRow("password") << QStringList{"--password", "x"} << "error";
        QTest::newRow("file needs a user") << QStringList{"--password-file", "/p"} << "error";
        QTest::newRow("wildcard prefix") << QStringList{"--topic-prefix", "a/#"} << "error";
        QTest::newRow("slash prefix") << QStringList{"--discovery-prefix", "ha/"} << "error";
        QTest::newRow("missing value") << QStringList{"--client-id"} << "error";
        QTest::newRow("argument") << QStringList{"now"} << "error";
    }

    void options()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, result);
        const MqttOptions options = MqttOptions::parse(QStringList{"norvaleo-mqtt"} + arguments);
        QCOMPARE(options.error.isEmpty() ? QStringLiteral("%1 %2 %3")
                                               .arg(options.host)
                                               .arg(options.port)
                                               .arg(int(options.tls))
                                         : QStringLiteral("error"),
                 result);
    }

    void retryPauseDoublesToAMinute()
    {
        QVector<int> pauses{MqttService::FirstRetryMs};
        while (pauses.size() < 9) {
            pauses.append(MqttService::nextRetryMs(pauses.last()));
        }
        QCOMPARE(pauses, (QVector<int>{1000, 2000, 4000, 8000, 16000, 32000, 60000, 60000, 60000}));
    }

    void throttleSendsFirstAndLast()
    {
        CommandThrottle throttle(50);
        QSignalSpy due(&throttle, &CommandThrottle::due);
        for (int level = 1; level <= 50; ++level) {
            throttle.submit(QStringLiteral("NV-A/1"), level);
        }
        throttle.submit(QStringLiteral("NV-A/2"), 7);
        QCOMPARE(due.size(), 2);
        QTRY_COMPARE(due.size(), 3);
        QCOMPARE(due.last(), (QVariantList{QStringLiteral("NV-A/1"), 50}));
        QTest::qWait(150);
        QCOMPARE(due.size(), 3);
        throttle.submit(QStringLiteral("NV-A/1"), 4);
        QCOMPARE(due.size(), 4);
    }
};

QTEST_GUILESS_MAIN(TestMqttParts)
#include "tst_mqttparts.moc"
