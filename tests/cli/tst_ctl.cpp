#include "simulatedcontroller.h"

#include "../common/testfiles.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QUrlQuery>

#include <memory>

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

namespace {

// Two silent addresses at 4 s each, and the check of an address; the process
// must be over long before this.
constexpr int ProcessLimitMs = 30000;

const QString kitchenWired = QStringLiteral("127.0.0.10");
const QString kitchenWifi = QStringLiteral("127.0.0.11");
const QString bedroomWired = QStringLiteral("127.0.0.12");
const QString bedroomWifi = QStringLiteral("127.0.0.13");

// Kitchen with two of its channels; a bedroom without channels; a second
// controller named "Спальня" that nothing simulates.
const QByteArray settings = R"({
"NORVALEO_DIMMER_1":{"ipAddress_1":"127.0.0.10","ipAddress_2":"127.0.0.11","name":"Кухня",
  "uniqueId":"NV-A",
  "DIMMER_1":{"favourites":"true","light_id":"1","name":"Люстра"},
  "DIMMER_2":{"favourites":"false","light_id":"2","name":"Бра"}},
"NORVALEO_DIMMER_2":{"ipAddress_1":"127.0.0.12","ipAddress_2":"127.0.0.13","name":"Спальня",
  "uniqueId":"NV-B"},
"NORVALEO_DIMMER_3":{"ipAddress_1":"127.0.0.20","ipAddress_2":"","name":"Спальня",
  "uniqueId":"NV-C"}})";

struct Run
{
    bool finished = false;
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

QStringList keys(const QJsonValue &value)
{
    QStringList names = value.toObject().keys();
    names.sort();
    return names;
}

} // namespace

class TestCtl : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir directory;
    std::unique_ptr<SimulatedController> kitchen;
    std::unique_ptr<SimulatedController> bedroom;

    // The program with the test's settings file, while this process keeps the
    // simulated controllers answering.
    Run ctl(QStringList arguments)
    {
        if (arguments.value(0) != QLatin1String("search")) {
            arguments << QStringLiteral("--settings-dir") << directory.path();
        }
        return runProgram(QStringLiteral(CTL_PATH), arguments);
    }

    static Run runProgram(const QString &program, const QStringList &arguments)
    {
        QProcess process;
        QSignalSpy finished(&process, qOverload<int, QProcess::ExitStatus>(&QProcess::finished));
        process.start(program, arguments);
        Run run;
        run.finished = finished.wait(ProcessLimitMs);
        if (!run.finished) {
            process.kill();
            process.waitForFinished();
        }
        run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        run.out = process.readAllStandardOutput();
        run.err = process.readAllStandardError();
        return run;
    }

    // The change requests a controller received, as "address query".
    static QStringList changes(const SimulatedController &controller)
    {
        QStringList list;
        for (const SimulatedController::Request &request : controller.requests()) {
            if (QUrlQuery(request.query).queryItemValue(QStringLiteral("request_type")) ==
                QLatin1String("set")) {
                list.append(request.address + QLatin1Char(' ') + request.query);
            }
        }
        return list;
    }

