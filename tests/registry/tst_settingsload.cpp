#include "model/devicelimits.h"
#include "model/favouritesfilterproxymodel.h"
#include "registry/roleregistry.h"
#include "registry/rootmodel.h"
#include "registry/settingsfile.h"

#include "../common/devicetree.h"
#include "../common/modeltester.h"
#include "../common/testfiles.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QNetworkAccessManager>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace DeviceTree;
using namespace TestFiles;

namespace {

// One line per node below "Устройства": the persistent values, indented by level.
QStringList outline(const RootModel &root)
{
    QStringList lines;
    const QModelIndex top = devices(root);
    for (int c = 0; c < root.rowCount(top); ++c) {
        const QModelIndex device = root.index(c, 0, top);
        lines.append(QStringLiteral("%1|%2|%3|%4")
                         .arg(text(device, "uniqueId"), text(device, "name"),
                              text(device, "ipAddress_1"), text(device, "ipAddress_2")));
        for (int ch = 0; ch < root.rowCount(device); ++ch) {
            const QModelIndex lamp = root.index(ch, 0, device);
            lines.append(QStringLiteral("  %1|%2|%3")
                             .arg(text(lamp, "name"), text(lamp, "light_id"),
                                  lamp.data(role("favourites")).toBool() ? QStringLiteral("fav")
                                                                         : QString()));
        }
    }
    return lines;
}

} // namespace

