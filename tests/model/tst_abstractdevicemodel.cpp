#include "device/norvaleodimmer.h"
#include "model/abstractdevicemodel.h"
#include "model/dimmer.h"
#include "registry/roleregistry.h"

#include "../common/modeltester.h"
#include <QPointer>
#include <QSignalSpy>
#include <QTest>

namespace {

// A bare tree: a model object with one top-level node, like the root model.
struct Tree
{
    Tree() : root(QStringLiteral("root"), -1, nullptr)
    {
        rootModel = &root;
        top = new AbstractDeviceModel(QStringLiteral("top"), 0, &root);
        root.insertChild({}, top);
    }

    QModelIndex topIndex() const { return root.index(0, 0); }

    AbstractDeviceModel *addChild(const QModelIndex &parent, const QString &name)
    {
        auto *node = new AbstractDeviceModel(
            name, root.runningCount(parent),
            parent.isValid() ? static_cast<QObject *>(parent.internalPointer()) : &root);
        root.insertChild(parent, node);
        return node;
    }

    AbstractDeviceModel root;
    AbstractDeviceModel *rootModel;
    AbstractDeviceModel *top;
};

} // namespace

class TestAbstractDeviceModel : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { RoleRegistry::fill(); }

    void roleNumbers()
    {
        const auto &registry = AbstractDeviceModel::roleRegistry();
        QCOMPARE(registry.value("name"), 257);
        QCOMPARE(registry.value("preffered_delegate"), 258);
        QCOMPARE(registry.value("uniqueId"), 259);
        QCOMPARE(registry.value("connection_status"), 262);
        QCOMPARE(registry.value("dimmimg_all_settings"), 298);
        QCOMPARE(registry.value("dimmer_use_timer_sinch"), 297);
        QCOMPARE(registry.value("autosave_settings"), 299);
        QCOMPARE(registry.value("brightness"), 300);
        QCOMPARE(registry.value("light_id"), 305);
        QCOMPARE(registry.value("favourites"), 306);
        QCOMPARE(registry.size(), 50);

        // A second fill uses up no numbers.
        RoleRegistry::fill();
        QCOMPARE(registry.size(), 50);
        QCOMPARE(registry.value("favourites"), 306);

        // Nodes of one class share one role table; another class has its own.
        const Dimmer first(QStringLiteral("a"), 0, nullptr);
        const Dimmer second(QStringLiteral("b"), 1, nullptr);
        QVERIFY(first.roleNames().isSharedWith(second.roleNames()));
        QCOMPARE(first.roleNames().value(306), QByteArray("favourites"));
        const AbstractDeviceModel plain(QStringLiteral("c"), 2, nullptr);
        QCOMPARE(plain.roleNames().size(), 2);
    }

    void unregisteredRoleIsZero()
    {
        class Odd : public AbstractDeviceModel
        {
        public:
            Odd() : AbstractDeviceModel(QStringLiteral("odd"), 0, nullptr)
            {
                addRoleNames({"not_registered"});
                setNodeProperty("not_registered", 42, false);
            }
        };
        Tree tree;
        auto *odd = new Odd;
        odd->setParent(tree.top);
        tree.root.insertChild(tree.topIndex(), odd);
        const QModelIndex index = tree.root.index(0, 0, tree.topIndex());
        QCOMPARE(odd->roleByName("not_registered"), 0);
        QCOMPARE(tree.root.data(index, 0), QVariant(42));
        QSignalSpy changed(&tree.root, &QAbstractItemModel::dataChanged);
        QVERIFY(!tree.root.setData(index, 43, 0));
        QCOMPARE(tree.root.data(index, 0), QVariant(42));
        QCOMPARE(changed.count(), 0);
    }

    void indexAndParentOverThreeLevels()
    {
        Tree tree;
        ModelTester tester(&tree.root);
        auto *a = tree.addChild(tree.topIndex(), QStringLiteral("a"));
        tree.addChild(tree.topIndex(), QStringLiteral("b"));
        const QModelIndex aIndex = tree.root.index(0, 0, tree.topIndex());
        tree.addChild(aIndex, QStringLiteral("a1"));
        auto *a2node = tree.addChild(aIndex, QStringLiteral("a2"));

        QVERIFY(!tree.root.parent(tree.topIndex()).isValid());
        QCOMPARE(tree.root.parent(aIndex), tree.topIndex());
        const QModelIndex a2 = tree.root.index(1, 0, aIndex);
        QCOMPARE(a2.data(257).toString(), QStringLiteral("a2"));
        QCOMPARE(tree.root.parent(a2), aIndex);
        QCOMPARE(a2.internalPointer(), static_cast<void *>(a2node));
        QCOMPARE(tree.root.rowCount(aIndex), 2);
        QCOMPARE(tree.root.rowCount(tree.topIndex()), 2);
        QVERIFY(!tree.root.index(2, 0, aIndex).isValid());
        QVERIFY(!tree.root.index(0, 0, a2).isValid());
        QCOMPARE(tree.root.columnCount(aIndex), 2);
        QCOMPARE(tree.root.columnCount(), 2);
        QVERIFY(tree.root.hasChildren(aIndex));
        QVERIFY(!tree.root.hasChildren(a2));
        QVERIFY(tester.expectedCount() > 0);
        QVERIFY(a->isChildOf(tree.top));
        QVERIFY(!a->isChildOf(&tree.root));
        QCOMPARE(tree.root.flags(a2),
                 Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsEditable);
        QCOMPARE(tree.root.flags({}), Qt::ItemIsEnabled);
        QCOMPARE(tester.unexpected(), QStringList());
    }

    void firstChildIsALayoutChange()
    {
        Tree tree;
        ModelTester tester(&tree.root);
        QSignalSpy layoutAbout(&tree.root, &QAbstractItemModel::layoutAboutToBeChanged);
        QSignalSpy layout(&tree.root, &QAbstractItemModel::layoutChanged);
        QSignalSpy rowsAbout(&tree.root, &QAbstractItemModel::rowsAboutToBeInserted);
        QSignalSpy rows(&tree.root, &QAbstractItemModel::rowsInserted);

        tree.addChild(tree.topIndex(), QStringLiteral("first"));
        QCOMPARE(layoutAbout.count(), 1);
        QCOMPARE(layout.count(), 1);
        QCOMPARE(rowsAbout.count(), 0);
        QCOMPARE(rows.count(), 0);

        tree.addChild(tree.topIndex(), QStringLiteral("second"));
        tree.addChild(tree.topIndex(), QStringLiteral("third"));
        QCOMPARE(layout.count(), 1);
        QCOMPARE(rows.count(), 2);
        QCOMPARE(rows.at(0).at(0).toModelIndex(), tree.topIndex());
        QCOMPARE(rows.at(0).at(1).toInt(), 1);
        QCOMPARE(rows.at(0).at(2).toInt(), 1);
        QCOMPARE(rows.at(1).at(1).toInt(), 2);
        QCOMPARE(tester.unexpected(), QStringList());
    }

    void setDataRules()
    {
        Tree tree;
        ModelTester tester(&tree.root);
        tree.addChild(tree.topIndex(), QStringLiteral("a"));
        const QModelIndex a = tree.root.index(0, 0, tree.topIndex());
        QSignalSpy changed(&tree.root, &QAbstractItemModel::dataChanged);

        for (int role : {-5, 0, 1, 2}) {
            QVERIFY2(!tree.root.setData(a, QStringLiteral("x"), role),
                     qPrintable(QString::number(role)));
        }
        QVERIFY(!tree.root.setData({}, QStringLiteral("x"), 257));
        QVERIFY(!tree.root.setData(a, QStringLiteral("x"), 300)); // not in a base node's table
        QCOMPARE(changed.count(), 0);

        QVERIFY(tree.root.setData(a, QStringLiteral("a"), 257));
        QCOMPARE(changed.count(), 0);

        QVERIFY(tree.root.setData(a, QStringLiteral("renamed"), 257));
        QCOMPARE(changed.count(), 1);
        QCOMPARE(changed.at(0).at(0).toModelIndex(), a);
        QCOMPARE(changed.at(0).at(1).toModelIndex(), a);
        QCOMPARE(changed.at(0).at(2).value<QVector<int>>(), QVector<int>{257});
        QCOMPARE(a.data(257).toString(), QStringLiteral("renamed"));
        QVERIFY(!tree.root.data({}, 257).isValid());
        QVERIFY(!tree.root.data(a, 300).isValid());
        QCOMPARE(tester.unexpected(), QStringList());
    }

    void roleInTableWithoutPropertyIsRefused()
    {
        class Partial : public AbstractDeviceModel
        {
        public:
            Partial() : AbstractDeviceModel(QStringLiteral("p"), 0, nullptr)
            {
                addRoleNames({"brightness"});
            }
        };
        Tree tree;
        auto *p = new Partial;
        p->setParent(tree.top);
        tree.root.insertChild(tree.topIndex(), p);
        QVERIFY(!tree.root.setData(tree.root.index(0, 0, tree.topIndex()), 5, 300));
    }

    void multiRoleUpdates()
    {
        Tree tree;
        ModelTester tester(&tree.root);
        QVector<QModelIndex> channels;
        for (int i = 0; i < 3; ++i) {
            auto *d = new Dimmer(QStringLiteral("L%1").arg(i),
                                 tree.root.runningCount(tree.topIndex()), tree.top);
            tree.root.insertChild(tree.topIndex(), d);
            channels.append(tree.root.index(i, 0, tree.topIndex()));
        }
        QSignalSpy changed(&tree.root, &QAbstractItemModel::dataChanged);

        // One node: ascending role order, only changed roles, skipped roles.
        QMap<int, QVariant> values{
            {1, QStringLiteral("x")}, {300, 40}, {301, 1000}, {304, 90}, {290, 7}, {999, 1}};
        QVERIFY(tree.root.setItemValues(channels.at(1), values));
        QCOMPARE(changed.count(), 1);
        QCOMPARE(changed.at(0).at(0).toModelIndex(), channels.at(1));
        QCOMPARE(changed.at(0).at(2).value<QVector<int>>(), (QVector<int>{300, 304}));
        QCOMPARE(channels.at(1).data(304).toInt(), 90);
        QVERIFY(!tree.root.setItemValues(channels.at(1), values));
        QVERIFY(!tree.root.setItemValues({}, values));
        QCOMPARE(changed.count(), 1);

        // Several nodes: one signal spanning first to last, no roles.
        QVERIFY(!tree.root.setItemsValues({}, {{262, true}}));
        QVERIFY(!tree.root.setItemsValues(channels, {}));
        QVERIFY(tree.root.setItemsValues(channels, {{262, true}}));
        QCOMPARE(changed.count(), 2);
        QCOMPARE(changed.at(1).at(0).toModelIndex(), channels.first());
        QCOMPARE(changed.at(1).at(1).toModelIndex(), channels.last());
        QVERIFY(changed.at(1).at(2).value<QVector<int>>().isEmpty());
        for (const QModelIndex &c : channels) {
            QVERIFY(c.data(262).toBool());
        }
        QVERIFY(!tree.root.setItemsValues(channels, {{262, true}}));
        QCOMPARE(changed.count(), 2);

        // One changed node among unchanged ones still spans the whole list.
        QVERIFY(tree.root.setData(channels.at(2), false, 262));
        QVERIFY(tree.root.setItemsValues(channels, {{262, true}}));
        QCOMPARE(changed.count(), 4);
        QCOMPARE(changed.at(3).at(0).toModelIndex(), channels.first());
        QCOMPARE(tester.unexpected(), QStringList());
    }

    void deleteChildrenRules()
    {
        Tree tree;
        ModelTester tester(&tree.root);
        QSignalSpy layoutAbout(&tree.root, &QAbstractItemModel::layoutAboutToBeChanged);

        tree.root.deleteChildren(tree.topIndex());
        tree.root.deleteChildren({});
        QCOMPARE(layoutAbout.count(), 0);

        QPointer<AbstractDeviceModel> a = tree.addChild(tree.topIndex(), QStringLiteral("a"));
        tree.addChild(tree.topIndex(), QStringLiteral("b"));
        QPointer<AbstractDeviceModel> a1 =
            tree.addChild(tree.root.index(0, 0, tree.topIndex()), QStringLiteral("a1"));
        layoutAbout.clear();
        QSignalSpy layout(&tree.root, &QAbstractItemModel::layoutChanged);

        tree.root.deleteChildren(tree.topIndex(), true);
        QCOMPARE(layoutAbout.count(), 1);
        QCOMPARE(layout.count(), 1);
        QCOMPARE(tree.root.rowCount(tree.topIndex()), 0);
        QVERIFY(a); // deferred
        QVERIFY(a1);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!a);
        QVERIFY(!a1);

        QCOMPARE(tree.root.runningCount(tree.topIndex()), 2);
        auto *c = tree.addChild(tree.topIndex(), QStringLiteral("c"));
        QCOMPARE(tree.root.rowCount(tree.topIndex()), 1);
        QCOMPARE(AbstractDeviceModel::rowOfItem(c), 0);

        // Without the layout request nothing is signalled.
        layoutAbout.clear();
        tree.root.deleteChildren(tree.topIndex(), false);
        QCOMPARE(layoutAbout.count(), 0);
        QCOMPARE(tester.unexpected(), QStringList());
    }

    void disarmableDelete()
    {
        QPointer<AbstractDeviceModel> armedNode = new Dimmer(QStringLiteral("x"), 0, nullptr);
        {
            std::shared_ptr<AbstractDeviceModel> first(armedNode.data(), DeviceDeleter());
            auto copy = first;
            first.reset();
            QVERIFY(armedNode);
        }
        QVERIFY(!armedNode);

        QPointer<AbstractDeviceModel> disarmedNode = new Dimmer(QStringLiteral("y"), 0, nullptr);
        {
            std::shared_ptr<AbstractDeviceModel> ptr(disarmedNode.data(), DeviceDeleter());
            std::get_deleter<DeviceDeleter>(ptr)->armed = false;
        }
        QVERIFY(disarmedNode);
        delete disarmedNode.data();

        std::shared_ptr<AbstractDeviceModel> null(nullptr, DeviceDeleter());
        null.reset();
    }

    void hiddenSignalsAndMethodsInOrder()
    {
        const QMetaObject &mo = AbstractDeviceModel::staticMetaObject;
        const int offset = QAbstractItemModel::staticMetaObject.methodCount();
        const QList<QByteArray> expected{
            "itemPreparedToInsert(QModelIndex,std::shared_ptr<AbstractDeviceModel>)",
            "roleByName(QByteArray)", "itemType()", "deleteChildren(QModelIndex,bool)",
            "deleteChildren(QModelIndex)"};
        QCOMPARE(mo.methodCount() - offset, expected.size());
        for (int i = 0; i < expected.size(); ++i) {
            QCOMPARE(mo.method(offset + i).methodSignature(), expected.at(i));
        }
    }
};

QTEST_GUILESS_MAIN(TestAbstractDeviceModel)
#include "tst_abstractdevicemodel.moc"
