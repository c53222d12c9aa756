#include "discovery/devicessearcher.h"
#include "model/devicelimits.h"
#include "rawresponder.h"
#include "searcherlog.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QRandomGenerator>
#include <QTest>
#include <QUdpSocket>

namespace {

const int runTimeout = 30000;

QByteArray info(const QJsonObject &deviceInfo)
{
    return RawResponder::answer(deviceInfo);
}

QJsonObject dimmer(const QString &id, const QString &ip1, const QString &ip2, const QString &name)
{
    return RawResponder::dimmerInfo(id, ip1, ip2, name);
}

// A valid answer, sent after each bad one to show that the bad one was skipped
// alone.
QByteArray good()
{
    return info(dimmer("G-1", "127.0.0.5", "127.0.0.6", "Good"));
}

const QString goodText = QStringLiteral("G-1|Good|127.0.0.5|127.0.0.6|1");

QJsonObject without(QJsonObject object, const QString &key)
{
    object.remove(key);
    return object;
}

QJsonObject with(QJsonObject object, const QString &key, const QJsonValue &value)
{
    object.insert(key, value);
    return object;
}

QByteArray randomBytes(int size)
{
    QRandomGenerator generator(1112);
    QByteArray bytes(size, Qt::Uninitialized);
    for (char &byte : bytes)
        byte = char(generator.bounded(256));
    return bytes;
}

QByteArray nestedDeviceInfo(int depth)
{
    QByteArray text;
    for (int i = 0; i < depth; ++i)
        text += "{\"device_info\":";
    text += "{}";
    text += QByteArray(depth, '}');
    return text;
}

} // namespace

