#include "registry/rootmodel.h"

#include "../common/devicetree.h"
#include "../common/modeltestsetup.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace DeviceTree;

// Run by twoadapters.sh: the only controller is on the second adapter's network.
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
        QCOMPARE(finished.at(0), (QList<QVariant>{"search", 1}));
        QVERIFY(root.searchedNetworks().contains(QStringLiteral("nvhost 10.77.0.1/24")));

        const QModelIndex device = controller(root, 0);
        QCOMPARE(text(device, "uniqueId"), QStringLiteral("NV0A4D000A"));
        // Polled over HTTP on that network: the replies bring its channels.
        QTRY_VERIFY_WITH_TIMEOUT(device.data(role("connection_status")).toBool(), 10000);
        QTRY_COMPARE_WITH_TIMEOUT(root.rowCount(device), 2, 10000);
    }
};

QTEST_GUILESS_MAIN(TestTwoAdapters)
#include "tst_twoadapters.moc"
