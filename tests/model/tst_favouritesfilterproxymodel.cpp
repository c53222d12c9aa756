#include "model/favouritesfilterproxymodel.h"
#include "registry/roleregistry.h"
#include "registry/rootmodel.h"

#include "../common/devicetree.h"
#include "../common/modeltester.h"
#include "../common/modeltestsetup.h"

#include <QSignalSpy>
#include <QStringListModel>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace DeviceTree;

namespace {

// Two controllers with three channels each, none of them a favourite yet, and
// the proxy attached as the application attaches it.
struct Fixture
{
    Fixture() : root(nullptr, base.path())
    {
        rootTester = std::make_unique<ModelTester>(&root);
        proxyTester = std::make_unique<ModelTester>(&proxy);
        for (int c = 0; c < 2; ++c) {
            const QModelIndex device =
                addController(root, QStringLiteral("NV-%1").arg(c), QStringLiteral("D%1").arg(c),
                              QStringLiteral("127.0.0.%1").arg(c + 2), QString());
            for (int ch = 0; ch < 3; ++ch) {
                addChannel(root, device, QStringLiteral("L%1.%2").arg(c).arg(ch), ch + 1);
            }
        }
        proxy.setSourceModel(&root);
        proxy.rebuildFavourites();
    }

    QModelIndex lamp(int c, int ch) const { return channel(root, c, ch); }

    void mark(int c, int ch, bool favourite)
    {
        QVERIFY(root.setData(lamp(c, ch), favourite, role("favourites")));
    }

    // The channel names of the proxy rows, in row order.
    QStringList rows() const
    {
        QStringList names;
        for (int row = 0; row < proxy.rowCount(); ++row) {
            names.append(text(proxy.index(row, 0), "name"));
        }
        return names;
    }

    QStringList unexpected() const { return rootTester->unexpected() + proxyTester->unexpected(); }

    QTemporaryDir base;
    RootModel root;
    FavouritesFilterProxyModel proxy;
    std::unique_ptr<ModelTester> rootTester;
    std::unique_ptr<ModelTester> proxyTester;
};

} // namespace

