#include "discovery/devicessearcher.h"
#include "model/devicelimits.h"
#include "model/favouritesfilterproxymodel.h"
#include "registry/roleregistry.h"
#include "registry/rootmodel.h"

#include "../common/devicetree.h"
#include "../common/modeltester.h"
#include "../common/modeltestsetup.h"
#include "../common/testfiles.h"
#include "simulatedcontroller.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPointer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace DeviceTree;

namespace {

// A search lasts 14 ticks of 800 ms; these waits leave room for a slow machine.
constexpr int SearchTimeoutMs = 20000;
constexpr int ReconnectTimeoutMs = 40000;

using Finished = QPair<QString, int>;

QList<Finished> finishedSignals(const QSignalSpy &spy)
{
    QList<Finished> list;
    for (const QList<QVariant> &arguments : spy) {
        list.append({arguments.at(0).toString(), arguments.at(1).toInt()});
    }
    return list;
}

QModelIndex controllerById(const RootModel &root, const QString &uniqueId)
{
    const QModelIndex top = devices(root);
    for (int row = 0; row < root.rowCount(top); ++row) {
        const QModelIndex device = root.index(row, 0, top);
        if (text(device, "uniqueId") == uniqueId) {
            return device;
        }
    }
    return {};
}

QModelIndex channelByLightId(const RootModel &root, const QModelIndex &device, int lightId)
{
    for (int row = 0; row < root.rowCount(device); ++row) {
        const QModelIndex lamp = root.index(row, 0, device);
        if (lamp.data(role("light_id")) == QVariant(lightId)) {
            return lamp;
        }
    }
    return {};
}

// Stands in for a controller and records what the root model hands it.
class RecordingController : public AbstractDeviceModel
{
public:
    struct Call
    {
        QModelIndex index;
        QVariant value;
        int role;
    };

    RecordingController(int id, QObject *parent)
        : AbstractDeviceModel(QStringLiteral("recorder"), id, parent)
    {
    }

    void transferDataToDevice(const QModelIndex &index, const QVariant &value, int role) override
    {
        calls.append({index, value, role});
    }

    QVector<Call> calls;
};

std::unique_ptr<SimulatedController> startSimulator(const QString &wired, const QString &wifi,
                                                    const QString &uniqueId, const QString &name,
                                                    int channels = 3)
{
    auto simulator = std::make_unique<SimulatedController>(wired, wifi, uniqueId, name, channels);
    if (!simulator->start()) {
        return nullptr;
    }
    return simulator;
}

} // namespace

