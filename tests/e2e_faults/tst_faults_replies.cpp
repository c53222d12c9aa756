#include "registry/roleregistry.h"

#include "faultfixture.h"

#include "../common/testfiles.h"

#include <QElapsedTimer>
#include <QTest>

namespace {

constexpr int ReplyTimeoutMs = 20000;

} // namespace

// Replies that never complete are given up by the request's abort timer; a
// reply from another device on the controller's address changes nothing.
class TestFaultsReplies : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        RoleRegistry::fill();
        qRegisterMetaType<SimulatedController::Request>();
    }

    // A stalled reply waits far longer than a request may take; a trickling
    // one keeps arriving, but too slowly.
    void slowReply_data()
    {
        QTest::addColumn<int>("delayMs");
        QTest::addColumn<int>("trickleMs");
        QTest::newRow("reply stalls") << 60000 << 0;
        QTest::newRow("reply trickles 1 byte / 500 ms") << 0 << 500;
    }

    void slowReply()
    {
        QFETCH(int, delayMs);
        QFETCH(int, trickleMs);
        FaultFixture f;
        QVERIFY(f.start());
        f.sim.setReplyDelay(delayMs);
        f.sim.setTrickle(trickleMs > 0, trickleMs);
        checkAborted(f, QTest::currentDataTag());
    }

    void anotherDeviceOnTheAddress()
    {
        FaultFixture f;
        QVERIFY(f.start());
        const QVariant name = f.value("name");
        const QVariant version = f.value("net_soft_version");
        const QVariant ssid = f.value("wifi_ssid");
        QVERIFY(!name.toString().isEmpty());

        // Another device now answers on the address, with a status of its own.
        f.sim.setName(QStringLiteral("Чужой"));
        SimulatedController::SystemInfo info = f.sim.systemInfo();
        info.version = QStringLiteral("9.9.9");
        info.wifiSsid = QStringLiteral("Stranger");
        f.sim.setSystemInfo(info);
        f.sim.setReportedUniqueId(QStringLiteral("NV-STRANGER"));
        const qint64 on = f.now();

        QTRY_VERIFY_WITH_TIMEOUT(!systemInfoReplies(f, on).isEmpty(), ReplyTimeoutMs);
        const FaultFixture::Reply stranger = systemInfoReplies(f, on).first();
        QCOMPARE(stranger.error, QNetworkReply::NoError);
        QVERIFY(!stranger.connected);
        QCOMPARE(f.value("uniqueId"), QVariant(FaultFixture::uniqueId()));
        QCOMPARE(f.value("name"), name);
        QCOMPARE(f.value("net_soft_version"), version);
        QCOMPARE(f.value("wifi_ssid"), ssid);
        FaultFixture::report("another device on the address",
                             QStringLiteral("its system_info refused, shown disconnected"),
                             stranger.ms - on);

        // The controller itself again: the same status is taken over.
        f.sim.setReportedUniqueId(QString());
        const qint64 back = f.now();
        QTRY_COMPARE_WITH_TIMEOUT(f.value("name"), QVariant(QStringLiteral("Чужой")),
                                  ReplyTimeoutMs);
        QCOMPARE(f.value("net_soft_version"), QVariant(QStringLiteral("9.9.9")));
        QVERIFY(systemInfoReplies(f, back).first().connected);
    }

    // Another device takes the address right after a system_info proved the
    // controller: the channels and names its dimmer_info replies bring are
    // taken back once its own system_info shows who it is, and never saved.
    void takeOverBetweenProofs()
    {
        FaultFixture f;
        QVERIFY(f.start());
        const qint64 start = f.now();
        QTRY_VERIFY_WITH_TIMEOUT(!systemInfoReplies(f, start).isEmpty(), ReplyTimeoutMs);
        QVector<SimulatedController::Output> strangers(12);
        for (int i = 0; i < strangers.size(); ++i) {
            strangers[i].name = QStringLiteral("Чужой %1").arg(i + 1);
        }
        f.sim.setOutputs(strangers);
        f.sim.setReportedUniqueId(QStringLiteral("NV-STRANGER"));
        const qint64 on = f.now();

        QTRY_COMPARE_WITH_TIMEOUT(f.root.rowCount(f.device()), 12, ReplyTimeoutMs);
        QTRY_VERIFY_WITH_TIMEOUT(!systemInfoReplies(f, on).isEmpty(), ReplyTimeoutMs);
        QVERIFY(!systemInfoReplies(f, on).first().connected);
        QCOMPARE(f.root.rowCount(f.device()), FaultFixture::Channels);
        QVERIFY(f.root.saveSettings());
        const QByteArray saved =
            TestFiles::contentOf(f.base.path() + QStringLiteral("/settings/settings.json"));
        QVERIFY2(!saved.contains("Чужой") && saved.count("DIMMER_") == FaultFixture::Channels + 1,
                 saved.constData());
    }

    // DHCP gave the controller's wired address to another device while the
    // application was closed: the controller is reached on its Wi-Fi address
    // with its own channels, and the other device is only asked who it is.
    void foreignDeviceAtTheWiredAddress()
    {
        SimulatedController own(QString(), FaultFixture::wifi(), FaultFixture::uniqueId(),
                                QStringLiteral("Гостиная"), 4);
        SimulatedController foreign(FaultFixture::wired(), QString(), QStringLiteral("NV-STRANGER"),
                                    QStringLiteral("Чужой"), 6);
        QVector<SimulatedController::Output> strangers(6);
        for (SimulatedController::Output &output : strangers) {
            output.name = QStringLiteral("Чужая");
        }
        foreign.setOutputs(strangers);
        QVERIFY(own.start() && foreign.start());
        QTemporaryDir base;
        TestFiles::writeFile(
            base.path() + QStringLiteral("/settings/settings.json"),
            "{\"NORVALEO_DIMMER_1\":{\"ipAddress_1\":\"127.0.0.2\",\"ipAddress_2\":"
            "\"127.0.0.3\",\"name\":\"Гостиная\",\"uniqueId\":\"NV-FAULT-1\"}}");
        QElapsedTimer clock;
        clock.start();
        RootModel root(nullptr, base.path());
        root.loadSettings();
        const QPersistentModelIndex device = root.index(0, 0, root.index(0, 0));
        // Edited at once, before the device at the address has said who it is.
        QVERIFY(root.setData(device, QStringLiteral("Холл"), root.roleByName("name")));

        QTRY_COMPARE_WITH_TIMEOUT(root.rowCount(device), 4, ReplyTimeoutMs);
        FaultFixture::report("another device at the wired address after a restart",
                             QStringLiteral("its own channels read on Wi-Fi"), clock.elapsed());
        QCOMPARE(root.data(device, root.roleByName("using_interface")), QVariant(2));
        for (int row = 0; row < 4; ++row) {
            QCOMPARE(root.data(root.index(row, 0, device), root.roleByName("name")),
                     QVariant(QStringLiteral("Лампа %1").arg(row + 1)));
        }
        QVERIFY(!foreign.requests().isEmpty());
        for (const SimulatedController::Request &request : foreign.requests()) {
            QCOMPARE(request.query, QStringLiteral("request_type=get&item_type=system_info"));
        }
    }