class TestFavouritesFilterProxyModel : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { prepareModelTests(); }

    void firstMarkIsALayoutChangeLaterOnesAreInsertions()
    {
        Fixture f;
        QCOMPARE(f.proxy.rowCount(), 0);
        QSignalSpy layoutAbout(&f.proxy, &QAbstractItemModel::layoutAboutToBeChanged);
        QSignalSpy layout(&f.proxy, &QAbstractItemModel::layoutChanged);
        QSignalSpy inserted(&f.proxy, &QAbstractItemModel::rowsInserted);

        f.mark(1, 2, true);
        QCOMPARE(layoutAbout.count(), 1);
        QCOMPARE(layout.count(), 1);
        QCOMPARE(inserted.count(), 0);
        QCOMPARE(f.rows(), QStringList{QStringLiteral("L1.2")});
        QCOMPARE(f.proxy.mapToSource(f.proxy.index(0, 0)), f.lamp(1, 2));
        QCOMPARE(f.proxy.mapFromSource(f.lamp(1, 2)), f.proxy.index(0, 0));

        f.mark(0, 0, true);
        QCOMPARE(layout.count(), 1);
        QCOMPARE(inserted.count(), 1);
        QVERIFY(!inserted.at(0).at(0).toModelIndex().isValid());
        QCOMPARE(inserted.at(0).at(1).toInt(), 1);
        QCOMPARE(inserted.at(0).at(2).toInt(), 1);
        QCOMPARE(f.proxy.rowCount(), 2);

        // Marking again what is marked changes nothing.
        f.mark(0, 0, true);
        QCOMPARE(inserted.count(), 1);
        QCOMPARE(f.unexpected(), QStringList());
    }

    void mappingOfWhatIsNoRow()
    {
        Fixture f;
        f.mark(0, 1, true);
        QVERIFY(!f.proxy.mapToSource(QModelIndex()).isValid());
        QVERIFY(!f.proxy.mapFromSource(QModelIndex()).isValid());
        QVERIFY(!f.proxy.mapFromSource(f.lamp(0, 0)).isValid());
        QVERIFY(!f.proxy.mapFromSource(controller(f.root, 0)).isValid());
        QVERIFY(!f.proxy.index(1, 0).isValid());
        QVERIFY(!f.proxy.index(0, 0, f.proxy.index(0, 0)).isValid());
        QVERIFY(!f.proxy.parent(f.proxy.index(0, 0)).isValid());
        QCOMPARE(f.proxy.rowCount(f.proxy.index(0, 0)), 0);
        QCOMPARE(f.proxy.columnCount(), f.root.columnCount());
        // Only column 0 stands for the channel.
        const QModelIndex otherColumn = f.proxy.index(0, 3);
        QVERIFY(otherColumn.isValid());
        QVERIFY(!f.proxy.mapToSource(otherColumn).isValid());
        QVERIFY(!otherColumn.data(role("name")).isValid());
        QCOMPARE(f.unexpected(), QStringList());
    }

    void markOrderThenTreeOrderAfterARebuild()
    {
        Fixture f;
        // C3 lies before C1 in the tree.
        f.mark(1, 1, true); // C1
        f.mark(1, 2, true); // C2
        f.mark(0, 2, true); // C3
        QCOMPARE(f.rows(), (QStringList{QStringLiteral("L1.1"), QStringLiteral("L1.2"),
                                        QStringLiteral("L0.2")}));
        const QPersistentModelIndex c1(f.proxy.index(0, 0));
        const QPersistentModelIndex c3(f.proxy.index(2, 0));
        const QPersistentModelIndex c3Other(f.proxy.index(2, 4));

        QSignalSpy layout(&f.proxy, &QAbstractItemModel::layoutChanged);
        f.proxy.rebuildFavourites();
        QCOMPARE(layout.count(), 1);
        QCOMPARE(f.rows(), (QStringList{QStringLiteral("L0.2"), QStringLiteral("L1.1"),
                                        QStringLiteral("L1.2")}));
        for (int row = 0; row < 3; ++row) {
            const QModelIndex index = f.proxy.index(row, 0);
            QCOMPARE(f.proxy.mapFromSource(f.proxy.mapToSource(index)), index);
        }
        // Indexes held by views follow their channels.
        QCOMPARE(c1.row(), 1);
        QCOMPARE(c3.row(), 0);
        QCOMPARE(c3Other.row(), 0);
        QCOMPARE(c3Other.column(), 4);
        QCOMPARE(text(c3, "name"), QStringLiteral("L0.2"));
        QCOMPARE(f.unexpected(), QStringList());
    }

    void unmarkingTheMiddleRowRenumbersTheRest()
    {
        Fixture f;
        f.mark(0, 0, true);
        f.mark(0, 1, true);
        f.mark(1, 0, true);
        const QPersistentModelIndex last(f.proxy.index(2, 0));
        QSignalSpy aboutToRemove(&f.proxy, &QAbstractItemModel::rowsAboutToBeRemoved);
        QSignalSpy removed(&f.proxy, &QAbstractItemModel::rowsRemoved);

        f.mark(0, 1, false);
        QCOMPARE(aboutToRemove.count(), 1);
        QCOMPARE(removed.count(), 1);
        QCOMPARE(removed.at(0).at(1).toInt(), 1);
        QCOMPARE(removed.at(0).at(2).toInt(), 1);
        QCOMPARE(f.rows(), (QStringList{QStringLiteral("L0.0"), QStringLiteral("L1.0")}));
        QCOMPARE(f.proxy.mapToSource(f.proxy.index(1, 0)), f.lamp(1, 0));
        QCOMPARE(f.proxy.mapFromSource(f.lamp(1, 0)), f.proxy.index(1, 0));
        QCOMPARE(last.row(), 1);
        QVERIFY(!f.proxy.index(2, 0).isValid());

        // The renumbered rows keep working: remove the new last row, then the first.
        f.mark(1, 0, false);
        QVERIFY(!last.isValid());
        f.mark(0, 0, false);
        QCOMPARE(f.proxy.rowCount(), 0);
        QCOMPARE(removed.count(), 3);
        QCOMPARE(f.unexpected(), QStringList());
    }

    void valueChangesPassThroughForFavouritesOnly()
    {
        Fixture f;
        f.mark(0, 1, true);
        f.mark(1, 2, true);
        QSignalSpy changed(&f.proxy, &QAbstractItemModel::dataChanged);
        QSignalSpy inserted(&f.proxy, &QAbstractItemModel::rowsInserted);
        QSignalSpy removed(&f.proxy, &QAbstractItemModel::rowsRemoved);
        QSignalSpy layout(&f.proxy, &QAbstractItemModel::layoutChanged);
        const int brightness = role("brightness");
        const int maxBrightness = role("max_brightness");

        // Device replies update several roles at once.
        QVERIFY(f.root.setItemValues(f.lamp(1, 2), {{brightness, 90}, {maxBrightness, 200}}));
        QCOMPARE(changed.count(), 1);
        QCOMPARE(changed.at(0).at(0).toModelIndex(), f.proxy.index(1, 0));
        QCOMPARE(changed.at(0).at(1).toModelIndex(), f.proxy.index(1, 0));
        QCOMPARE(changed.at(0).at(2).value<QVector<int>>(),
                 (QVector<int>{brightness, maxBrightness}));
        QCOMPARE(f.proxy.index(1, 0).data(brightness).toInt(), 90);

        QVERIFY(f.root.setItemValues(f.lamp(1, 1), {{brightness, 90}}));
        QVERIFY(f.root.setData(controller(f.root, 0), true, role("connection_status")));
        QCOMPARE(changed.count(), 1);

        // A change without roles over a whole controller never adds or removes rows.
        QVector<QModelIndex> channels;
        for (int ch = 0; ch < 3; ++ch) {
            channels.append(f.lamp(0, ch));
        }
        QVERIFY(f.root.setItemsValues(channels, {{role("connection_status"), true}}));
        QCOMPARE(changed.count(), 2);
        QCOMPARE(changed.at(1).at(0).toModelIndex(), f.proxy.index(0, 0));
        QVERIFY(changed.at(1).at(2).value<QVector<int>>().isEmpty());
        QCOMPARE(inserted.count(), 0);
        QCOMPARE(removed.count(), 0);
        QCOMPARE(layout.count(), 0);
        QCOMPARE(f.proxy.rowCount(), 2);
        QCOMPARE(f.unexpected(), QStringList());
    }

    void changeOverSeveralRowsRebuilds()
    {
        Fixture f;
        f.mark(1, 0, true);
        const int favourites = role("favourites");
        // Marked without a signal, then announced as one range.
        const QVector<QModelIndex> channels{f.lamp(0, 0), f.lamp(0, 1), f.lamp(0, 2)};
        for (const QModelIndex &index : channels) {
            static_cast<AbstractDeviceModel *>(index.internalPointer())
                ->setItemValues(index, {{favourites, true}});
        }
        QSignalSpy layout(&f.proxy, &QAbstractItemModel::layoutChanged);
        Q_EMIT f.root.dataChanged(channels.first(), channels.last(), {favourites});
        QCOMPARE(layout.count(), 1);
        QCOMPARE(f.rows(), (QStringList{QStringLiteral("L0.0"), QStringLiteral("L0.1"),
                                        QStringLiteral("L0.2"), QStringLiteral("L1.0")}));

        for (const QModelIndex &index : channels) {
            static_cast<AbstractDeviceModel *>(index.internalPointer())
                ->setItemValues(index, {{favourites, false}});
        }
        QVERIFY(f.root.setItemValues(channels.at(1), {{favourites, true}}));
        Q_EMIT f.root.dataChanged(channels.first(), channels.last(), {favourites});
        QCOMPARE(f.rows(), (QStringList{QStringLiteral("L0.1"), QStringLiteral("L1.0")}));
        QCOMPARE(f.unexpected(), QStringList());
    }

    void restoredTextMarks()
    {
        Fixture f;
        // A restored mark is a text.
        QVERIFY(f.root.setData(f.lamp(0, 0), QStringLiteral("true"), role("favourites")));
        QVERIFY(f.root.setData(f.lamp(0, 1), QStringLiteral("false"), role("favourites")));
        QCOMPARE(f.rows(), QStringList{QStringLiteral("L0.0")});
        f.proxy.rebuildFavourites();
        QCOMPARE(f.rows(), QStringList{QStringLiteral("L0.0")});
        QVERIFY(f.root.setData(f.lamp(0, 0), QStringLiteral("false"), role("favourites")));
        QCOMPARE(f.proxy.rowCount(), 0);
        QCOMPARE(f.unexpected(), QStringList());
    }

    void clearingTheListEmptiesTheProxy()
    {
        Fixture f;
        f.mark(0, 0, true);
        f.mark(1, 1, true);
        const QPersistentModelIndex held(f.proxy.index(1, 0));
        f.root.clearSettings();
        QCOMPARE(f.proxy.rowCount(), 0);
        QVERIFY(!held.isValid());
        QCOMPARE(f.root.rowCount(devices(f.root)), 0);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

        // The list fills again after the reset.
        const QModelIndex device =
            addController(f.root, QStringLiteral("NV-9"), QStringLiteral("D9"),
                          QStringLiteral("127.0.0.9"), QString());
        addChannel(f.root, device, QStringLiteral("L9"), 1, true);
        QCOMPARE(f.rows(), QStringList{QStringLiteral("L9")});
        QCOMPARE(f.unexpected(), QStringList());
    }

    void writingThroughTheProxy()
    {
        Fixture f;
        f.mark(0, 2, true);
        f.mark(1, 0, true);
        const int favourites = role("favourites");
        const int brightnessMax = role("max_brightness");
        QCOMPARE(f.proxy.index(0, 0).data(favourites), QVariant(true));
        QCOMPARE(f.proxy.roleNames(), f.root.roleNames());
        QVERIFY(f.proxy.flags(f.proxy.index(0, 0)) & Qt::ItemIsEditable);

        QSignalSpy removed(&f.proxy, &QAbstractItemModel::rowsRemoved);
        QVERIFY(f.proxy.setData(f.proxy.index(0, 0), false, favourites));
        QCOMPARE(removed.count(), 1);
        QCOMPARE(removed.at(0).at(1).toInt(), 0);
        QCOMPARE(f.lamp(0, 2).data(favourites), QVariant(false));
        QCOMPARE(f.rows(), QStringList{QStringLiteral("L1.0")});

        // The remaining row, now row 0, writes to its own channel.
        QVERIFY(f.proxy.setData(f.proxy.index(0, 0), 120, brightnessMax));
        QCOMPARE(f.lamp(1, 0).data(brightnessMax).toInt(), 120);
        QCOMPARE(f.unexpected(), QStringList());
    }

    void sourceThatIsNoDeviceTree()
    {
        QStringListModel list({QStringLiteral("true"), QStringLiteral("x")});
        FavouritesFilterProxyModel proxy;
        ModelTester tester(&proxy);
        proxy.setSourceModel(&list);
        proxy.rebuildFavourites();
        QCOMPARE(proxy.rowCount(), 0);
        QSignalSpy changed(&proxy, &QAbstractItemModel::dataChanged);
        QVERIFY(list.setData(list.index(1, 0), QStringLiteral("true")));
        QCOMPARE(proxy.rowCount(), 0);
        QCOMPARE(changed.count(), 0);
        QCOMPARE(tester.unexpected(), QStringList());
    }
};

QTEST_GUILESS_MAIN(TestFavouritesFilterProxyModel)

#include "tst_favouritesfilterproxymodel.moc"
