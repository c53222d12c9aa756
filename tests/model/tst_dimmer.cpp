#include "model/dimmer.h"
#include "registry/roleregistry.h"

#include <QMetaEnum>
#include <QTest>

class TestDimmer : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { RoleRegistry::fill(); }

    void defaults()
    {
        Dimmer d(QStringLiteral("Лампа 1"), 3, nullptr);
        AbstractDeviceModel root(QStringLiteral("root"), -1, nullptr);
        root.insertChild({}, &d);
        const QModelIndex i = root.index(0, 0);
        auto value = [&](const char *name) {
            return i.data(d.roleByName(name));
        };
        QCOMPARE(value("name"), QVariant(QStringLiteral("Лампа 1")));
        QCOMPARE(value("preffered_delegate"), QVariant(QStringLiteral("Light.qml")));
        QCOMPARE(value("brightness"), QVariant(0));
        QCOMPARE(value("slow_time"), QVariant(1000));
        QCOMPARE(value("light_type"), QVariant(0));
        QCOMPARE(value("min_brightness"), QVariant(0));
        QCOMPARE(value("max_brightness"), QVariant(255));
        QCOMPARE(value("light_id"), QVariant(1));
        QCOMPARE(value("connection_status"), QVariant(false));
        QCOMPARE(value("autosave_settings"), QVariant(true));
        QCOMPARE(value("favourites"), QVariant(false));
        QCOMPARE(d.itemType(), QStringLiteral("DIMMER"));
        QCOMPARE(d.roleNames().size(), 11);
        QCOMPARE(d.roleByName("connection_status"), 262);
        QCOMPARE(d.roleByName("favourites"), 306);
        QCOMPARE(d.roleByName("uniqueId"), -1);
    }

    void typeEnumeration()
    {
        const QMetaEnum e = QMetaEnum::fromType<Dimmer::Type>();
        QVERIFY(!e.isFlag());
        QCOMPARE(QByteArray(QMetaType::typeName(qMetaTypeId<Dimmer::Type>())),
                 QByteArray("Dimmer::Type"));
        QCOMPARE(e.keyCount(), 5);
        QCOMPARE(QByteArray(e.valueToKey(Dimmer::L_EDGE)), QByteArray("L_EDGE"));
        QCOMPARE(e.keyToValue("DIGITAL"), 4);
        QCOMPARE(e.keyToValue("PWM"), 3);
    }

    void settingsEntry_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QVariant>("favourite");
        QTest::addColumn<QString>("expected");
        QTest::newRow("plain")
            << QStringLiteral("Lamp") << QVariant(true)
            << QStringLiteral(
                   "\"DIMMER_1\":{\"favourites\":\"true\",\"light_id\":\"7\",\"name\":\"Lamp\"}");
        QTest::newRow("escapes") << QStringLiteral("a\"b\\c\nd\te\x01") << QVariant(false)
                                 << QStringLiteral(
                                        "\"DIMMER_1\":{\"favourites\":\"false\",\"light_id\":\"7\","
                                        "\"name\":\"a\\\"b\\\\c\\nd\\te\\u0001\"}");
        QTest::newRow("cyrillic")
            << QStringLiteral("Кухня") << QVariant(QStringLiteral("true"))
            << QStringLiteral(
                   "\"DIMMER_1\":{\"favourites\":\"true\",\"light_id\":\"7\",\"name\":\"Кухня\"}");
        QTest::newRow("list value")
            << QStringLiteral("x") << QVariant(QVariantList{1, 2})
            << QStringLiteral(
                   "\"DIMMER_1\":{\"favourites\":\"\",\"light_id\":\"7\",\"name\":\"x\"}");
    }

    void settingsEntry()
    {
        QFETCH(QString, name);
        QFETCH(QVariant, favourite);
        QFETCH(QString, expected);
        AbstractDeviceModel root(QStringLiteral("root"), -1, nullptr);
        auto *d = new Dimmer(name, 0, &root);
        root.insertChild({}, d);
        const QModelIndex i = root.index(0, 0);
        QVERIFY(root.setData(i, 7, d->roleByName("light_id")));
        QVERIFY(root.setData(i, favourite, d->roleByName("favourites")));
        QVERIFY(root.setData(i, 99, d->roleByName("brightness")));

        QString out;
        int number = 0;
        d->writeNode(out, number);
        QCOMPARE(number, 1);
        QCOMPARE(out, expected);
    }
};

QTEST_GUILESS_MAIN(TestDimmer)
#include "tst_dimmer.moc"
