#include "registry/rootmodel.h"

#include "../common/devicetree.h"
#include "../common/modeltestsetup.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace DeviceTree;

// Run by twoadapters.sh: one simulated controller on a second adapter's
// network, which the limited broadcast does not reach.
class TestTwoAdapters : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { prepareModelTests(); }

    void searchFindsAndPollsTheSecondNetwork()
    {
        QTemporaryDir base;
        RootModel root(nullptr, base.path());
        QSignalSpy finished(&root, &RootModel::searchingProcessFinished);

        root.startCommunication();
        QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 20000);
        QCOMPARE(finished.at(0).at(0).toString(), QStringLiteral("search"));
        QCOMPARE(finished.at(0).at(1).toInt(), 1);
        QVERIFY2(root.searchedNetworks().contains(QStringLiteral("nvhost 10.77.0.1/24")),
                 qPrintable(root.searchedNetworks().join(QLatin1String(", "))));

        const QModelIndex device = controller(root, 0);
        QCOMPARE(text(device, "uniqueId"), QStringLiteral("NV0A4D000A"));
        QCOMPARE(text(device, "ipAddress_1"), QStringLiteral("10.77.0.10"));
        // Polled over HTTP on that network: the replies bring its channels.
        QTRY_VERIFY_WITH_TIMEOUT(device.data(role("connection_status")).toBool(), 10000);
        QTRY_COMPARE_WITH_TIMEOUT(root.rowCount(device), 2, 10000);
    }
};

QTEST_GUILESS_MAIN(TestTwoAdapters)
#include "tst_twoadapters.moc"