private Q_SLOTS:
    void initTestCase()
    {
        qRegisterMetaType<QProcess::ExitStatus>();
        QVERIFY(directory.isValid());
        TestFiles::writeFile(directory.filePath(QStringLiteral("settings.json")), settings);
    }

    void init()
    {
        kitchen = std::make_unique<SimulatedController>(kitchenWired, kitchenWifi, "NV-A",
                                                        QStringLiteral("Кухня"), 4);
        bedroom = std::make_unique<SimulatedController>(bedroomWired, bedroomWifi, "NV-B",
                                                        QStringLiteral("Спальня"), 2);
        QVector<SimulatedController::Output> outputs = kitchen->outputs();
        outputs[3].name = QStringLiteral("Торшер");
        kitchen->setOutputs(outputs);
        QVERIFY(kitchen->start());
        QVERIFY(bedroom->start());
    }

    void cleanup()
    {
        kitchen.reset();
        bedroom.reset();
    }

    void searchListsTheSimulatedControllers()
    {
        const Run run = ctl({"search", "--timeout", "2", "--json"});
        QVERIFY(run.finished);
        QCOMPARE(run.exitCode, 0);
        const QJsonArray found =
            QJsonDocument::fromJson(run.out).object().value("controllers").toArray();
        QStringList lines;
        for (const QJsonValue &controller : found) {
            const QJsonObject c = controller.toObject();
            lines.append(QStringList{c.value("unique_id").toString(), c.value("name").toString(),
                                     c.value("wired_address").toString(),
                                     c.value("wifi_address").toString()}
                             .join(QLatin1Char('|')));
        }
        QCOMPARE(lines, (QStringList{"NV-A|Кухня|127.0.0.10|127.0.0.11",
                                     "NV-B|Спальня|127.0.0.12|127.0.0.13"}));
        // Not a terminal: nothing but the document.
        QVERIFY2(run.err.isEmpty(), run.err.constData());
    }

    // The search lasts 11.2 s; a person sees each controller as it answers.
    void searchOnATerminalShowsEachAnswer()
    {
        const int master = posix_openpt(O_RDWR | O_NOCTTY);
        QVERIFY(master >= 0);
        QVERIFY(grantpt(master) == 0 && unlockpt(master) == 0);
        QProcess process;
        process.setStandardOutputFile(QString::fromLocal8Bit(ptsname(master)));
        QByteArray shown;
        connect(&process, &QProcess::readyReadStandardError, this,
                [&] { shown += process.readAllStandardError(); });
        process.start(QStringLiteral(CTL_PATH), {"search"});
        QTRY_VERIFY_WITH_TIMEOUT(shown.contains("«Кухня» (NV-A): 127.0.0.10, 127.0.0.11") &&
                                     shown.contains("«Спальня» (NV-B)"),
                                 ProcessLimitMs);
        const bool stillSearching = process.state() == QProcess::Running;
        process.kill();
        process.waitForFinished();
        ::close(master);
        QVERIFY2(stillSearching, shown.constData());
        QVERIFY2(shown.startsWith("поиск контроллеров, не дольше 11,2 с"), shown.constData());
    }

    void searchThatCannotGreetFails_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("broadcast") << QStringList{"search"};
        QTest::newRow("network") << QStringList{"search", "127.0.0.8/30", "--json"};
    }

    // In a namespace of its own without any network, not even loopback, no
    // greeting can go anywhere: that is said at once, not as "none found".
    void searchThatCannotGreetFails()
    {
        QFETCH(QStringList, arguments);
        const Run run =
            runProgram(QStringLiteral("unshare"),
                       QStringList{geteuid() == 0 ? "-n" : "-rn", CTL_PATH} + arguments);
        QVERIFY(run.finished);
        QCOMPARE(run.exitCode, 1);
        QVERIFY(run.out.isEmpty());
        QCOMPARE(run.err.count('\n'), 1);
        QVERIFY2(run.err.contains("приветствие не отправлено"), run.err.constData());
    }

    void setSendsTheWindowsRequest_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("change");
        QTest::addColumn<int>("channel");
        QTest::addColumn<int>("level");
        const QString request = QStringLiteral("127.0.0.10 request_type=set&item_type=");
        QTest::newRow("unique id, number, level")
            << QStringList{"set", "NV-A", "2", "128"} << request + "light_brightness&ch_2=128" << 2
            << 128;
        QTest::newRow("name in other case, channel name, percent")
            << QStringList{"set", "кухня", "БРА", "50%"} << request + "light_brightness&ch_2=128"
            << 2 << 128;
        QTest::newRow("address, on") << QStringList{"set", "127.0.0.10", "1", "on"}
                                     << request + "light_brightness&ch_1=255" << 1 << 255;
        QTest::newRow("off") << QStringList{"set", "NV-A", "Люстра", "off"}
                             << request + "light_brightness&ch_1=0" << 1 << 0;
        QTest::newRow("1%") << QStringList{"set", "NV-A", "1", "1%"}
                            << request + "light_brightness&ch_1=3" << 1 << 3;
        QTest::newRow("channel the file does not know")
            << QStringList{"set", "NV-A", "Торшер", "7"} << request + "light_brightness&ch_4=7" << 4
            << 7;
    }

    void setSendsTheWindowsRequest()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, change);
        QFETCH(int, channel);
        QFETCH(int, level);
        kitchen->setBrightness(channel, level == 0 ? 100 : 0);
        const Run run = ctl(arguments);
        QVERIFY(run.finished);
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(changes(*kitchen), QStringList{change});
        // Confirmed with one dimmer_info after the change.
        QCOMPARE(QUrlQuery(kitchen->requests().last().query).queryItemValue("item_type"),
                 QStringLiteral("dimmer_info"));
        QCOMPARE(kitchen->brightness(channel), level);
        QVERIFY(run.err.isEmpty());
    }

    // Found by the window's address check: with its unique id and Wi-Fi address.
    void addressWorksWithoutTheFile()
    {
        SimulatedController hall(QStringLiteral("127.0.0.30"), QStringLiteral("127.0.0.31"), "NV-H",
                                 QStringLiteral("Холл"), 2);
        QVERIFY(hall.start());
        const Run run = ctl({"set", "127.0.0.30", "2", "on", "--json"});
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(hall.brightness(2), 255);
        const QJsonObject object = QJsonDocument::fromJson(run.out).object();
        QCOMPARE(object.value("unique_id").toString(), QStringLiteral("NV-H"));
        QCOMPARE(object.value("wifi_address").toString(), QStringLiteral("127.0.0.31"));
    }

    // The wired address fails, by silence or because another device answers
    // there: the Wi-Fi address is asked who answers, and only it takes the change.
    void setTurnsToWifiWhenWiredFails_data()
    {
        QTest::addColumn<bool>("stranger");
        QTest::newRow("wired silent") << false;
        QTest::newRow("another controller at the wired address") << true;
    }

    void setTurnsToWifiWhenWiredFails()
    {
        QFETCH(bool, stranger);
        std::unique_ptr<SimulatedController> other;
        if (stranger) {
            kitchen = std::make_unique<SimulatedController>(
                QStringLiteral("127.0.0.41"), kitchenWifi, "NV-A", QStringLiteral("Кухня"), 2);
            other = std::make_unique<SimulatedController>(
                kitchenWired, QStringLiteral("127.0.0.40"), "NV-S", QStringLiteral("Чужой"), 2);
            QVERIFY(other->start());
            QVERIFY(kitchen->start());
        } else {
            kitchen->setAddressSilent(kitchenWired, true);
        }
        const Run run = ctl({"set", "NV-A", "2", "200"});
        QVERIFY(run.finished);
        QCOMPARE(run.exitCode, 0);
        SimulatedController &wired = stranger ? *other : *kitchen;
        QCOMPARE(wired.requests().first().address, kitchenWired);
        QVERIFY(!stranger || changes(*other).isEmpty());
        QCOMPARE(changes(*kitchen),
                 QStringList{"127.0.0.11 request_type=set&item_type=light_brightness&ch_2=200"});
        QCOMPARE(kitchen->brightness(2), 200);
    }

    void unknownControllerOrChannelExits3_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("unknown controller") << QStringList{"set", "NV-X", "1", "on"};
        QTest::newRow("name of two controllers") << QStringList{"status", "спальня"};
        QTest::newRow("unknown channel number") << QStringList{"set", "NV-A", "9", "on"};
        QTest::newRow("unknown channel name") << QStringList{"set", "Кухня", "Гараж", "on"};
    }

    void unknownControllerOrChannelExits3()
    {
        QFETCH(QStringList, arguments);
        const Run run = ctl(arguments);
        QVERIFY(run.finished);
        QCOMPARE(run.exitCode, 3);
        QCOMPARE(run.err.count('\n'), 1);
        QVERIFY(changes(*kitchen).isEmpty());
    }

    void settingsFileTroubleIsSaid_data()
    {
        QTest::addColumn<QString>("place");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("said");
        QTest::newRow("no directory") << "none" << QStringList{"list"} << 3 << "каталога настроек";
        QTest::newRow("damaged") << "damaged" << QStringList{"list"} << 3 << "повреждён";
        QTest::newRow("the file given")
            << "file" << QStringList{"list"} << 2 << "файл, а не каталог";
        QTest::newRow("name, no file")
            << "empty" << QStringList{"status", "Кухня"} << 3 << "файла настроек";
        QTest::newRow("name not in the file")
            << "settings" << QStringList{"status", "Гараж"} << 3 << "нет в файле настроек";
        QTest::newRow("address, no directory")
            << "none" << QStringList{"status", kitchenWired} << 0 << QString();
    }

    void settingsFileTroubleIsSaid()
    {
        QFETCH(QString, place);
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QString, said);
        QTemporaryDir other;
        QVERIFY(other.isValid());
        const QString damaged = other.filePath(QStringLiteral("damaged"));
        QVERIFY(QDir(other.path()).mkpath(QStringLiteral("empty")) && QDir().mkpath(damaged));
        TestFiles::writeFile(damaged + QStringLiteral("/settings.json"), settings.left(200));
        const QString directoryOf = place == QLatin1String("settings") ? directory.path()
                                    : place == QLatin1String("file")
                                        ? directory.filePath(QStringLiteral("settings.json"))
                                        : other.filePath(place);
        const Run run = runProgram(QStringLiteral(CTL_PATH),
                                   QStringList{"--settings-dir", directoryOf} + arguments);
        QVERIFY(run.finished);
        QCOMPARE(run.exitCode, exitCode);
        if (exitCode == 0) {
            QVERIFY(run.err.isEmpty());
            return;
        }
        QVERIFY(run.out.isEmpty());
        QCOMPARE(run.err.count('\n'), 1);
        QVERIFY2(QString::fromUtf8(run.err).contains(said), run.err.constData());
        // Where it looked, and that an address needs no file.
        QVERIFY2(run.err.contains(QFile::encodeName(directoryOf)), run.err.constData());
        if (arguments.first() != QLatin1String("list") && exitCode == 3) {
            QVERIFY2(run.err.contains("адрес контроллера подходит всегда"), run.err.constData());
        }
        QVERIFY(kitchen->requests().isEmpty());
    }

    // The window's information page names these values so.
    void statusUsesTheWindowsLabels()
    {
        const Run run = ctl({"status", "NV-A"});
        QCOMPARE(run.exitCode, 0);
        QStringList facts = QString::fromUtf8(run.out).split(QLatin1Char('\n'));
        for (QString &fact : facts) {
            fact = fact.simplified();
        }
        for (const QString &expected :
             {QStringLiteral("Id устройства NV-A"), QStringLiteral("Температура CPU 41.5 °C"),
              QStringLiteral("Температура в корпусе 27 °C")}) {
            QVERIFY2(facts.contains(expected), run.out.constData());
        }
        for (const char *label :
             {"Версия ПО wifi модуля ", "Версия ПО диммера ", "Тип контроллера "}) {
            QVERIFY2(run.out.contains(label), run.out.constData());
        }
    }

    void silentControllerExits1()
    {
        kitchen->setAddressSilent(kitchenWired, true);
        kitchen->setAddressSilent(kitchenWifi, true);
        const Run run = ctl({"set", "NV-A", "1", "on"});
        QVERIFY(run.finished);
        QCOMPARE(run.exitCode, 1);
        QCOMPARE(run.err.count('\n'), 1);
        QVERIFY2(run.err.contains("127.0.0.11"), run.err.constData());
    }

    void noChangeForAnotherControllerAtTheAddress()
    {
        kitchen->setReportedUniqueId(QStringLiteral("NV-STRANGER"));
        const Run run = ctl({"set", "NV-A", "1", "on"});
        QVERIFY(run.finished);
        QCOMPARE(run.exitCode, 1);
        QCOMPARE(run.err.count('\n'), 1);
        QVERIFY(changes(*kitchen).isEmpty());
    }

    void garbageOrRefusalExits1_data()
    {
        QTest::addColumn<QString>("response");
        QTest::addColumn<bool>("nonJson");
        QTest::newRow("not JSON") << QString() << true;
        QTest::newRow("unknown response") << "error" << false;
        QTest::newRow("refused") << "bad request" << false;
    }

    void garbageOrRefusalExits1()
    {
        QFETCH(QString, response);
        QFETCH(bool, nonJson);
        kitchen->setResponseText(response);
        kitchen->setNonJsonBody(nonJson);
        const Run run = ctl({"status", "NV-A"});
        QVERIFY(run.finished);
        QCOMPARE(run.exitCode, 1);
        QCOMPARE(run.err.count('\n'), 1);
        QVERIFY(run.out.isEmpty());
    }

    void jsonHoldsTheDocumentedFields()
    {
        const QStringList channel{"brightness", "favourite", "light_id", "name", "percent", "type"};

        const Run status = ctl({"status", "Кухня", "--json"});
        QCOMPARE(status.exitCode, 0);
        const QJsonObject object = QJsonDocument::fromJson(status.out).object();
        // The fields that docs/cli.md documents.
        QCOMPARE(keys(object),
                 (QStringList{"channels", "connection", "name", "temperatures", "unique_id",
                              "versions", "wifi_address", "wired_address"}));
        QCOMPARE(keys(object.value("connection")),
                 (QStringList{"address", "interface", "wifi_link", "wired_link"}));
        QCOMPARE(keys(object.value("versions")), (QStringList{"controller", "dimmer", "network"}));
        QCOMPARE(object.value("temperatures").toObject().value("inner").toDouble(), 41.5);
        const QJsonArray channels = object.value("channels").toArray();
        QCOMPARE(channels.size(), 4);
        QCOMPARE(keys(channels.at(3)), channel);
        QCOMPARE(channels.at(3).toObject().value("name").toString(), QStringLiteral("Торшер"));
        QCOMPARE(object.value("connection").toObject().value("interface").toString(),
                 QStringLiteral("wired"));

        const Run list = ctl({"list", "--json"});
        QCOMPARE(list.exitCode, 0);
        const QJsonObject file = QJsonDocument::fromJson(list.out).object();
        QCOMPARE(keys(file), (QStringList{"controllers", "settings_file"}));
        QCOMPARE(file.value("settings_file").toString(),
                 directory.filePath(QStringLiteral("settings.json")));
        const QJsonArray controllers = file.value("controllers").toArray();
        QCOMPARE(controllers.size(), 3);
        QCOMPARE(keys(controllers.at(0)),
                 (QStringList{"channels", "name", "unique_id", "wifi_address", "wired_address"}));
        QCOMPARE(keys(controllers.at(0).toObject().value("channels").toArray().at(0)),
                 (QStringList{"favourite", "light_id", "name"}));
        QVERIFY(controllers.at(2).toObject().value("wifi_address").isNull());
    }

    void deviceTextIsPrintedAsText()
    {
        const QString name = QString::fromUtf8("Бра\x1b]0;owned\x07\xe2\x80\xae");
        QVector<SimulatedController::Output> outputs = kitchen->outputs();
        outputs[1].name = name;
        kitchen->setOutputs(outputs);

        const Run table = ctl({"status", "NV-A"});
        QCOMPARE(table.exitCode, 0);
        QVERIFY(!table.out.contains('\x1b') && !table.out.contains('\x07'));
        QVERIFY2(table.out.contains("Бра\\x1b]0;owned\\x07\\u{202e}"), table.out.constData());

        const Run json = ctl({"status", "NV-A", "--json"});
        QVERIFY(!json.out.contains('\x1b') && !json.out.contains("\xe2\x80\xae"));
        const QJsonArray channels =
            QJsonDocument::fromJson(json.out).object().value("channels").toArray();
        QCOMPARE(channels.at(1).toObject().value("name").toString(), name);
    }

    // Kitchen configured by hand, backed up and restored onto the bedroom:
    // the bedroom then holds the kitchen's configuration on the channels it
    // has, network excepted.
    void backupRestoresOntoAnotherController()
    {
        QVector<SimulatedController::Output> outputs = kitchen->outputs();
        outputs[0] = {0, "PWM", 2300, 12, 200, "Люстра"};
        outputs[1] = {0, "L_EDGE", 100, 0, 180, "Бра"};
        kitchen->setOutputs(outputs);
        SimulatedController::Settings settings = kitchen->settings();
        settings.crosszeroOffset = 640;
        settings.dimmerUseTimerSinch = true;
        settings.rs485Speed = "38400 8E2";
        settings.modbusAddress = 17;
        kitchen->setSettings(settings);
        kitchen->setInputs({{"ADC", 0}, {"CH_TOGGLE_ON_OFF", 0}, {"NO_FUNCTION", 0}, {"ADC", 0}});
        const QString file = directory.filePath(QStringLiteral("kitchen.json"));
        const Run backup = ctl({"backup", "NV-A", file});
        QCOMPARE(backup.exitCode, 0);
        QVERIFY(changes(*kitchen).isEmpty());

        const Run restore = ctl({"restore", "NV-B", file});
        QCOMPARE(restore.exitCode, 0);
        QVERIFY2(restore.out.contains("канала 3 у контроллера нет: пропущен"), restore.out);
        QCOMPARE(bedroom->name(), kitchen->name());
        for (int channel = 1; channel <= 2; ++channel) {
            const SimulatedController::Output a = kitchen->output(channel);
            const SimulatedController::Output b = bedroom->output(channel);
            QCOMPARE(
                QVector<QVariant>({b.name, b.type, b.slowTime, b.minBrightness, b.maxBrightness}),
                QVector<QVariant>({a.name, a.type, a.slowTime, a.minBrightness, a.maxBrightness}));
        }
        const SimulatedController::Settings a = kitchen->settings();
        const SimulatedController::Settings b = bedroom->settings();
        QCOMPARE(QVector<QVariant>({b.crosszeroOffset, b.dimmerHalfPeriod, b.dimmerPulseDuration,
                                    b.dimmerUseTimerSinch, b.rs485Speed, b.modbusAddress,
                                    b.autosave, b.inputAutodetect}),
                 QVector<QVariant>({a.crosszeroOffset, a.dimmerHalfPeriod, a.dimmerPulseDuration,
                                    a.dimmerUseTimerSinch, a.rs485Speed, a.modbusAddress,
                                    a.autosave, a.inputAutodetect}));
        QCOMPARE(bedroom->inputs().at(1).type, QStringLiteral("CH_TOGGLE_ON_OFF"));
        QCOMPARE(bedroom->systemInfo().lanIpAddress, bedroomWired);
        QVERIFY(!changes(*bedroom).join(' ').contains("lan_settings"));

        const Run again = ctl({"restore", "NV-B", file, "--dry-run", "--json"});
        const QJsonArray left =
            QJsonDocument::fromJson(again.out).object().value("changes").toArray();
        QCOMPARE(left.size(), 1);
        QVERIFY(left.at(0).toObject().value("network").toBool());
    }

    void dryRunOrUnusableFileSendsNothing_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("option");
        QTest::addColumn<int>("exitCode");
        QTest::newRow("dry run") << QByteArray() << "--dry-run" << 0;
        QTest::newRow("truncated")
            << QByteArray("{\"format\":\"norvaleo-dimmer-configuration\",") << QString() << 2;
        QTest::newRow("newer version")
            << QByteArray("{\"format\":\"norvaleo-dimmer-configuration\",\"version\":2}")
            << QString() << 2;
    }

    void dryRunOrUnusableFileSendsNothing()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, option);
        QFETCH(int, exitCode);
        const QString file = directory.filePath(QStringLiteral("restore.json"));
        if (content.isEmpty()) {
            QCOMPARE(ctl({"backup", "NV-A", file}).exitCode, 0);
        } else {
            TestFiles::writeFile(file, content);
        }
        QStringList arguments{"restore", "NV-B", file};
        if (!option.isEmpty()) {
            arguments << option;
        }
        const Run run = ctl(arguments);
        QCOMPARE(run.exitCode, exitCode);
        QVERIFY(changes(*bedroom).isEmpty());
    }

    // A change of Wi-Fi network goes only with --with-network and the
    // password file; a script is never asked.
    void newWifiNetworkNeedsThePasswordFile()
    {
        SimulatedController::SystemInfo info = kitchen->systemInfo();
        info.wifiSsid = QStringLiteral("Склад");
        kitchen->setSystemInfo(info);
        const QString file = directory.filePath(QStringLiteral("kitchen.json"));
        QCOMPARE(ctl({"backup", "NV-A", file}).exitCode, 0);
        QCOMPARE(ctl({"restore", "NV-B", file, "--with-network"}).exitCode, 2);
        QVERIFY(changes(*bedroom).isEmpty());

        const QString password = directory.filePath(QStringLiteral("password"));
        TestFiles::writeFile(password, "тайна&1\nlater lines\n");
        const Run run =
            ctl({"restore", "NV-B", file, "--with-network", "--wifi-password-file", password});
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(bedroom->systemInfo().wifiSsid, QStringLiteral("Склад"));
        QCOMPARE(bedroom->systemInfo().wifiPass, QStringLiteral("тайна&1"));
    }

    void refusalStopsTheRest()
    {
        QVector<SimulatedController::Output> outputs = kitchen->outputs();
        outputs[0].type = QStringLiteral("PWM");
        kitchen->setOutputs(outputs);
        const QString file = directory.filePath(QStringLiteral("kitchen.json"));
        QCOMPARE(ctl({"backup", "NV-A", file}).exitCode, 0);
        bedroom->setRefusedItemType(QStringLiteral("device_name"));
        const Run run = ctl({"restore", "NV-B", file, "--with-network"});
        QCOMPARE(run.exitCode, 1);
        QCOMPARE(changes(*bedroom).size(), 2);
        QVERIFY2(run.out.contains("Применено: Канал 1 «Лампа 1»: тип выхода.\n"
                                  "Не применено: Имя контроллера; Проводная сеть: Ip адрес."),
                 run.out.constData());
    }
};

QTEST_GUILESS_MAIN(TestCtl)
#include "tst_ctl.moc"