class TestSettingsLoad : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { RoleRegistry::fill(); }

    void roundTrip()
    {
        QTemporaryDir base;
        const QString path = base.path() + QStringLiteral("/settings/settings.json");
        QStringList saved;
        {
            RootModel root(nullptr, base.path());
            const QModelIndex kitchen =
                addController(root, QStringLiteral("NV-1"), QStringLiteral("Кухня \"Север\""),
                              QStringLiteral("127.0.0.2"), QString());
            addChannel(root, kitchen, QStringLiteral("Лампа \"над столом\""), 3, true);
            addChannel(root, kitchen, QStringLiteral("Back\\slash"), 1, false);
            addController(root, QStringLiteral("NV-2"), QStringLiteral("Спальня"),
                          QStringLiteral("127.0.0.4"), QStringLiteral("127.0.0.5"));
            root.saveSettings();
            saved = outline(root);
        }
        const QByteArray file = contentOf(path);
        const auto written = identity(path);

        RootModel root(nullptr, base.path());
        FavouritesFilterProxyModel proxy;
        ModelTester rootTester(&root);
        ModelTester proxyTester(&proxy);
        root.loadSettings();
        proxy.setSourceModel(&root);
        proxy.rebuildFavourites();

        QCOMPARE(outline(root), saved);
        const QModelIndex kitchen = controller(root, 0);
        QCOMPARE(kitchen.data(role("ipAddress_2")), QVariant(QStringLiteral("")));
        QCOMPARE(channel(root, 0, 0).data(role("light_id")), QVariant(3));
        QCOMPARE(proxy.rowCount(), 1);
        QCOMPARE(text(proxy.index(0, 0), "name"), QStringLiteral("Лампа \"над столом\""));

        // Saving what was loaded gives the same bytes and leaves the file alone.
        QVERIFY(root.saveSettings());
        QCOMPARE(contentOf(path), file);
        QCOMPARE(identity(path), written);
        QVERIFY(!QFile::exists(path + QStringLiteral(".damaged")));
        QCOMPARE(rootTester.unexpected(), QStringList());
        QCOMPARE(proxyTester.unexpected(), QStringList());
    }

    // Start-up draws the restored list before the controllers poll, then
    // starts them all; a second start makes no second manager.
    void restoredControllersStartTogetherLater()
    {
        QTemporaryDir base;
        writeFile(base.path() + QStringLiteral("/settings/settings.json"),
                  "{\"NORVALEO_DIMMER_1\":{\"ipAddress_1\":\"127.0.0.2\",\"ipAddress_2\":\"\","
                  "\"name\":\"A\",\"uniqueId\":\"NV-1\"},"
                  "\"NORVALEO_DIMMER_2\":{\"ipAddress_1\":\"127.0.0.4\",\"ipAddress_2\":\"\","
                  "\"name\":\"B\",\"uniqueId\":\"NV-2\"}}");
        RootModel root(nullptr, base.path());
        root.loadSettings(false);
        QVERIFY(root.findChildren<QNetworkAccessManager *>().isEmpty());
        root.startDevicesCommunication();
        root.startDevicesCommunication();
        for (int row = 0; row < 2; ++row) {
            const auto *node = static_cast<QObject *>(controller(root, row).internalPointer());
            QCOMPARE(node->findChildren<QNetworkAccessManager *>().size(), 1);
        }
    }

    void entriesOfOneControllerMerge()
    {
        QTemporaryDir base;
        writeFile(
            base.path() + QStringLiteral("/settings/settings.json"),
            "{\"NORVALEO_DIMMER_7\":{\"ipAddress_1\":\"127.0.0.2\",\"ipAddress_2\":\"\","
            "\"name\":\"A\",\"uniqueId\":\"NV-1\","
            "\"DIMMER_3\":{\"favourites\":\"false\",\"light_id\":\"3\",\"name\":\"c\"},"
            "\"DIMMER_1\":{\"favourites\":\"true\",\"light_id\":\"1\",\"name\":\"a\"}},"
            "\"NORVALEO_DIMMER_8\":{\"ipAddress_1\":\"127.0.0.3\",\"ipAddress_2\":\"127.0.0.4\","
            "\"name\":\"B\",\"uniqueId\":\"NV-1\","
            "\"DIMMER_1\":{\"favourites\":\"false\",\"light_id\":\"5\",\"name\":\"e\"}}}");
        RootModel root(nullptr, base.path());
        ModelTester tester(&root);
        root.loadSettings();
        QCOMPARE(outline(root), (QStringList{QStringLiteral("NV-1|A|127.0.0.3|127.0.0.4"),
                                             QStringLiteral("  a|1|fav"), QStringLiteral("  c|3|"),
                                             QStringLiteral("  e|5|")}));
        QCOMPARE(tester.unexpected(), QStringList());
    }

    void unusableEntriesAreDropped()
    {
        QTemporaryDir base;
        writeFile(base.path() + QStringLiteral("/settings/settings.json"),
                  "{\"NORVALEO_DIMMER_1\":{\"ipAddress_1\":\"127.0.0.2\",\"name\":\"A\","
                  "\"uniqueId\":\"NV-1\","
                  "\"other\":\"x\","
                  "\"DIMMER_1\":{\"light_id\":\"1\",\"name\":\"ok1\",\"no_such_role\":\"1\"},"
                  "\"DIMMER_2\":{\"light_id\":\"2\",\"name\":\"\"},"
                  "\"DIMMER_3\":{\"light_id\":\"0\",\"name\":\"zero\"},"
                  "\"DIMMER_4\":{\"light_id\":\"-2\",\"name\":\"negative\"},"
                  "\"DIMMER_5\":{\"light_id\":\"abc\",\"name\":\"letters\"},"
                  "\"DIMMER_6\":{\"light_id\":3,\"name\":\"number\"},"
                  "\"DIMMER_7\":{\"name\":\"missing\"},"
                  "\"DIMMER_8\":{\"light_id\":\" 4\",\"name\":\"space\"},"
                  "\"DIMMER_9\":{\"light_id\":\"4.0\",\"name\":\"fraction\"},"
                  "\"DIMMER_10\":{\"light_id\":\"99999999999\",\"name\":\"huge\"},"
                  "\"DIMMER_11\":\"not an object\","
                  "\"DIMMER_12\":{\"light_id\":\"12\",\"name\":\"ok2\",\"favourites\":\"true\"},"
                  "\"DIMMERX\":{\"light_id\":\"2\",\"name\":\"unnumbered\"}},"
                  "\"NORVALEO_DIMMER_2\":{\"ipAddress_1\":\"127.0.0.3\",\"name\":\"no id\"},"
                  "\"NORVALEO_DIMMER_3\":{\"ipAddress_1\":\"127.0.0.3\",\"uniqueId\":\"\"},"
                  "\"NORVALEO_DIMMER_4\":{\"ipAddress_1\":7,\"uniqueId\":\"NV-4\"},"
                  "\"NORVALEO_DIMMER_5\":{\"ipAddress_1\":\"\",\"ipAddress_2\":\"\",\"uniqueId\":"
                  "\"NV-5\"},"
                  "\"NORVALEO_DIMMER_6\":\"not an object\","
                  "\"norvaleo_dimmer_7\":{\"ipAddress_1\":\"127.0.0.3\",\"uniqueId\":\"NV-7\"},"
                  "\"DIMMER_1\":{\"light_id\":\"1\",\"name\":\"top level\"}}");
        RootModel root(nullptr, base.path());
        ModelTester tester(&root);
        root.loadSettings();
        // Empty addresses are missing ones: NV-5 has none.
        QCOMPARE(outline(root),
                 (QStringList{QStringLiteral("NV-1|A|127.0.0.2|"), QStringLiteral("  ok1|1|"),
                              QStringLiteral("  ok2|12|fav"), QStringLiteral("  unnumbered|2|")}));
        QCOMPARE(tester.unexpected(), QStringList());
    }

    void savedOrderComesBack()
    {
        QTemporaryDir base;
        QByteArray file;
        QStringList saved;
        {
            RootModel root(nullptr, base.path());
            for (int c = 1; c <= 10; ++c) {
                const QModelIndex device = addController(
                    root, QStringLiteral("NV-%1").arg(c), QStringLiteral("D%1").arg(c),
                    QStringLiteral("127.0.1.%1").arg(c), QStringLiteral("127.0.2.%1").arg(c));
                for (int ch = 1; ch <= 12; ++ch) {
                    addChannel(root, device, QStringLiteral("L%1.%2").arg(c).arg(ch), 13 - ch,
                               ch % 5 == 0);
                }
            }
            root.saveSettings();
            saved = outline(root);
            file = contentOf(base.path() + QStringLiteral("/settings/settings.json"));
        }
        QVERIFY(file.contains("\"NORVALEO_DIMMER_10\":{"));
        QVERIFY(file.contains("\"DIMMER_12\":{"));

        RootModel root(nullptr, base.path());
        ModelTester tester(&root);
        root.loadSettings();
        QCOMPARE(outline(root), saved);
        QCOMPARE(text(controller(root, 9), "name"), QStringLiteral("D10"));
        QCOMPARE(text(channel(root, 0, 11), "name"), QStringLiteral("L1.12"));
        QCOMPARE(tester.unexpected(), QStringList());
    }

    void channelsPerControllerAreCapped()
    {
        QTemporaryDir base;
        QByteArray file =
            "{\"NORVALEO_DIMMER_1\":{\"ipAddress_1\":\"127.0.0.2\",\"uniqueId\":\"NV-1\"";
        for (int ch = 1; ch <= DeviceLimits::MaxChannels + 20; ++ch) {
            file += QStringLiteral(",\"DIMMER_%1\":{\"light_id\":\"%1\",\"name\":\"L%1\"}")
                        .arg(ch)
                        .toUtf8();
        }
        file += "}}";
        writeFile(base.path() + QStringLiteral("/settings/settings.json"), file);
        RootModel root(nullptr, base.path());
        root.loadSettings();
        QCOMPARE(root.rowCount(controller(root, 0)), DeviceLimits::MaxChannels);
        QCOMPARE(text(channel(root, 0, DeviceLimits::MaxChannels - 1), "name"),
                 QStringLiteral("L%1").arg(DeviceLimits::MaxChannels));
    }

    void unreadableFilesLoadNothing_data()
    {
        QTest::addColumn<QByteArray>("content");
        const QByteArray valid = "{\"NORVALEO_DIMMER_1\":{\"ipAddress_1\":\"127.0.0.2\","
                                 "\"ipAddress_2\":\"\",\"name\":\"A\",\"uniqueId\":\"NV-1\"}}";
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("truncated") << valid.left(valid.size() - 1);
        QTest::newRow("half") << valid.left(valid.size() / 2);
        QByteArray binary(4096, '\0');
        QRandomGenerator random(7);
        for (char &c : binary) {
            c = char(random.bounded(256));
        }
        QTest::newRow("binary") << binary;
        QTest::newRow("array") << QByteArray("[" + valid + "]");
        QTest::newRow("string") << QByteArray("\"NORVALEO_DIMMER_1\"");
        QTest::newRow("null") << QByteArray("null");
        QTest::newRow("oversized")
            << QByteArray(valid + QByteArray(int(SettingsFile::MaxSize) + 1 - valid.size(), ' '));
    }

    void unreadableFilesLoadNothing()
    {
        QFETCH(QByteArray, content);
        QTemporaryDir base;
        const QString path = base.path() + QStringLiteral("/settings/settings.json");
        writeFile(path, content);
        const auto before = identity(path);

        RootModel root(nullptr, base.path());
        ModelTester tester(&root);
        root.loadSettings();
        QCOMPARE(root.rowCount(devices(root)), 0);
        QCOMPARE(root.countDevices(), 0);
        QCOMPARE(identity(path), before);
        QCOMPARE(contentOf(path), content);
        QCOMPARE(tester.unexpected(), QStringList());
    }

    // Whatever a damaged file holds, loading it neither crashes nor changes it.
    void damagedFilesAreHarmless()
    {
        const QByteArray valid =
            "{\"NORVALEO_DIMMER_1\":{\"ipAddress_1\":\"127.0.0.2\",\"ipAddress_2\":\"\","
            "\"name\":\"Кухня\",\"uniqueId\":\"NV-1\","
            "\"DIMMER_1\":{\"favourites\":\"true\",\"light_id\":\"1\",\"name\":\"a\"},"
            "\"DIMMER_2\":{\"favourites\":\"false\",\"light_id\":\"2\",\"name\":\"b\"}},"
            "\"NORVALEO_DIMMER_2\":{\"ipAddress_1\":\"127.0.0.3\",\"ipAddress_2\":\"127.0.0.4\","
            "\"name\":\"B\",\"uniqueId\":\"NV-2\"}}";
        QTemporaryDir base;
        const QString path = base.path() + QStringLiteral("/settings/settings.json");
        QRandomGenerator random(2024);
        for (int i = 0; i < 120; ++i) {
            QByteArray damaged = valid;
            for (int edits = 1 + random.bounded(4); edits > 0; --edits) {
                const int at = random.bounded(damaged.size());
                switch (random.bounded(3)) {
                case 0:
                    damaged[at] = char(random.bounded(256));
                    break;
                case 1:
                    damaged.remove(at, 1 + random.bounded(8));
                    break;
                default:
                    damaged.insert(at, char(random.bounded(256)));
                }
            }
            writeFile(path, damaged);
            RootModel root(nullptr, base.path());
            root.loadSettings();
            QVERIFY(root.rowCount(devices(root)) <= 2);
            QCOMPARE(contentOf(path), damaged);
        }
    }

    void damagedFileIsKeptBeforeASave_data()
    {
        QTest::addColumn<QByteArray>("content");
        const auto entry = [](int n) {
            return "\"NORVALEO_DIMMER_" + QByteArray::number(n) +
                   "\":{\"ipAddress_1\":\"127.0.0.2\",\"name\":\"A\",\"uniqueId\":\"NV-" +
                   QByteArray::number(n) + "\"}";
        };
        QTest::newRow("not JSON") << QByteArray("{" + entry(1) + ",");
        QTest::newRow("repeated member name") << QByteArray("{" + entry(1) + "," + entry(1) + "}");
        QTest::newRow("unreadable address") << QByteArray(
            "{\"NORVALEO_DIMMER_1\":{\"ipAddress_1\":\"127.0.0.2\",\"ipAddress_2\":\"kitchen\","
            "\"name\":\"A\",\"uniqueId\":\"NV-1\"}}");
        QByteArray controllers = "{" + entry(1);
        for (int n = 2; n <= DeviceLimits::MaxControllers + 1; ++n) {
            controllers += "," + entry(n);
        }
        QTest::newRow("controllers beyond the limit") << QByteArray(controllers + "}");
        const QByteArray valid = "{" + entry(1) + "}";
        QTest::newRow("over the size limit")
            << QByteArray(valid + QByteArray(int(SettingsFile::MaxSize) + 1 - valid.size(), ' '));
    }

    // One bad byte and a save must not take the whole old list with them.
    void damagedFileIsKeptBeforeASave()
    {
        QFETCH(QByteArray, content);
        QTemporaryDir base;
        const QString path = base.path() + QStringLiteral("/settings/settings.json");
        const QString kept = path + QStringLiteral(".damaged");
        writeFile(path, content);
        {
            RootModel root(nullptr, base.path());
            root.loadSettings();
            QCOMPARE(contentOf(path), content);
            // A new controller where the limit leaves room, and an edit.
            addController(root, QStringLiteral("NV-NEW"), QStringLiteral("new"),
                          QStringLiteral("127.0.0.9"), QString());
            const QModelIndex last = controller(root, root.rowCount(devices(root)) - 1);
            QVERIFY(root.setData(last, QStringLiteral("renamed"), role("name")));
            QTest::ignoreMessage(QtWarningMsg,
                                 QRegularExpression(QStringLiteral(
                                     "could not be loaded whole; its bytes are kept in "
                                     ".*/settings/settings.json.damaged$")));
            QVERIFY(root.saveSettings());
            QCOMPARE(contentOf(kept), content);
            QVERIFY(contentOf(path).contains("\"renamed\""));
            // Later saves of the session leave the copy alone.
            QVERIFY(root.setData(last, QStringLiteral("again"), role("name")));
            QVERIFY(root.saveSettings());
            QCOMPARE(contentOf(kept), content);
        }
        // Another damaged file later: an earlier copy is never overwritten.
        writeFile(path, "{\"NORVALEO_DIMMER_1\":");
        RootModel root(nullptr, base.path());
        root.loadSettings();
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("damaged.2$")));
        QVERIFY(root.clearSettings());
        QCOMPARE(contentOf(kept), content);
        QCOMPARE(contentOf(kept + QStringLiteral(".2")), QByteArray("{\"NORVALEO_DIMMER_1\":"));
        QVERIFY(!QFile::exists(path));
    }

    // What a second program does: the file of a given directory, read as
    // the window reads it, with no controller polled.
    void readingWithoutCommunication()
    {
        QTemporaryDir directory;
        const QString path = directory.filePath(QStringLiteral("settings.json"));
        const QByteArray content =
            R"({"NORVALEO_DIMMER_1":{"ipAddress_1":"127.0.0.2","ipAddress_2":"","name":"A",)"
            R"("uniqueId":"NV-1","DIMMER_1":{"favourites":"true","light_id":"4","name":"a"}}})";
        writeFile(path, content);
        const auto written = identity(path);
        {
            RootModel root(nullptr, SettingsFile::inDirectory(directory.path()));
            root.loadSettings(false);
            QCOMPARE(outline(root), (QStringList{"NV-1|A|127.0.0.2|", "  a|4|fav"}));
            QVERIFY(root.findChildren<QNetworkAccessManager *>().isEmpty());
        }
        QCOMPARE(identity(path), written);
        QCOMPARE(QDir(directory.path()).entryList(QDir::Files), QStringList{"settings.json"});
    }

    void clearedListStaysEmptyAfterARestart()
    {
        QTemporaryDir base;
        const QString path = base.path() + QStringLiteral("/settings/settings.json");
        {
            RootModel root(nullptr, base.path());
            ModelTester tester(&root);
            const QModelIndex device =
                addController(root, QStringLiteral("NV-1"), QStringLiteral("A"),
                              QStringLiteral("127.0.0.2"), QString());
            addChannel(root, device, QStringLiteral("a"), 1, true);
            root.saveSettings();
            QVERIFY(QFile::exists(path));

            root.clearSettings();
            QVERIFY(!QFile::exists(path));
            QCOMPARE(root.rowCount(devices(root)), 0);
            QCOMPARE(root.rowCount(), 1);
            // The window closes: saving an empty list writes nothing.
            root.saveSettings();
            QVERIFY(!QFile::exists(path));
            QCOMPARE(tester.unexpected(), QStringList());
        }
        RootModel root(nullptr, base.path());
        root.loadSettings();
        QCOMPARE(root.rowCount(devices(root)), 0);
    }
};

QTEST_GUILESS_MAIN(TestSettingsLoad)

#include "tst_settingsload.moc"
