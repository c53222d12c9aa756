#include "model/devicelimits.h"
#include "registry/roleregistry.h"
#include "registry/rootmodel.h"
#include "registry/settingsfile.h"

#include "../common/devicetree.h"
#include "../common/modeltester.h"
#include "../common/testfiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace DeviceTree;
using namespace TestFiles;

class TestSettingsFile : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        RoleRegistry::fill();
        QStandardPaths::setTestModeEnabled(true);
    }

    void pathIsBesideTheExecutable()
    {
        QCOMPARE(SettingsFile().filePath(), QCoreApplication::applicationDirPath() +
                                                QStringLiteral("/settings/settings.json"));
        QCOMPARE(SettingsFile(QStringLiteral("/base")).filePath(),
                 QStringLiteral("/base/settings/settings.json"));
    }

    void readWriteRemove()
    {
        QTemporaryDir base;
        SettingsFile file(base.path());
        const QString path = base.path() + QStringLiteral("/settings/settings.json");
        QCOMPARE(file.filePath(), path);
        QVERIFY(file.readAll().isEmpty());

        file.writeAll("{\"a\":\"1\"}");
        QCOMPARE(contentOf(path), QByteArray("{\"a\":\"1\"}"));
        QCOMPARE(file.readAll(), QByteArray("{\"a\":\"1\"}"));

        // Equal content: the file is not touched.
        const auto before = identity(path);
        file.writeAll("{\"a\":\"1\"}");
        QCOMPARE(identity(path), before);

        // Same length, other bytes; then another length.
        file.writeAll("{\"a\":\"2\"}");
        QCOMPARE(file.readAll(), QByteArray("{\"a\":\"2\"}"));
        QVERIFY(identity(path).first != before.first);
        file.writeAll("{}");
        QCOMPARE(file.readAll(), QByteArray("{}"));
        // Nothing but the file is left in the directory.
        QCOMPARE(QDir(base.path() + QStringLiteral("/settings")).entryList(QDir::Files),
                 QStringList{QStringLiteral("settings.json")});

        file.remove();
        QVERIFY(!QFile::exists(path));
        file.remove();
        QVERIFY(file.readAll().isEmpty());
    }

    void oversizedFileIsNotRead()
    {
        QTemporaryDir base;
        SettingsFile file(base.path());
        writeFile(file.filePath(), QByteArray(SettingsFile::MaxSize + 1, ' '));
        QVERIFY(file.readAll().isEmpty());
        writeFile(file.filePath(), QByteArray(SettingsFile::MaxSize, ' '));
        QCOMPARE(file.readAll().size(), int(SettingsFile::MaxSize));
    }

    // Installed where nobody may write: the list is kept per user instead.
    void unwritableApplicationDirectoryKeepsTheListPerUser()
    {
        QTemporaryDir temp;
        // A file where a directory would have to be: even root cannot create it.
        writeFile(temp.path() + QStringLiteral("/usr"), "a file");
        const QString application = temp.path() + QStringLiteral("/usr/bin");
        const QString perUser =
            QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation) +
            QStringLiteral("/settings.json");
        QFile::remove(perUser);
        {
            const SettingsFile file(application);
            QCOMPARE(file.filePath(), perUser);
            QVERIFY(file.readAll().isEmpty());
            QVERIFY(!QFile::exists(perUser));
            RootModel root(nullptr, application);
            const QModelIndex device =
                addController(root, QStringLiteral("NV-1"), QStringLiteral("Кухня"),
                              QStringLiteral("127.0.0.2"), QString());
            addChannel(root, device, QStringLiteral("Люстра"), 1, true);
            QVERIFY(root.saveSettings());
        }
        QVERIFY(contentOf(perUser).contains("\"name\":\"Люстра\""));
        {
            RootModel root(nullptr, application);
            root.loadSettings();
            QCOMPARE(root.rowCount(devices(root)), 1);
            QCOMPARE(text(channel(root, 0, 0), "name"), QStringLiteral("Люстра"));
            QVERIFY(root.clearSettings());
        }
        QVERIFY(!QFile::exists(perUser));
    }

    // A build made for installation: even where the executable's directory
    // can be written (root, an administrator), nothing is kept there.
    void installedBuildKeepsTheListPerUser()
    {
        const QString beside = QCoreApplication::applicationDirPath() + QStringLiteral("/settings");
        QVERIFY(QFileInfo(QCoreApplication::applicationDirPath()).isWritable());
        const bool besideExisted = QFileInfo::exists(beside);
        const QString perUser =
            QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation) +
            QStringLiteral("/settings.json");
        QFile::remove(perUser);

        SettingsFile file = SettingsFile::perUser();
        QCOMPARE(file.filePath(), perUser);
        QCOMPARE(file.readPath(), perUser);
        QVERIFY(file.writeAll("{}"));
        QCOMPARE(contentOf(perUser), QByteArray("{}"));
        QCOMPARE(QFileInfo::exists(beside), besideExisted);
        QVERIFY(file.remove());
        QVERIFY(!QFile::exists(perUser));
    }

    void failuresAreReported()
    {
        QTemporaryDir temp;
        writeFile(temp.path() + QStringLiteral("/file"), "a file");
        RootModel root(nullptr,
                       SettingsFile::inDirectory(temp.path() + QStringLiteral("/file/settings")));
        addController(root, QStringLiteral("NV-1"), QStringLiteral("A"),
                      QStringLiteral("127.0.0.2"), QString());
        QTest::ignoreMessage(
            QtWarningMsg,
            QRegularExpression(QStringLiteral(
                "^settings: cannot create the directory .*/file/settings: Not a directory$")));
        QVERIFY(!root.saveSettings());

        // A directory in the file's place cannot be removed.
        QVERIFY(QDir().mkpath(temp.path() + QStringLiteral("/settings.json/inside")));
        SettingsFile occupied = SettingsFile::inDirectory(temp.path());
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral(
                                               "^settings: cannot remove .*/settings.json: .+$")));
        QVERIFY(!occupied.remove());
        QVERIFY(!occupied.errorString().isEmpty());
    }

    // The largest controller the limits allow fits the size the limits reserve.
    void largestControllerFitsItsBound()
    {
        QTemporaryDir base;
        RootModel root(nullptr, base.path());
        const QString worst(DeviceLimits::MaxNameLength, QChar(0x01));
        const QString address = QStringLiteral("ffff:ffff:ffff:ffff:ffff:ffff:ffff:fffe");
        const QModelIndex device = addController(
            root, QString(DeviceLimits::MaxUniqueIdLength, QChar(0x02)), worst, address, address);
        QVERIFY(device.isValid());
        for (int ch = 1; ch <= DeviceLimits::MaxChannels; ++ch) {
            addChannel(root, device, worst, 1000000000 + ch, true);
        }
        QVERIFY(root.saveSettings());
        const qint64 size =
            contentOf(base.path() + QStringLiteral("/settings/settings.json")).size();
        QVERIFY2(size <= 2 + DeviceLimits::MaxControllerBytes, qPrintable(QString::number(size)));
    }

    void savedTextIsExact()
    {
        QTemporaryDir base;
        RootModel root(nullptr, base.path());
        ModelTester tester(&root);
        const QModelIndex first =
            addController(root, QStringLiteral("NV-1"), QStringLiteral("Кухня \"Север\""),
                          QStringLiteral("127.0.0.2"), QString());
        addChannel(root, first, QStringLiteral("Лампа \"1\""), 1, true);
        addChannel(root, first, QStringLiteral("Back\\slash\tTab\x01"), 7);
        addController(root, QStringLiteral("NV-2"), QStringLiteral("Спальня"),
                      QStringLiteral("127.0.0.4"), QStringLiteral("127.0.0.5"));
        root.saveSettings();

        const QByteArray expected =
            "{\"NORVALEO_DIMMER_1\":{\"ipAddress_1\":\"127.0.0.2\",\"ipAddress_2\":\"\","
            "\"name\":\"Кухня \\\"Север\\\"\",\"uniqueId\":\"NV-1\","
            "\"DIMMER_1\":{\"favourites\":\"true\",\"light_id\":\"1\","
            "\"name\":\"Лампа \\\"1\\\"\"},"
            "\"DIMMER_2\":{\"favourites\":\"false\",\"light_id\":\"7\","
            "\"name\":\"Back\\\\slash\\tTab\\u0001\"}},"
            "\"NORVALEO_DIMMER_2\":{\"ipAddress_1\":\"127.0.0.4\",\"ipAddress_2\":\"127.0.0.5\","
            "\"name\":\"Спальня\",\"uniqueId\":\"NV-2\"}}";
        const QByteArray written =
            contentOf(base.path() + QStringLiteral("/settings/settings.json"));
        QCOMPARE(written, expected);
        QVERIFY(!QJsonDocument::fromJson(written).isNull());
        QCOMPARE(tester.unexpected(), QStringList());
    }

    void saveWritesOnlyChanges()
    {
        QTemporaryDir base;
        const QString path = base.path() + QStringLiteral("/settings/settings.json");
        RootModel root(nullptr, base.path());
        ModelTester tester(&root);

        // No controller: no file is created, and an existing one is kept.
        root.saveSettings();
        QVERIFY(!QFile::exists(path));
        QVERIFY(!QDir(base.path() + QStringLiteral("/settings")).exists());
        writeFile(path, "not ours");
        const auto foreign = identity(path);
        root.saveSettings();
        QCOMPARE(contentOf(path), QByteArray("not ours"));
        QCOMPARE(identity(path), foreign);

        const QModelIndex device = addController(root, QStringLiteral("NV-1"), QStringLiteral("A"),
                                                 QStringLiteral("127.0.0.2"), QString());
        const QModelIndex lamp = addChannel(root, device, QStringLiteral("L"), 1);
        root.saveSettings();
        const QByteArray saved = contentOf(path);
        QVERIFY(saved.startsWith("{\"NORVALEO_DIMMER_1\""));
        const auto first = identity(path);

        root.saveSettings();
        QCOMPARE(identity(path), first);

        // A value that is not persistent changes nothing in the file.
        QVERIFY(root.setData(lamp, true, role("connection_status")));
        root.saveSettings();
        QCOMPARE(identity(path), first);

        QVERIFY(root.setData(lamp, true, role("favourites")));
        root.saveSettings();
        QVERIFY(identity(path).first != first.first);
        QVERIFY(contentOf(path).contains("\"favourites\":\"true\""));
        QCOMPARE(tester.unexpected(), QStringList());
    }

    // With a delay set, a change reaches the file without a save being asked
    // for: a process killed a moment later loses nothing.
    void changesAreSavedAfterTheDelay()
    {
        QTemporaryDir base;
        const QString path = base.path() + QStringLiteral("/settings/settings.json");
        RootModel root(nullptr, base.path());
        root.setSaveDelay(20);
        const QModelIndex device = addController(root, QStringLiteral("NV-1"), QStringLiteral("A"),
                                                 QStringLiteral("127.0.0.2"), QString());
        const QModelIndex lamp = addChannel(root, device, QStringLiteral("Лампа"), 1);
        QTRY_VERIFY(contentOf(path).contains("\"light_id\":\"1\""));
        QVERIFY(root.setData(lamp, true, role("favourites")));
        QTRY_VERIFY(contentOf(path).contains("\"favourites\":\"true\""));
    }
};

QTEST_GUILESS_MAIN(TestSettingsFile)
#include "tst_settingsfile.moc"