class TestRootModel : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { prepareModelTests(); }

    void shapeAndPlainOperations()
    {
        QTemporaryDir base;
        RootModel root(nullptr, base.path());
        ModelTester tester(&root);
        QSignalSpy finished(&root, &RootModel::searchingProcessFinished);

        QCOMPARE(root.rowCount(), 1);
        const QModelIndex top = devices(root);
        QCOMPARE(text(top, "name"), QStringLiteral("Устройства"));
        QVERIFY(!root.parent(top).isValid());
        QCOMPARE(root.itemType(), QStringLiteral("ABSTRACT"));
        QCOMPARE(root.roleNames().size(), AbstractDeviceModel::roleRegistry().size());
        QCOMPARE(root.roleByName("favourites"), 306);
        QCOMPARE(root.roleByName("ipAddress_2"), 261);
        QCOMPARE(root.columnCount(), 50);
        QCoreApplication::setApplicationVersion(QStringLiteral(NORVALEO_VERSION));
        QCOMPARE(root.applicationVersion(), QStringLiteral(NORVALEO_VERSION));
        QCOMPARE(root.countDevices(), 0);

        root.stopSearching();
        root.onSearchingFinished(QStringLiteral("search"), 3);
        QCOMPARE(finished.count(), 0);

        // Nodes the tree does not take stay with their pointer.
        QPointer<AbstractDeviceModel> orphan = new Dimmer(QStringLiteral("x"), 0, nullptr);
        root.addItemToModel({},
                            std::shared_ptr<AbstractDeviceModel>(orphan.data(), DeviceDeleter()));
        QVERIFY(!orphan);
        const QModelIndex device = addController(root, QStringLiteral("NV-1"), QStringLiteral("A"),
                                                 QStringLiteral("127.0.0.2"), QString());
        orphan = new Dimmer(QStringLiteral("y"), 0, nullptr);
        root.addItemToModel(device, std::shared_ptr<AbstractDeviceModel>(orphan.data()));
        QVERIFY(!orphan);
        QCOMPARE(root.rowCount(device), 0);

        // Edits of the "Устройства" node are stored and reach no controller.
        QVERIFY(root.setData(top, QStringLiteral("Все"), role("name")));
        QCOMPARE(text(top, "name"), QStringLiteral("Все"));
        QCOMPARE(tester.unexpected(), QStringList());
    }

    void editsAreHandedToTheControllerAbove()
    {
        QTemporaryDir base;
        RootModel root(nullptr, base.path());
        ModelTester tester(&root);
        const QModelIndex real = addController(root, QStringLiteral("NV-1"), QStringLiteral("A"),
                                               QStringLiteral("127.0.0.2"), QString());
        auto *recorder =
            new RecordingController(root.runningCount(devices(root)),
                                    static_cast<QObject *>(devices(root).internalPointer()));
        root.addItemToModel(devices(root),
                            std::shared_ptr<AbstractDeviceModel>(recorder, DeviceDeleter()));
        const QModelIndex recorded = controller(root, 1);
        QCOMPARE(recorded.internalPointer(), static_cast<void *>(recorder));
        const QModelIndex lamp = addChannel(root, recorded, QStringLiteral("c"), 4);
        QCOMPARE(recorder->calls.size(), 1); // its light_id
        recorder->calls.clear();

        const int favourites = role("favourites");
        QVERIFY(root.setData(lamp, true, favourites));
        QVERIFY(root.setData(lamp, true, favourites)); // unchanged, still accepted
        QVERIFY(!root.setData(lamp, true, 2));
        QVERIFY(root.setData(recorded, QStringLiteral("renamed"), role("name")));
        QVERIFY(root.setData(real, QStringLiteral("ssid"), role("wifi_ssid")));
        QCOMPARE(recorder->calls.size(), 3);
        QCOMPARE(recorder->calls.at(0).index, lamp);
        QCOMPARE(recorder->calls.at(0).value, QVariant(true));
        QCOMPARE(recorder->calls.at(0).role, favourites);
        QCOMPARE(recorder->calls.at(1).index, lamp);
        QCOMPARE(recorder->calls.at(2).index, recorded);
        QCOMPARE(recorder->calls.at(2).value, QVariant(QStringLiteral("renamed")));
        QCOMPARE(tester.unexpected(), QStringList());
    }

    void descriptionsAddOrUpdate()
    {
        QTemporaryDir base;
        RootModel root(nullptr, base.path());
        ModelTester tester(&root);
        root.addDevices(
            {description(QStringLiteral("NV-N"), QStringLiteral("null"), QString(), QString()),
             description(QString(), QStringLiteral("no id"), QStringLiteral("127.0.0.2"),
                         QString()),
             description(QStringLiteral(""), QStringLiteral("empty id"),
                         QStringLiteral("127.0.0.2"), QString()),
             description(QStringLiteral("NV-T0"), QStringLiteral("type 0"),
                         QStringLiteral("127.0.0.2"), QString(), 0),
             description(QStringLiteral("NV-T2"), QStringLiteral("type 2"),
                         QStringLiteral("127.0.0.2"), QString(), 2)});
        QCOMPARE(root.rowCount(devices(root)), 0);
        QCOMPARE(root.countDevices(), 0);

        root.addDevices({description(QStringLiteral("NV-1"), QStringLiteral("Wi-Fi only"),
                                     QStringLiteral(""), QStringLiteral("127.0.0.3")),
                         description(QStringLiteral("NV-2"), QStringLiteral("B"),
                                     QStringLiteral("127.0.0.4"), QString()),
                         description(QStringLiteral("NV-3"), QStringLiteral("C"),
                                     QStringLiteral("127.0.0.5"), QString())});
        QCOMPARE(root.rowCount(devices(root)), 3);
        QCOMPARE(root.countDevices(), 1);
        const QModelIndex first = controller(root, 0);
        QCOMPARE(text(first, "name"), QStringLiteral("Wi-Fi only"));
        QCOMPARE(first.data(role("ipAddress_1")), QVariant(QStringLiteral("")));
        QCOMPARE(text(first, "ipAddress_2"), QStringLiteral("127.0.0.3"));
        QCOMPARE(static_cast<AbstractDeviceModel *>(first.internalPointer())->itemType(),
                 QStringLiteral("NORVALEO_DIMMER"));

        // Known controller: a new wired address is written, an empty one clears
        // nothing, the name is kept.
        QSignalSpy changed(&root, &QAbstractItemModel::dataChanged);
        const QModelIndex again =
            root.addDevice(description(QStringLiteral("NV-1"), QStringLiteral("other"),
                                       QStringLiteral("127.0.0.9"), QStringLiteral("")),
                           true);
        QCOMPARE(again, first);
        QCOMPARE(root.rowCount(devices(root)), 3);
        QCOMPARE(text(first, "ipAddress_1"), QStringLiteral("127.0.0.9"));
        QCOMPARE(text(first, "ipAddress_2"), QStringLiteral("127.0.0.3"));
        QCOMPARE(text(first, "name"), QStringLiteral("Wi-Fi only"));
        QVERIFY(!changed.isEmpty());
        QCOMPARE(changed.first().at(0).toModelIndex(), first);
        QCOMPARE(changed.first().at(2).value<QVector<int>>(), QVector<int>{role("ipAddress_1")});

        // The same addresses again write nothing.
        changed.clear();
        root.addDevice(description(QStringLiteral("NV-1"), QString(), QStringLiteral("127.0.0.9"),
                                   QStringLiteral("127.0.0.3")),
                       true);
        for (const QList<QVariant> &arguments : std::as_const(changed)) {
            QVERIFY(!arguments.at(2).value<QVector<int>>().contains(role("ipAddress_1")));
            QVERIFY(!arguments.at(2).value<QVector<int>>().contains(role("ipAddress_2")));
        }

        // No more controllers than a settings file keeps; listed ones still update.
        for (int i = 0; i < DeviceLimits::MaxControllers; ++i) {
            root.addDevice(description(QStringLiteral("NV-L%1").arg(i), QString(),
                                       QStringLiteral("127.0.1.1"), QString()),
                           false);
        }
        QCOMPARE(root.rowCount(devices(root)), DeviceLimits::MaxControllers);
        root.addDevice(
            description(QStringLiteral("NV-1"), QString(), QStringLiteral("127.0.0.8"), QString()),
            false);
        QCOMPARE(text(first, "ipAddress_1"), QStringLiteral("127.0.0.8"));
        QCOMPARE(tester.unexpected(), QStringList());
    }

    // An empty Wi-Fi address from the file is a missing one: after a failure
    // the controller stays on its wired address and never asks an empty host.
    // A report of many controllers lists them all at once and starts their
    // polling a few per turn of the event loop.
    void manyAddedControllersStartAFewPerTurn()
    {
        QTemporaryDir base;
        RootModel root(nullptr, base.path());
        QVector<DeviceDescription> found;
        for (int i = 0; i < 40; ++i) {
            found.append(description(QStringLiteral("NV-%1").arg(i), QStringLiteral("C"),
                                     QStringLiteral("127.0.1.%1").arg(i + 1), QString()));
        }
        root.addDevices(found);
        QCOMPARE(root.rowCount(devices(root)), 40);
        const auto started = [&root] {
            int count = 0;
            for (int row = 0; row < root.rowCount(devices(root)); ++row) {
                const auto *node = static_cast<QObject *>(controller(root, row).internalPointer());
                count += node->findChild<QNetworkAccessManager *>() ? 1 : 0;
            }
            return count;
        };
        const int atOnce = started();
        QVERIFY2(atOnce > 0 && atOnce < 40, qPrintable(QString::number(atOnce)));
        QTRY_COMPARE(started(), 40);
    }

    void wiredOnlyControllerReturnsToItsAddressAfterARestart()
    {
        auto simulator = startSimulator(QStringLiteral("127.0.0.2"), QString(),
                                        QStringLiteral("NV-W"), QStringLiteral("Кухня"), 12);
        QVERIFY(simulator);
        QTemporaryDir base;
        QStringList hosts;
        TestFiles::writeFile(base.path() + QStringLiteral("/settings/settings.json"),
                             "{\"NORVALEO_DIMMER_1\":{\"ipAddress_1\":\"127.0.0.2\","
                             "\"ipAddress_2\":\"\",\"name\":\"Кухня\",\"uniqueId\":\"NV-W\"}}");
        RootModel root(nullptr, base.path());
        root.loadSettings();
        const QPersistentModelIndex device = controller(root, 0);
        auto *manager =
            static_cast<QObject *>(device.internalPointer())->findChild<QNetworkAccessManager *>();
        QVERIFY(manager);
        connect(manager, &QNetworkAccessManager::finished, manager,
                [&](QNetworkReply *reply) { hosts.append(reply->url().host()); });
        QTRY_VERIFY_WITH_TIMEOUT(device.data(role("connection_status")).toBool(), 10000);

        simulator->setNonJsonBody(true);
        QTRY_VERIFY_WITH_TIMEOUT(!device.data(role("connection_status")).toBool(), 10000);
        simulator->setNonJsonBody(false);
        QTRY_VERIFY_WITH_TIMEOUT(device.data(role("connection_status")).toBool(), 10000);
        QCOMPARE(device.data(role("using_interface")), QVariant(1));
        // Its twelve channels in the order of their numbers.
        QTRY_COMPARE_WITH_TIMEOUT(root.rowCount(device), 12, 10000);
        for (int row = 0; row < 12; ++row) {
            QCOMPARE(root.index(row, 0, device).data(role("light_id")), QVariant(row + 1));
        }
        QCOMPARE(QSet<QString>(hosts.cbegin(), hosts.cend()),
                 QSet<QString>{QStringLiteral("127.0.0.2")});
    }

    void editsReachTheController()
    {
        auto simulator = startSimulator(QStringLiteral("127.0.0.2"), QStringLiteral("127.0.0.3"),
                                        QStringLiteral("NV-E"), QStringLiteral("Кухня"));
        QVERIFY(simulator);
        QTemporaryDir base;
        RootModel root(nullptr, base.path());
        ModelTester tester(&root);
        root.addDevices({description(QStringLiteral("NV-E"), QStringLiteral("Кухня"),
                                     QStringLiteral("127.0.0.2"), QStringLiteral("127.0.0.3"))});
        const QModelIndex device = controller(root, 0);
        QTRY_COMPARE_WITH_TIMEOUT(root.rowCount(device), 3, 10000);
        QTRY_VERIFY_WITH_TIMEOUT(device.data(role("connection_status")).toBool(), 10000);

        const QModelIndex lamp = channelByLightId(root, device, 2);
        QVERIFY(lamp.isValid());
        QVERIFY(root.setData(lamp, 77, role("brightness")));
        QTRY_COMPARE_WITH_TIMEOUT(simulator->brightness(2), 77, 10000);
        QCOMPARE(simulator->brightness(1), 0);

        QVERIFY(root.setData(device, QStringLiteral("Гостиная"), role("name")));
        QTRY_COMPARE_WITH_TIMEOUT(simulator->name(), QStringLiteral("Гостиная"), 10000);
        QCOMPARE(tester.unexpected(), QStringList());
    }

    void searchListsEachControllerOnce()
    {
        auto first = startSimulator(QStringLiteral("127.0.0.2"), QStringLiteral("127.0.0.3"),
                                    QStringLiteral("NV-A"), QStringLiteral("Кухня"));
        auto second = startSimulator(QStringLiteral("127.0.0.4"), QString(), QStringLiteral("NV-B"),
                                     QStringLiteral("Спальня"));
        QVERIFY(first && second);
        QTemporaryDir base;
        RootModel root(nullptr, base.path());
        ModelTester tester(&root);
        QSignalSpy finished(&root, &RootModel::searchingProcessFinished);

        root.startCommunication();
        root.startCommunication();
        // The second start joins the running search instead of starting one.
        QCOMPARE(root.findChildren<DevicesSearcher *>().size(), 1);
        root.tryToAddDevice(QStringLiteral("127.0.0.9"));
        root.tryToAddDevice(QString());
        QCOMPARE(finishedSignals(finished),
                 (QList<Finished>{{QStringLiteral("error"), 0}, {QStringLiteral("error"), 0}}));

        QTRY_COMPARE_WITH_TIMEOUT(root.rowCount(devices(root)), 2, 5000);
        const QModelIndex b = controllerById(root, QStringLiteral("NV-B"));
        QVERIFY(b.isValid());
        const QPersistentModelIndex heldB(b);
        QCOMPARE(text(b, "name"), QStringLiteral("Спальня"));

        // B moves to another wired address while the search still runs; having
        // no Wi-Fi, its node can learn the address only from an answer.
        QVERIFY(second->moveToAddresses(QStringLiteral("127.0.0.7"), QString()));
        QTRY_COMPARE_WITH_TIMEOUT(text(heldB, "ipAddress_1"), QStringLiteral("127.0.0.7"),
                                  SearchTimeoutMs);

        QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 3, SearchTimeoutMs);
        QCOMPARE(finishedSignals(finished).last(), Finished(QStringLiteral("search"), 2));
        QCOMPARE(root.rowCount(devices(root)), 2);
        QCOMPARE(QModelIndex(heldB), controllerById(root, QStringLiteral("NV-B")));

        // Addresses of listed controllers are not checked again.
        root.tryToAddDevice(QStringLiteral("127.0.0.3"));
        root.tryToAddDevice(QStringLiteral("127.0.0.7"));
        QCOMPARE(finishedSignals(finished).mid(3),
                 (QList<Finished>{{QStringLiteral("existed"), 0}, {QStringLiteral("existed"), 0}}));

        auto third = startSimulator(QStringLiteral("127.0.0.8"), QString(), QStringLiteral("NV-C"),
                                    QStringLiteral("Холл"));
        QVERIFY(third);
        root.tryToAddDevice(QStringLiteral("127.0.0.8"));
        QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 6, SearchTimeoutMs);
        QCOMPARE(finishedSignals(finished).last(), Finished(QStringLiteral("check"), 1));
        QCOMPARE(root.rowCount(devices(root)), 3);
        QCOMPARE(text(controller(root, 2), "uniqueId"), QStringLiteral("NV-C"));
        QCOMPARE(root.countDevices(), 1);
        QCOMPARE(tester.unexpected(), QStringList());
    }

    void lostControllerIsFoundAgain()
    {
        auto simulator = startSimulator(QStringLiteral("127.0.0.2"), QStringLiteral("127.0.0.3"),
                                        QStringLiteral("NV-L"), QStringLiteral("Гостиная"));
        QVERIFY(simulator);
        QTemporaryDir base;
        RootModel root(nullptr, base.path());
        FavouritesFilterProxyModel proxy;
        ModelTester rootTester(&root);
        ModelTester proxyTester(&proxy);
        proxy.setSourceModel(&root);
        proxy.rebuildFavourites();

        root.addDevices({description(QStringLiteral("NV-L"), QStringLiteral("Гостиная"),
                                     QStringLiteral("127.0.0.2"), QStringLiteral("127.0.0.3"))});
        const QPersistentModelIndex device = controller(root, 0);
        QTRY_COMPARE_WITH_TIMEOUT(root.rowCount(device), 3, 10000);
        QTRY_VERIFY_WITH_TIMEOUT(device.data(role("connection_status")).toBool(), 10000);
        QVERIFY(root.setData(root.index(1, 0, device), true, role("favourites")));
        QCOMPARE(proxy.rowCount(), 1);

        void *const node = device.internalPointer();
        QVector<void *> channels;
        for (int row = 0; row < 3; ++row) {
            channels.append(root.index(row, 0, device).internalPointer());
        }

        QVERIFY(
            simulator->moveToAddresses(QStringLiteral("127.0.0.12"), QStringLiteral("127.0.0.13")));
        QTRY_VERIFY_WITH_TIMEOUT(!device.data(role("connection_status")).toBool(),
                                 ReconnectTimeoutMs);
        QTRY_COMPARE_WITH_TIMEOUT(text(device, "ipAddress_1"), QStringLiteral("127.0.0.12"),
                                  ReconnectTimeoutMs);
        QTRY_COMPARE_WITH_TIMEOUT(text(device, "ipAddress_2"), QStringLiteral("127.0.0.13"),
                                  ReconnectTimeoutMs);
        QTRY_VERIFY_WITH_TIMEOUT(device.data(role("connection_status")).toBool(),
                                 ReconnectTimeoutMs);

        QCOMPARE(root.rowCount(devices(root)), 1);
        QCOMPARE(device.internalPointer(), node);
        QCOMPARE(text(device, "name"), QStringLiteral("Гостиная"));
        QCOMPARE(root.rowCount(device), 3);
        for (int row = 0; row < 3; ++row) {
            QCOMPARE(root.index(row, 0, device).internalPointer(), channels.at(row));
        }
        QVERIFY(root.index(1, 0, device).data(role("favourites")).toBool());
        QCOMPARE(proxy.rowCount(), 1);
        QCOMPARE(proxy.mapToSource(proxy.index(0, 0)), root.index(1, 0, device));
        QCOMPARE(rootTester.unexpected(), QStringList());
        QCOMPARE(proxyTester.unexpected(), QStringList());
    }

    void clearingDuringASearch()
    {
        auto simulator = startSimulator(QStringLiteral("127.0.0.2"), QStringLiteral("127.0.0.3"),
                                        QStringLiteral("NV-A"), QStringLiteral("Кухня"));
        QVERIFY(simulator);
        QTemporaryDir base;
        RootModel root(nullptr, base.path());
        ModelTester tester(&root);
        QSignalSpy finished(&root, &RootModel::searchingProcessFinished);

        // A cancelled search leaves room for an address check at once.
        root.startCommunication();
        root.stopSearching();
        root.tryToAddDevice(QStringLiteral("127.0.0.2"));
        QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, SearchTimeoutMs);
        QCOMPARE(finishedSignals(finished).last(), Finished(QStringLiteral("check"), 1));
        QCOMPARE(root.rowCount(devices(root)), 1);
        root.saveSettings();
        QVERIFY(QFile::exists(base.path() + QStringLiteral("/settings/settings.json")));

        root.startCommunication();
        QTest::qWait(2000);
        QPointer<QObject> node = static_cast<QObject *>(controller(root, 0).internalPointer());
        QSignalSpy reset(&root, &QAbstractItemModel::modelReset);
        root.clearSettings();
        QCOMPARE(reset.count(), 1);
        QCOMPARE(root.rowCount(devices(root)), 0);
        QCOMPARE(root.countDevices(), 0);
        QVERIFY(!QFile::exists(base.path() + QStringLiteral("/settings/settings.json")));

        // Past the end of the cancelled search: no signal, nothing comes back.
        QTest::qWait(14000);
        QVERIFY(!node);
        QCOMPARE(finished.count(), 1);
        QCOMPARE(root.rowCount(devices(root)), 0);

        root.tryToAddDevice(QStringLiteral("127.0.0.3"));
        QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 2, SearchTimeoutMs);
        QCOMPARE(finishedSignals(finished).last(), Finished(QStringLiteral("check"), 1));
        QCOMPARE(root.rowCount(devices(root)), 1);
        QCOMPARE(tester.unexpected(), QStringList());
    }
};

QTEST_GUILESS_MAIN(TestRootModel)

#include "tst_rootmodel.moc"