private:
    static QVector<FaultFixture::Reply> systemInfoReplies(const FaultFixture &f, qint64 after)
    {
        QVector<FaultFixture::Reply> list;
        for (const FaultFixture::Reply &reply : f.repliesAfter(after)) {
            if (reply.itemType == QLatin1String("system_info")) {
                list.append(reply);
            }
        }
        return list;
    }

    // The first request after the fault is aborted by its timer; one failed
    // request is tolerated, and the next one, answered in time, is handled.
    void checkAborted(FaultFixture &f, const char *fault)
    {
        const qint64 on = f.now();
        QTRY_VERIFY_WITH_TIMEOUT(!f.requestsAfter(on).isEmpty(), ReplyTimeoutMs);
        const qint64 requested = f.requestsAfter(on).first();
        QTRY_VERIFY_WITH_TIMEOUT(!f.repliesAfter(requested).isEmpty(), ReplyTimeoutMs);
        const FaultFixture::Reply aborted = f.repliesAfter(requested).first();
        QCOMPARE(aborted.error, QNetworkReply::OperationCanceledError);
        QVERIFY(aborted.connected);
        QCOMPARE(aborted.usingInterface, 1);
        FaultFixture::report(fault, QStringLiteral("request aborted after it reached the device"),
                             aborted.ms - requested);

        f.sim.setReplyDelay(0);
        f.sim.setTrickle(false);
        QTRY_VERIFY_WITH_TIMEOUT(f.repliesAfter(aborted.ms + 1).size() >= 1, ReplyTimeoutMs);
        const FaultFixture::Reply next = f.repliesAfter(aborted.ms + 1).first();
        QCOMPARE(next.error, QNetworkReply::NoError);
        QVERIFY(next.connected);
        QCOMPARE(next.host, FaultFixture::wired());
        QVERIFY(f.allShow(true));
    }
};

QTEST_GUILESS_MAIN(TestFaultsReplies)
#include "tst_faults_replies.moc"
