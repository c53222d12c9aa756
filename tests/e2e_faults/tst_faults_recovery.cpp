#include "registry/roleregistry.h"

#include "faultfixture.h"

#include <QTest>

namespace {

constexpr int RecoveryTimeoutMs = 40000;
constexpr int DownMs = 10000;

} // namespace

// Controllers that go away: one that comes back on its addresses is shown
// connected again at its next poll; one that moves is found again by its
// unique id and keeps its node, its channels and their favourite marks.
class TestFaultsRecovery : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        RoleRegistry::fill();
        qRegisterMetaType<SimulatedController::Request>();
    }

    void downAndBack()
    {
        FaultFixture f;
        QVERIFY(f.start());
        const qint64 down = f.now();
        f.sim.stop();
        QTest::qWait(DownMs);
        QVERIFY(f.allShow(false));
        FaultFixture::report("controller down 10 s", QStringLiteral("shown disconnected"),
                             f.changedAt("connection_status", false, down) - down);

        QVERIFY(f.sim.start());
        const qint64 back = f.now();
        QTRY_VERIFY_WITH_TIMEOUT(f.allShow(true), RecoveryTimeoutMs);
        FaultFixture::report("controller down 10 s",
                             QStringLiteral("connected again after its return"),
                             f.changedAt("connection_status", true, back) - back);
    }

    void movedControllerIsFoundAgain()
    {
        FaultFixture f;
        QVERIFY(f.start());
        const int favourites = f.root.roleByName("favourites");
        QVERIFY(f.root.setData(f.channel(1), true, favourites));
        const QVariant name = f.value("name");
        void *const node = f.device().internalPointer();
        QVector<void *> channels;
        for (int row = 0; row < FaultFixture::Channels; ++row) {
            channels.append(f.channel(row).internalPointer());
        }

        const QString newWired = QStringLiteral("127.0.0.12");
        const QString newWifi = QStringLiteral("127.0.0.13");
        const qint64 moved = f.now();
        QVERIFY(f.sim.moveToAddresses(newWired, newWifi));
        QTRY_COMPARE_WITH_TIMEOUT(f.value("ipAddress_1"), QVariant(newWired), RecoveryTimeoutMs);
        QTRY_COMPARE_WITH_TIMEOUT(f.value("ipAddress_2"), QVariant(newWifi), RecoveryTimeoutMs);
        QTRY_VERIFY_WITH_TIMEOUT(f.allShow(true), RecoveryTimeoutMs);

        const QModelIndex devices = f.root.index(0, 0);
        QCOMPARE(f.root.rowCount(devices), 1);
        QCOMPARE(f.root.index(0, 0, devices).internalPointer(), node);
        QCOMPARE(f.value("uniqueId"), QVariant(FaultFixture::uniqueId()));
        QCOMPARE(f.value("name"), name);
        QCOMPARE(f.root.rowCount(f.device()), FaultFixture::Channels);
        for (int row = 0; row < FaultFixture::Channels; ++row) {
            QCOMPARE(f.channel(row).internalPointer(), channels.at(row));
            QCOMPARE(f.value(row, "favourites").toBool(), row == 1);
        }
        const QString host = f.repliesAfter(moved).last().host;
        QVERIFY(host == newWired || host == newWifi);

        const char fault[] = "controller moved to new addresses";
        FaultFixture::report(fault, QStringLiteral("shown disconnected"),
                             f.changedAt("connection_status", false, moved) - moved);
        FaultFixture::report(fault, QStringLiteral("found again, addresses updated"),
                             f.changedAt("ipAddress_2", newWifi, moved) - moved);
        FaultFixture::report(fault, QStringLiteral("connected again"),
                             f.changedAt("connection_status", true, moved) - moved);
    }
};

QTEST_GUILESS_MAIN(TestFaultsRecovery)
#include "tst_faults_recovery.moc"
