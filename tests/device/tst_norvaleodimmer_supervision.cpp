#include "device/norvaleodimmer.h"
#include "registry/roleregistry.h"

#include "controllernetwork.h"

#include <QSignalSpy>
#include <QTest>

namespace {

// Above one abort timeout plus a poll tick.
constexpr int RequestWaitMs = 15000;

} // namespace

// Devices that stop answering: every step waits for the 4000 ms abort timer.
class TestNorvaleoDimmerSupervision : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        RoleRegistry::fill();
        qRegisterMetaType<SimulatedController::Request>();
    }

    void oneNetworkErrorInARowIsTolerated()
    {
        ControllerNetwork f;
        QVERIFY(f.sim.start());
        f.start();
        QTRY_COMPARE_WITH_TIMEOUT(f.value("connection_status"), QVariant(true), RequestWaitMs);
        QSignalSpy lost(f.controller, &NorvaleoDimmer::lostConnection);
        QList<QVariant> connectionChanges;
        const int connectionRole = f.controller->roleByName("connection_status");
        const QMetaObject::Connection watch = QObject::connect(
            &f.root, &QAbstractItemModel::dataChanged, f.controller,
            [&](const QModelIndex &index, const QModelIndex &, const QVector<int> &roles) {
                if (index == f.self() && roles.contains(connectionRole)) {
                    connectionChanges.append(f.value("connection_status"));
                }
            });

        const QString wired = ControllerNetwork::wired();
        const int received = f.sim.requests().size();
        const int handled = f.handled.size();
        f.sim.setAddressSilent(wired, true);
        QTRY_COMPARE_WITH_TIMEOUT(f.sim.requests().size(), received + 1, RequestWaitMs);
        f.sim.setAddressSilent(wired, false);
        // The unanswered request is aborted, and the next one is answered.
        QTRY_COMPARE_WITH_TIMEOUT(f.handled.size(), handled + 2, 2 * RequestWaitMs);
        QCOMPARE(f.sim.requests().size(), received + 2);
        QCOMPARE(f.sim.requests().at(received + 1).address, wired);
        QCOMPARE(f.value("using_interface"), QVariant(1));
        QCOMPARE(connectionChanges, QList<QVariant>());

        // The good reply cleared the error: one refused connection is tolerated again.
        f.sim.setAddressRefusing(wired, true);
        QTRY_COMPARE_WITH_TIMEOUT(f.handled.size(), handled + 3, RequestWaitMs);
        f.sim.setAddressRefusing(wired, false);
        QTRY_COMPARE_WITH_TIMEOUT(f.handled.size(), handled + 4, RequestWaitMs);
        QCOMPARE(f.sim.requests().last().address, wired);
        QCOMPARE(f.value("using_interface"), QVariant(1));
        QCOMPARE(connectionChanges, QList<QVariant>());
        QObject::disconnect(watch);
        QCOMPARE(lost.count(), 0);
        QCOMPARE(f.tester.unexpected(), QStringList());
    }

    void silentDeviceSwitchesAddressesAndIsReportedLost()
    {
        ControllerNetwork f;
        QVERIFY(f.sim.start());
        f.start();
        // The first dimmer_info reply brings the simulator's four channels.
        QTRY_COMPARE_WITH_TIMEOUT(f.root.rowCount(f.self()), 4, RequestWaitMs);
        QTRY_COMPARE_WITH_TIMEOUT(f.value(3, "connection_status"), QVariant(true), RequestWaitMs);
        QSignalSpy lost(f.controller, &NorvaleoDimmer::lostConnection);

        const QString wired = ControllerNetwork::wired();
        const QString wifi = ControllerNetwork::wifi();
        f.sim.setAddressSilent(wired, true);
        f.sim.setAddressSilent(wifi, true);
        const int received = f.sim.requests().size();
        const int handled = f.handled.size();

        QTRY_COMPARE_WITH_TIMEOUT(f.handled.size(), handled + 1, RequestWaitMs);
        QCOMPARE(f.value("using_interface"), QVariant(1));
        QCOMPARE(f.value("connection_status"), QVariant(true));

        // The second error in a row: other address, everything disconnected.
        QTRY_COMPARE_WITH_TIMEOUT(f.handled.size(), handled + 2, RequestWaitMs);
        QCOMPARE(f.value("using_interface"), QVariant(2));
        QCOMPARE(f.value("connection_status"), QVariant(false));
        for (int row = 0; row < 4; ++row) {
            QCOMPARE(f.value(row, "connection_status"), QVariant(false));
        }
        QCOMPARE(lost.count(), 0);
        QTRY_COMPARE_WITH_TIMEOUT(f.sim.requests().size(), received + 3, RequestWaitMs);
        QCOMPARE(f.sim.requests().last().address, wifi);
        QCOMPARE(ControllerNetwork::itemType(f.sim.requests().last()),
                 QStringLiteral("system_info"));

        // The fourth error is the second failure event: reported once.
        QTRY_COMPARE_WITH_TIMEOUT(f.handled.size(), handled + 4, 2 * RequestWaitMs);
        QCOMPARE(lost.count(), 1);
        QCOMPARE(lost.first().first(), QVariant(ControllerNetwork::uniqueId()));
        QCOMPARE(f.value("using_interface"), QVariant(1));
        QTRY_COMPARE_WITH_TIMEOUT(f.sim.requests().size(), received + 5, RequestWaitMs);
        QStringList route;
        for (const auto &request : f.sim.requests().mid(received)) {
            route.append(request.address + QLatin1Char(' ') + ControllerNetwork::itemType(request));
        }
        QCOMPARE(route.at(2), wifi + " system_info");
        QCOMPARE(route.at(4), wired + " system_info");
        QCOMPARE(route.at(0).section(QLatin1Char(' '), 0, 0), wired);
        QCOMPARE(route.at(1).section(QLatin1Char(' '), 0, 0), wired);
        QCOMPARE(route.at(3).section(QLatin1Char(' '), 0, 0), wifi);
        QCOMPARE(lost.count(), 1);
        QCOMPARE(f.tester.unexpected(), QStringList());
    }
};

QTEST_GUILESS_MAIN(TestNorvaleoDimmerSupervision)
#include "tst_norvaleodimmer_supervision.moc"