// Answers a "check" towards 127.0.0.1, where the responder listens, gives the
// searcher: what it keeps of each datagram and what it skips.
class TestDevicesSearcherAnswers : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void answers_data()
    {
        QTest::addColumn<QByteArrayList>("datagrams");
        QTest::addColumn<QStringList>("expected");

        // Each bad answer that names a controller uses its own id, so one that
        // slipped through shows which it was.
        auto bad = [](const char *id) {
            return dimmer(id, "127.0.0.7", "127.0.0.8", "Bad");
        };
        const QByteArrayList malformed{
            "hello norvaleo devices!",
            QByteArray(),
            info(bad("truncated")).chopped(1),
            info(bad("utf8")).replace("Bad", QByteArray("\xff\xfe")),
            QJsonDocument(QJsonArray{QJsonObject{{"device_info", bad("array")}}})
                .toJson(QJsonDocument::Compact),
            QJsonDocument(QJsonObject{{"device", bad("no-device-info")}}).toJson(),
            QJsonDocument(QJsonObject{{"device_info", "NORVALEO_DIMMER"}}).toJson(),
            QJsonDocument(QJsonObject{{"device_info", QJsonArray{bad("info-array")}}}).toJson(),
            nestedDeviceInfo(100),
        };
        const QByteArrayList wrongType{
            info(with(bad("relay"), "type", "NORVALEO_RELAY")),
            info(with(bad("lower-case"), "type", "norvaleo_dimmer")),
            info(with(bad("space"), "type", "NORVALEO DIMMER")),
            info(without(bad("no-type"), "type")),
            info(with(bad("type-number"), "type", 1)),
        };
        const QByteArrayList noAddress{
            info(without(with(bad("ip-text"), "ip_1", "not an address"), "ip_2")),
            info(with(with(bad("ip-empty"), "ip_1", ""), "ip_2", "")),
            info(without(without(bad("ip-missing"), "ip_1"), "ip_2")),
            info(with(with(bad("ip-numbers"), "ip_1", 2130706433), "ip_2",
                      QJsonArray{127, 0, 0, 1})),
            info(without(with(bad("ip-host-name"), "ip_1", "localhost"), "ip_2")),
        };
        const QByteArrayList noUniqueId{
            info(without(bad("-"), "unique_id")),
            info(with(bad("-"), "unique_id", 42)),
            info(with(bad("-"), "unique_id", QJsonValue::Null)),
        };
        auto skipped = [](const char *tag, QByteArrayList datagrams) {
            datagrams.append(good());
            QTest::newRow(tag) << datagrams << QStringList{goodText};
        };
        skipped("malformed", malformed);
        skipped("another type", wrongType);
        skipped("no usable address", noAddress);
        skipped("no unique id", noUniqueId);
        skipped("60 KiB of random bytes", {randomBytes(60 * 1024)});
        skipped("deeply nested arrays", {QByteArray(60000, '[')});
        skipped("deeply nested objects", {nestedDeviceInfo(4000)});

        QTest::newRow("full answer")
            << QByteArrayList{info(dimmer("A-1", "127.0.0.2", "127.0.0.3", "Кухня"))}
            << QStringList{"A-1|Кухня|127.0.0.2|127.0.0.3|1"};
        QTest::newRow("empty name")
            << QByteArrayList{info(dimmer("A-1", "127.0.0.2", "127.0.0.3", ""))}
            << QStringList{"A-1|NORVALEO DIMMER|127.0.0.2|127.0.0.3|1"};
        QTest::newRow("no name") << QByteArrayList{info(dimmer("A-1", "127.0.0.2", "", QString()))}
                                 << QStringList{"A-1|NORVALEO DIMMER|127.0.0.2|-|1"};
        QTest::newRow("name not a string")
            << QByteArrayList{info(with(dimmer("A-1", "127.0.0.2", "", ""), "name", 7))}
            << QStringList{"A-1|NORVALEO DIMMER|127.0.0.2|-|1"};
        QTest::newRow("only ip_2")
            << QByteArrayList{info(dimmer("A-1", QString(), "127.0.0.3", "A"))}
            << QStringList{"A-1|A|-|127.0.0.3|1"};
        QTest::newRow("ip_1 no address, ip_2 given")
            << QByteArrayList{info(dimmer("A-1", "lan", "127.0.0.3", "A"))}
            << QStringList{"A-1|A|-|127.0.0.3|1"};
        QTest::newRow("addresses printed canonically")
            << QByteArrayList{info(dimmer("A-1", "127.000.000.002", "FE80:0:0:0::1", "A"))}
            << QStringList{"A-1|A|127.0.0.2|fe80::1|1"};
        QTest::newRow("other members ignored")
            << QByteArrayList{QJsonDocument(
                                  QJsonObject{{"device_info",
                                               with(dimmer("A-1", "127.0.0.2", "127.0.0.3", "A"),
                                                    "firmware", "1.0")},
                                              {"extra", QJsonArray{1, 2}}})
                                  .toJson()}
            << QStringList{"A-1|A|127.0.0.2|127.0.0.3|1"};
        QTest::newRow("repeat updates addresses, keeps name")
            << QByteArrayList{info(dimmer("A-1", "127.0.0.2", "127.0.0.3", "")),
                              info(dimmer("A-1", QString(), "127.0.0.9", "Renamed")),
                              info(dimmer("A-1", "not an address", "", "Again"))}
            << QStringList{"A-1|NORVALEO DIMMER|127.0.0.2|127.0.0.9|1"};
        QTest::newRow("repeat with ip_1 only")
            << QByteArrayList{info(dimmer("A-1", "127.0.0.2", "127.0.0.3", "A")),
                              info(dimmer("A-1", "127.0.0.4", QString(), "A"))}
            << QStringList{"A-1|A|127.0.0.4|127.0.0.3|1"};
        QTest::newRow("two controllers")
            << QByteArrayList{info(dimmer("A-1", "127.0.0.2", "", "A")), good()}
            << QStringList{"A-1|A|127.0.0.2|-|1", goodText};
    }

    void answers()
    {
        QFETCH(QByteArrayList, datagrams);
        QFETCH(QStringList, expected);

        RawResponder responder;
        QVERIFY(responder.listen());
        responder.setAnswers(datagrams);
        DevicesSearcher searcher;
        SearcherLog log(&searcher);

        searcher.checkDevice(QStringLiteral("127.0.0.1"));
        QTRY_COMPARE_WITH_TIMEOUT(log.finishes, 1, runTimeout);

        QCOMPARE(log.lastReport(), expected);
        QCOMPARE(log.reportCount(), 1);
        QCOMPARE(log.events.size(), 2);
        QCOMPARE(log.events.last(), QStringLiteral("finished check %1").arg(expected.size()));
        QCOMPARE(responder.greetingDestinations(), QList<QHostAddress>{QHostAddress::LocalHost});
        QCOMPARE(responder.otherDatagrams(), 0);
        QCOMPARE(responder.failedSends(), 0);
    }

    // Answers that are all queued before the searcher's socket gets to run come
    // with a single notification.
    void simultaneousAnswers()
    {
        QByteArrayList datagrams;
        QStringList expected;
        for (int i = 0; i < 10; ++i) {
            const QString id = QStringLiteral("M-%1").arg(i);
            const QString address = QStringLiteral("127.0.1.%1").arg(i + 1);
            datagrams.append(info(dimmer(id, address, QString(), id)));
            expected.append(QStringLiteral("%1|%1|%2|-|1").arg(id, address));
        }
        RawResponder responder;
        QVERIFY(responder.listen());
        responder.setAnswers(datagrams);
        DevicesSearcher searcher;
        SearcherLog log(&searcher);

        searcher.checkDevice(QStringLiteral("127.0.0.1"));
        QTRY_COMPARE_WITH_TIMEOUT(log.finishes, 1, runTimeout);

        QCOMPARE(log.lastReport(), expected);
        QCOMPARE(log.events.last(), QStringLiteral("finished check 10"));
    }

    // A flood of controllers: the table stops at the limit, and a notification
    // leaves answers beyond a batch for a later turn of the event loop.
    void floodIsBounded()
    {
        constexpr int PerGreeting = 100;
        RawResponder responder;
        QVERIFY(responder.listen());
        responder.setAnswerer([](int greeting) {
            QList<QByteArray> answers;
            for (int i = 0; i < PerGreeting; ++i) {
                const QString id =
                    QStringLiteral("F-%1").arg((greeting - 1) * PerGreeting + i, 4, 10, QChar('0'));
                answers.append(info(dimmer(id, "127.0.1.1", QString(), id)));
            }
            return answers;
        });
        DevicesSearcher searcher;
        SearcherLog log(&searcher);
        searcher.startSearching();
        auto *socket = searcher.findChild<QUdpSocket *>();
        QVERIFY(socket);
        int leftForLater = 0;
        // Connected after the searcher: sees what its handler left.
        connect(socket, &QUdpSocket::readyRead, this,
                [&] { leftForLater += socket->hasPendingDatagrams() ? 1 : 0; });
        QTRY_COMPARE_WITH_TIMEOUT(log.finishes, 1, runTimeout);

        QVERIFY(leftForLater > 0);
        QCOMPARE(log.lastReport().size(), DeviceLimits::MaxControllers);
        QCOMPARE(log.events.last(),
                 QStringLiteral("finished search %1").arg(DeviceLimits::MaxControllers));
        QVERIFY(responder.greetings() > DeviceLimits::MaxControllers / PerGreeting);
    }
};

QTEST_GUILESS_MAIN(TestDevicesSearcherAnswers)
#include "tst_devicessearcher_answers.moc"
