#include "device/controllerroute.h"
#include "device/norvaleodimmer.h"
#include "model/devicelimits.h"
#include "model/dimmer.h"
#include "registry/roleregistry.h"

#include "../common/modeltester.h"
#include "../common/modeltestsetup.h"
#include "testrootmodel.h"

#include <QMetaMethod>
#include <QSignalSpy>
#include <QTest>

namespace {

const QString uniqueId = QStringLiteral("NV-0001");

// A body whose envelope is "ok", with further members.
QByteArray ok(const QByteArray &members = QByteArray())
{
    return "{\"response\":\"ok\"" + (members.isEmpty() ? QByteArray() : "," + members) + "}";
}

QByteArray dimmerInfo(const QByteArray &members)
{
    return ok("\"dimmer_info\":{" + members + "}");
}

QByteArray systemInfo(const QByteArray &members)
{
    return ok("\"system_info\":{" + members + "}");
}

QByteArray ownSystemInfo(const QByteArray &members)
{
    return systemInfo("\"unique_id\":\"" + uniqueId.toUtf8() + "\"," + members);
}

// A tree with one controller, watched by the model tester from the start.
struct Fixture
{
    Fixture()
    {
        controller = root.addController(QStringLiteral("127.0.0.2"), QStringLiteral("127.0.0.3"),
                                        uniqueId, QStringLiteral("Dimmer"));
    }

    QModelIndex self() const { return root.controllerIndex(); }
    QModelIndex channel(int row) const { return root.channelIndex(row); }
    QVariant value(const QByteArray &role) const { return root.value(self(), role); }
    QVariant value(int row, const QByteArray &role) const { return root.value(channel(row), role); }
    int channelCount() const { return root.rowCount(self()); }

    // The controller with channels 1 to count, connected.
    void addChannels(int count)
    {
        QByteArray outputs;
        for (int n = 1; n <= count; ++n) {
            outputs +=
                (n > 1 ? "," : "") + QByteArray("\"channel_") + QByteArray::number(n) + "\":{}";
        }
        controller->handleReplyBody(dimmerInfo("\"outputs\":{" + outputs + "}"));
    }

    TestRootModel root;
    ModelTester tester{&root};
    NorvaleoDimmer *controller = nullptr;
};

} // namespace

class TestNorvaleoDimmer : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { prepareModelTests(); }

    void constructionGivesTheInitialRoles()
    {
        Fixture f;
        QCOMPARE(f.controller->itemType(), QStringLiteral("NORVALEO_DIMMER"));
        const QList<QByteArray> names = NorvaleoDimmer::roleNamesList();
        QCOMPARE(names.size(), 41);
        QCOMPARE(f.controller->roleNames().size(), 43);
        for (int i = 0; i < names.size(); ++i) {
            QCOMPARE(f.controller->roleByName(names.at(i)), 259 + i);
        }

        const QList<QPair<QByteArray, QVariant>> expected{
            {"name", QStringLiteral("Dimmer")},
            {"preffered_delegate", QStringLiteral("Device.qml")},
            {"uniqueId", uniqueId},
            {"ipAddress_1", QStringLiteral("127.0.0.2")},
            {"ipAddress_2", QStringLiteral("127.0.0.3")},
            {"connection_status", false},
            {"using_interface", 1},
            {"wifi_ssid", QStringLiteral("")},
            {"wifi_pass", QStringLiteral("")},
            {"wifi_status", false},
            {"wifi_dhcp", false},
            {"wifi_mask", QStringLiteral("")},
            {"wifi_gate", QStringLiteral("")},
            {"wifi_all_settings", QStringLiteral("")},
            {"lan_status", false},
            {"lan_dhcp", false},
            {"lan_mask", QStringLiteral("")},
            {"lan_gate", QStringLiteral("")},
            {"lan_all_settings", QStringLiteral("")},
            {"net_soft_version", QStringLiteral("")},
            {"controller_version", QStringLiteral("")},
            {"dimm_soft_version", QStringLiteral("")},
            {"input_autodetect", false},
            {"inputs_count", 0},
            {"inputs_types", QVariantList()},
            {"inputs_values", QVariantList()},
            {"v_ref", QStringLiteral("0.0")},
            {"v_power_supply", QStringLiteral("0.0")},
            {"inner_tmp", QStringLiteral("0.0")},
            {"extern_tmp", QStringLiteral("0.0")},
            {"rs485_speed", 9600},
            {"rs485_parity", QStringLiteral("N")},
            {"rs485_stop_bits", 1},
            {"rs485_data_bits", 8},
            {"rs485_all_settings", QStringLiteral("")},
            {"modbus_address", 1},
            {"save_counter", 0},
            {"crosszero_offset", 0},
            {"dimmer_half_period", 0},
            {"dimmer_pulse_duration", 0},
            {"dimmer_use_timer_sinch", true},
            {"dimmimg_all_settings", QStringLiteral("")},
            {"autosave_settings", true}};
        QSet<QByteArray> listed;
        for (const auto &role : expected) {
            listed.insert(role.first);
            const QVariant actual =
                f.controller->data(f.self(), f.controller->roleByName(role.first));
            QVERIFY2(actual == role.second && actual.userType() == role.second.userType(),
                     role.first.constData());
        }
        const QList<QByteArray> roles = f.controller->roleNames().values();
        QCOMPARE(listed, QSet<QByteArray>(roles.cbegin(), roles.cend()));

        // Only the four identity values are kept in the settings file.
        QString fields;
        int count = 0;
        f.controller->writeOwnFields(fields, count);
        QCOMPARE(count, 4);
        QCOMPARE(fields,
                 QStringLiteral("\"ipAddress_1\":\"127.0.0.2\",\"ipAddress_2\":\"127.0.0.3\","
                                "\"name\":\"Dimmer\",\"uniqueId\":\"NV-0001\""));
        QCOMPARE(f.tester.unexpected(), QStringList());
    }

    void metaObjectMethodsInOrder()
    {
        const QMetaObject &mo = NorvaleoDimmer::staticMetaObject;
        const int offset = AbstractDeviceModel::staticMetaObject.methodCount();
        struct Method
        {
            QByteArray signature;
            QMetaMethod::MethodType type;
            QMetaMethod::Access access;
        };
        const auto privateSlot = [](const char *signature) {
            return Method{signature, QMetaMethod::Slot, QMetaMethod::Private};
        };
        const QList<Method> expected{
            {"lostConnection(QString)", QMetaMethod::Signal, QMetaMethod::Public},
            {"answered(int,bool)", QMetaMethod::Signal, QMetaMethod::Public},
            {"startCommunication()", QMetaMethod::Slot, QMetaMethod::Public},
            {"transferDataToDevice(QModelIndex,QVariant,int)", QMetaMethod::Slot,
             QMetaMethod::Public},
            privateSlot("httpResponse(QNetworkReply*)"),
            privateSlot("set_device_name(QVariant)"),
            privateSlot("set_device_wifi_all_settings(QVariant)"),
            privateSlot("set_device_lan_all_settings(QVariant)"),
            privateSlot("set_device_crosszero_offset(QVariant)"),
            privateSlot("set_device_dimmer_half_period(QVariant)"),
            privateSlot("set_device_dimmer_pulse_duration(QVariant)"),
            privateSlot("set_device_dimmimg_all_settings(QVariant)"),
            privateSlot("set_device_rs485_all_settings(QVariant)"),
            privateSlot("set_device_modbus_address(QVariant)"),
            privateSlot("set_device_autosave_settings(QVariant)"),
            privateSlot("set_device_input_autodetect(QVariant)"),
            privateSlot("set_device_inputs_types(QVariant)"),
            privateSlot("set_brightness(int,QVariant)"),
            privateSlot("set_max_brightness(int,QVariant)"),
            privateSlot("set_min_brightness(int,QVariant)"),
            privateSlot("set_slow_time(int,QVariant)"),
            privateSlot("set_name(int,QVariant)"),
            privateSlot("set_light_type(int,QVariant)"),
            privateSlot("set_autosave_settings(int,QVariant)")};
        QCOMPARE(mo.methodCount() - offset, expected.size());
        for (int i = 0; i < expected.size(); ++i) {
            const QMetaMethod method = mo.method(offset + i);
            QCOMPARE(method.methodSignature(), expected.at(i).signature);
            QCOMPARE(method.methodType(), expected.at(i).type);
            QCOMPARE(method.access(), expected.at(i).access);
        }
    }

    void replyEnvelope_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<bool>("connected");
        QTest::addColumn<bool>("applied");
        QTest::addColumn<int>("usingInterface");

        const QByteArray rename = "\"unique_id\":\"NV-0001\",\"name\":\"Renamed\"";
        QTest::newRow("ok") << ok("\"system_info\":{" + rename + "}") << true << true << 1;
        QTest::newRow("OK in capitals")
            << QByteArray("{\"response\":\"OK\",\"system_info\":{" + rename + "}}") << true << true
            << 1;
        QTest::newRow("Bad Request")
            << QByteArray("{\"response\":\"Bad Request\",\"system_info\":{" + rename + "}}") << true
            << false << 1;
        QTest::newRow("ok without status") << ok() << true << false << 1;
        // Another device at the address: a failure event, so the other address is tried.
        QTest::newRow("other unique id")
            << systemInfo("\"unique_id\":\"NV-0002\",\"name\":\"Renamed\"") << false << false << 2;
        QTest::newRow("dimmer_info naming another device")
            << ok("\"dimmer_info\":{\"unique_id\":\"NV-0002\"}") << false << false << 2;
        QTest::newRow("dimmer_info naming this one")
            << ok("\"dimmer_info\":{\"unique_id\":\"NV-0001\"}") << true << false << 1;
        QTest::newRow("no unique id") << systemInfo("\"name\":\"Renamed\"") << false << false << 2;
        QTest::newRow("unique id not a text")
            << systemInfo("\"unique_id\":1,\"name\":\"Renamed\"") << false << false << 2;
        QTest::newRow("system info not an object")
            << ok("\"system_info\":\"NV-0001\"") << false << false << 2;
        QTest::newRow("not JSON") << QByteArray("<html>ok</html>") << false << false << 2;
        QTest::newRow("empty body") << QByteArray() << false << false << 2;
        QTest::newRow("array") << QByteArray("[{\"response\":\"ok\"}]") << false << false << 2;
        QTest::newRow("no response")
            << QByteArray("{\"system_info\":{" + rename + "}}") << false << false << 2;
        QTest::newRow("null response") << QByteArray("{\"response\":null}") << false << false << 2;
        QTest::newRow("response not a text")
            << QByteArray("{\"response\":1}") << false << false << 2;
        QTest::newRow("unknown response")
            << QByteArray("{\"response\":\"busy\"}") << false << false << 2;
    }

    void replyEnvelope()
    {
        QFETCH(QByteArray, body);
        QFETCH(bool, connected);
        QFETCH(bool, applied);
        QFETCH(int, usingInterface);
        Fixture f;
        f.addChannels(2);
        QCOMPARE(f.value("connection_status"), QVariant(true));
        QSignalSpy lost(f.controller, &NorvaleoDimmer::lostConnection);

        f.controller->handleReplyBody(body);
        QCOMPARE(f.value("connection_status"), QVariant(connected));
        QCOMPARE(f.value(0, "connection_status"), QVariant(connected));
        QCOMPARE(f.value(1, "connection_status"), QVariant(connected));
        QCOMPARE(f.value("name").toString(),
                 applied ? QStringLiteral("Renamed") : QStringLiteral("Dimmer"));
        QCOMPARE(f.value("uniqueId"), QVariant(uniqueId));
        QCOMPARE(f.value("using_interface"), QVariant(usingInterface));
        QCOMPARE(lost.count(), 0);
        QCOMPARE(f.tester.unexpected(), QStringList());
    }

    void everySecondFailureEventReportsTheLoss()
    {
        Fixture f;
        QSignalSpy lost(f.controller, &NorvaleoDimmer::lostConnection);
        f.controller->handleReplyBody("not json");
        QCOMPARE(lost.count(), 0);
        QCOMPARE(f.value("using_interface"), QVariant(2));
        // Good replies in between do not reset the count.
        for (int i = 0; i < 5; ++i) {
            f.controller->handleReplyBody(ok());
        }
        QCOMPARE(f.value("connection_status"), QVariant(true));
        f.controller->handleReplyBody("{\"response\":\"error\"}");
        QCOMPARE(lost.count(), 1);
        QCOMPARE(lost.at(0).at(0), QVariant(uniqueId));
        QCOMPARE(f.value("using_interface"), QVariant(1));
        f.controller->handleReplyBody("");
        QCOMPARE(lost.count(), 1);
        f.controller->handleReplyBody("");
        QCOMPARE(lost.count(), 2);
        QCOMPARE(f.tester.unexpected(), QStringList());
    }

    // What a program that picks the address itself relies on: after
    // forgetIdentity only the controller's own system_info lets status in.
    void forgottenIdentityWaitsForTheOwnSystemInfo()
    {
        Fixture f;
        f.addChannels(1);
        f.controller->forgetIdentity();
        const QByteArray level = dimmerInfo(R"("outputs":{"channel_1":{"brightness":90}})");
        for (const QByteArray &body :
             {level, ok(), systemInfo(R"("unique_id":"NV-0002")"), level}) {
            f.controller->handleReplyBody(body);
            QVERIFY(!f.controller->isIdentityConfirmed());
        }
        QCOMPARE(f.value(0, "brightness"), QVariant(0));
        f.controller->handleReplyBody(ownSystemInfo(R"("name":"Hall")"));
        QVERIFY(f.controller->isIdentityConfirmed());
        f.controller->handleReplyBody(level);
        QCOMPARE(f.value(0, "brightness"), QVariant(90));
        QCOMPARE(f.tester.unexpected(), QStringList());
    }

    void routeOrder_data()
    {
        QTest::addColumn<QString>("wired");
        QTest::addColumn<bool>("switched");
        QTest::addColumn<QStringList>("order");
        QTest::newRow("wired first")
            << "127.0.0.2" << false << QStringList{"127.0.0.2", "127.0.0.3 wifi"};
        QTest::newRow("switched") << "127.0.0.2" << true
                                  << QStringList{"127.0.0.3 wifi", "127.0.0.2"};
        QTest::newRow("no wired") << "" << false << QStringList{"127.0.0.3 wifi"};
        QTest::newRow("one host") << "127.0.0.3" << false << QStringList{"127.0.0.3"};
    }

    // The order the node and norvaleo-ctl ask addresses in; a switch needs a new proof.
    void routeOrder()
    {
        QFETCH(QString, wired);
        QFETCH(bool, switched);
        QFETCH(QStringList, order);
        ControllerRoute route;
        if (switched) {
            route.switchAddress();
        }
        QStringList asked;
        for (const ControllerRoute::Address &address : route.order(wired, "127.0.0.3")) {
            asked.append(address.host + (address.wired ? "" : " wifi"));
        }
        QCOMPARE(asked, order);
        QCOMPARE(route.allows(DeviceProtocol::brightness(1, 5)), !switched);
        QVERIFY(route.allows(DeviceProtocol::dimmerInfo()));
    }

    void systemInfoValues()
    {
        Fixture f;
        f.controller->handleReplyBody(ownSystemInfo(
            R"("name":"Hall","version":"2.4.0",)"
            R"("wifi_settings":{"ssid":"Home","status":"connected","dhcp":"false",)"
            R"("ip_address":"10.0.0.9","ip_mask":"255.0.0.0","ip_gate":"10.0.0.1"},)"
            R"("lan_settings":{"status":"disconnected","dhcp":false,"ip_address":"10.0.0.8"})"));
        QCOMPARE(f.value("connection_status"), QVariant(true));
        QCOMPARE(f.value("name"), QVariant(QStringLiteral("Hall")));
        QCOMPARE(f.value("net_soft_version"), QVariant(QStringLiteral("2.4.0")));
        QCOMPARE(f.value("wifi_ssid"), QVariant(QStringLiteral("Home")));
        QCOMPARE(f.value("wifi_status"), QVariant(true));
        QCOMPARE(f.value("wifi_dhcp"), QVariant(false));
        QCOMPARE(f.value("ipAddress_2"), QVariant(QStringLiteral("10.0.0.9")));
        QCOMPARE(f.value("wifi_mask"), QVariant(QStringLiteral("255.0.0.0")));
        QCOMPARE(f.value("wifi_gate"), QVariant(QStringLiteral("10.0.0.1")));
        QCOMPARE(f.value("lan_status"), QVariant(false));
        // A flag given as a JSON boolean is no text "false", so it reads as on.
        QCOMPARE(f.value("lan_dhcp"), QVariant(true));
        QCOMPARE(f.value("ipAddress_1"), QVariant(QStringLiteral("10.0.0.8")));
        QCOMPARE(f.value("lan_mask"), QVariant(QStringLiteral("")));

        // Empty groups and missing members change nothing.
        f.controller->handleReplyBody(
            ownSystemInfo(R"("wifi_settings":{},"lan_settings":{"ip_mask":"255.255.0.0"})"));
        QCOMPARE(f.value("wifi_ssid"), QVariant(QStringLiteral("Home")));
        QCOMPARE(f.value("lan_status"), QVariant(false));
        QCOMPARE(f.value("lan_mask"), QVariant(QStringLiteral("255.255.0.0")));

        // An address that reads as none keeps the stored one; others are
        // written canonically.
        f.controller->handleReplyBody(ownSystemInfo(
            R"("wifi_settings":{"ip_address":""},"lan_settings":{"ip_address":"kitchen"})"));
        QCOMPARE(f.value("ipAddress_2"), QVariant(QStringLiteral("10.0.0.9")));
        QCOMPARE(f.value("ipAddress_1"), QVariant(QStringLiteral("10.0.0.8")));
        f.controller->handleReplyBody(
            ownSystemInfo(R"("lan_settings":{"ip_address":"FE80:0::1"})"));
        QCOMPARE(f.value("ipAddress_1"), QVariant(QStringLiteral("fe80::1")));
        QCOMPARE(f.tester.unexpected(), QStringList());
    }

    void channelsAreCreatedInNumberOrder()
    {
        Fixture f;
        QSignalSpy layout(&f.root, &QAbstractItemModel::layoutChanged);
        QSignalSpy inserted(&f.root, &QAbstractItemModel::rowsInserted);
        f.addChannels(12);
        QCOMPARE(f.channelCount(), 12);
        for (int row = 0; row < 12; ++row) {
            const int number = row + 1;
            QCOMPARE(f.value(row, "name"), QVariant(QStringLiteral("Лампа %1").arg(number)));
            QCOMPARE(f.value(row, "light_id"), QVariant(number));
            QCOMPARE(
                static_cast<AbstractDeviceModel *>(f.channel(row).internalPointer())->itemType(),
                QStringLiteral("DIMMER"));
            // New channels take the controller's state at the end of the reply.
            QCOMPARE(f.value(row, "connection_status"), QVariant(true));
        }
        QCOMPARE(layout.count(), 1);
        QCOMPARE(inserted.count(), 11);

        // The next reply finds them again.
        f.addChannels(12);
        QCOMPARE(f.channelCount(), 12);
        QCOMPARE(f.tester.unexpected(), QStringList());
    }

    void numberTextNamesTheChannel()
    {
        Fixture f;
        f.controller->handleReplyBody(dimmerInfo(R"("outputs":{"channel_03":{"brightness":40}})"));
        f.controller->handleReplyBody(dimmerInfo(R"("outputs":{"channel_3":{"brightness":41}},)"
                                                 R"("structure":{"channel_003":{"name":""}})"));
        QCOMPARE(f.channelCount(), 1);
        QCOMPARE(f.value(0, "name"), QVariant(QStringLiteral("Лампа 03")));
        QCOMPARE(f.value(0, "light_id"), QVariant(3));
        QCOMPARE(f.value(0, "brightness"), QVariant(41));

        f.controller->handleReplyBody(
            dimmerInfo(R"("structure":{"channel_3":{"name":"Кухня"},"channel_4":{"name":7}})"));
        QCOMPARE(f.channelCount(), 2);
        QCOMPARE(f.value(0, "name"), QVariant(QStringLiteral("Кухня")));
        QCOMPARE(f.value(1, "name"), QVariant(QStringLiteral("Лампа 4")));
        QCOMPARE(f.tester.unexpected(), QStringList());
    }

    void outputValues_data()
    {
        QTest::addColumn<QByteArray>("state");
        QTest::addColumn<QVariantList>("expected"); // brightness, type, slow, min, max

        QTest::newRow("all") << QByteArray(
                                    R"({"brightness":40,"type":"PWM","slow_time":500,)"
                                    R"("thresholds":{"min_brightness":10,"max_brightness":200}})")
                             << QVariantList{40, 3, 500, 10, 200};
        QTest::newRow("brightness as text")
            << QByteArray(R"({"brightness":"40"})") << QVariantList{0, 1, 1000, 5, 250};
        QTest::newRow("brightness fractional")
            << QByteArray(R"({"brightness":40.5})") << QVariantList{0, 1, 1000, 5, 250};
        QTest::newRow("only a maximum") << QByteArray(R"({"thresholds":{"max_brightness":90}})")
                                        << QVariantList{7, 1, 1000, 0, 90};
        QTest::newRow("empty thresholds")
            << QByteArray(R"({"thresholds":{}})") << QVariantList{7, 1, 1000, 5, 250};
        QTest::newRow("unknown type")
            << QByteArray(R"({"type":"TRIAC"})") << QVariantList{7, 1, 1000, 5, 250};
        QTest::newRow("type not a text")
            << QByteArray(R"({"type":2})") << QVariantList{7, 1, 1000, 5, 250};
        QTest::newRow("not an object") << QByteArray("[1,2]") << QVariantList{7, 1, 1000, 5, 250};
    }

    void outputValues()
    {
        QFETCH(QByteArray, state);
        QFETCH(QVariantList, expected);
        Fixture f;
        f.controller->handleReplyBody(
            dimmerInfo(R"("outputs":{"channel_1":{"brightness":7,"type":"T_EDGE",)"
                       R"("thresholds":{"min_brightness":5,"max_brightness":250}}})"));
        f.controller->handleReplyBody(dimmerInfo("\"outputs\":{\"channel_1\":" + state + "}"));
        QCOMPARE(f.channelCount(), 1);
        const QList<QByteArray> roles{"brightness", "light_type", "slow_time", "min_brightness",
                                      "max_brightness"};
        for (int i = 0; i < roles.size(); ++i) {
            QVERIFY2(f.value(0, roles.at(i)) == expected.at(i), roles.at(i).constData());
        }
        QCOMPARE(f.tester.unexpected(), QStringList());
    }

    void controllerVersionAndRs485_data()
    {
        QTest::addColumn<QByteArray>("settings");
        QTest::addColumn<QString>("version");
        QTest::addColumn<QVariantList>("rs485"); // speed, parity, stop bits, data bits

        const QVariantList unchanged{9600, QStringLiteral("N"), 1, 8};
        const QString unknown = QStringLiteral("Не определено");
        QTest::newRow("version 1") << QByteArray(R"("controller_version":1)")
                                   << QStringLiteral("stm32f103 low") << unchanged;
        QTest::newRow("version 2") << QByteArray(R"("controller_version":2)")
                                   << QStringLiteral("stm32f103 medium") << unchanged;
        QTest::newRow("version 3") << QByteArray(R"("controller_version":3.0)")
                                   << QStringLiteral("stm32f103 high") << unchanged;
        QTest::newRow("version as text")
            << QByteArray(R"("controller_version":"2")") << unknown << unchanged;
        QTest::newRow("version null")
            << QByteArray(R"("controller_version":null)") << unknown << unchanged;
        QTest::newRow("38400 8N1") << QByteArray(R"("rs485_speed":"38400 8N1")") << QString()
                                   << QVariantList{38400, QStringLiteral("N"), 1, 8};
        QTest::newRow("1000000 8E2") << QByteArray(R"("rs485_speed":"1000000 8E2")") << QString()
                                     << QVariantList{1000000, QStringLiteral("E"), 2, 8};
        QTest::newRow("34800 8N1")
            << QByteArray(R"("rs485_speed":"34800 8N1")") << QString() << unchanged;
        QTest::newRow("9600 8O1") << QByteArray(R"("rs485_speed":"9600 8O1")") << QString()
                                  << unchanged;
        QTest::newRow("9600 7N1") << QByteArray(R"("rs485_speed":"9600 7N1")") << QString()
                                  << unchanged;
        QTest::newRow("9600 8N3") << QByteArray(R"("rs485_speed":"9600 8N3")") << QString()
                                  << unchanged;
        QTest::newRow("speed alone")
            << QByteArray(R"("rs485_speed":"19200")") << QString() << unchanged;
        QTest::newRow("as a number")
            << QByteArray(R"("rs485_speed":19200)") << QString() << unchanged;
    }

    void controllerVersionAndRs485()
    {
        QFETCH(QByteArray, settings);
        QFETCH(QString, version);
        QFETCH(QVariantList, rs485);
        Fixture f;
        f.controller->handleReplyBody(dimmerInfo("\"settings\":{" + settings + "}"));
        QCOMPARE(f.value("controller_version").toString(), version);
        QCOMPARE(f.value("rs485_speed"), rs485.at(0));
        QCOMPARE(f.value("rs485_parity"), rs485.at(1));
        QCOMPARE(f.value("rs485_stop_bits"), rs485.at(2));
        QCOMPARE(f.value("rs485_data_bits"), rs485.at(3));
        QCOMPARE(f.tester.unexpected(), QStringList());
    }

    void settingsAsReceived()
    {
        Fixture f;
        f.controller->handleReplyBody(dimmerInfo(
            R"("settings":{"soft_version":"1.7.3","input_autodetect":"false","v_ref":3.3,)"
            R"("v_power_supply":"24.1","inner_tmp":41.5,"extern_tmp":null,"modbus_address":17,)"
            R"("save_counter":12,"crosszero_offset":500,"dimmer_half_period":10000,)"
            R"("dimmer_pulse_duration":9000,"dimmer_use_timer_sinch":"false","unknown":1})"));
        QCOMPARE(f.value("dimm_soft_version"), QVariant(QStringLiteral("1.7.3")));
        QCOMPARE(f.value("input_autodetect"), QVariant(false));
        QCOMPARE(f.value("v_ref"), QVariant(3.3));
        QCOMPARE(f.value("v_power_supply"), QVariant(QStringLiteral("24.1")));
        QCOMPARE(f.value("inner_tmp"), QVariant(41.5));
        QCOMPARE(f.value("extern_tmp").userType(), int(QMetaType::Nullptr));
        QCOMPARE(f.value("modbus_address").toInt(), 17);
        QCOMPARE(f.value("save_counter").toInt(), 12);
        QCOMPARE(f.value("crosszero_offset").toInt(), 500);
        QCOMPARE(f.value("dimmer_half_period").toInt(), 10000);
        QCOMPARE(f.value("dimmer_pulse_duration").toInt(), 9000);
        // Received as the text, not read as a flag.
        QCOMPARE(f.value("dimmer_use_timer_sinch"), QVariant(QStringLiteral("false")));
        QCOMPARE(f.tester.unexpected(), QStringList());
    }

    void inputsArePaddedUpToTheHighestNumber()
    {
        Fixture f;
        f.controller->handleReplyBody(
            dimmerInfo(R"("inputs":{"channel_2":{"type":"ADC","volt_value":3.3}})"));
        QCOMPARE(f.value("inputs_count"), QVariant(2));
        QCOMPARE(f.value("inputs_types"), QVariant(QVariantList{0, 1}));
        QCOMPARE(f.value("inputs_values"), QVariant(QVariantList{QStringLiteral("0.0"), 3.3}));

        f.controller->handleReplyBody(dimmerInfo(
            R"("inputs":{"channel_1":{"type":"CH_TOGGLE_ON_OFF","volt_value":null},)"
            R"("channel_3":{"type":"SOMETHING","volt_value":"1.2"},"channel_x":{"type":"ADC"}})"));
        QCOMPARE(f.value("inputs_count"), QVariant(3));
        QCOMPARE(f.value("inputs_types"), QVariant(QVariantList{6, 0, 0}));
        QCOMPARE(f.value("inputs_values"),
                 QVariant(QVariantList{QStringLiteral("0.0"), QStringLiteral("0.0"),
                                       QStringLiteral("1.2")}));

        // No input member: the lists stay as they are.
        f.controller->handleReplyBody(dimmerInfo(R"("inputs":{"count":2})"));
        QCOMPARE(f.value("inputs_count"), QVariant(3));
        QCOMPARE(f.tester.unexpected(), QStringList());
    }

    void autosaveReachesTheChannelsTheReplyNamed()
    {
        Fixture f;
        f.addChannels(3);
        f.controller->handleReplyBody(dimmerInfo(R"("settings":{"autosave":false})"));
        QCOMPARE(f.value("autosave_settings"), QVariant(false));
        for (int row = 0; row < 3; ++row) {
            QCOMPARE(f.value(row, "autosave_settings"), QVariant(true));
        }

        f.controller->handleReplyBody(dimmerInfo(R"("outputs":{"channel_2":{}},)"
                                                 R"("structure":{"channel_3":{"name":"c"}},)"
                                                 R"("settings":{"autosave":"x"})"));
        QCOMPARE(f.value("autosave_settings"), QVariant(QStringLiteral("x")));
        QCOMPARE(f.value(0, "autosave_settings"), QVariant(true));
        QCOMPARE(f.value(1, "autosave_settings"), QVariant(QStringLiteral("x")));
        QCOMPARE(f.value(2, "autosave_settings"), QVariant(QStringLiteral("x")));
        QCOMPARE(f.tester.unexpected(), QStringList());
    }

    void oneUpdatePerNodeControllerFirst()
    {
        Fixture f;
        f.addChannels(3);
        QSignalSpy changed(&f.root, &QAbstractItemModel::dataChanged);
        f.controller->handleReplyBody(
            dimmerInfo(R"("outputs":{"channel_3":{"brightness":9,"slow_time":20},)"
                       R"("channel_1":{"brightness":8,"type":"PWM"}},)"
                       R"("structure":{"channel_1":{"name":"One"},"channel_2":{"name":"Лампа 2"}},)"
                       R"("settings":{"modbus_address":5,"save_counter":3},)"
                       R"("inputs":{"channel_1":{"type":"ADC"}})"));
        // Channel 2 is named but unchanged: no signal for it.
        QCOMPARE(changed.count(), 3);
        QCOMPARE(changed.at(0).at(0).toModelIndex(), f.self());
        QCOMPARE(changed.at(0).at(2).value<QVector<int>>().size(), 5);
        QCOMPARE(changed.at(1).at(0).toModelIndex(), f.channel(0));
        QCOMPARE(changed.at(1).at(2).value<QVector<int>>().size(), 3);
        QCOMPARE(changed.at(2).at(0).toModelIndex(), f.channel(2));
        QCOMPARE(changed.at(2).at(2).value<QVector<int>>().size(), 2);
        QCOMPARE(f.tester.unexpected(), QStringList());
    }

    // Neighbouring channels that changed are reported as one range with every
    // role that changed in it; a channel in between that did not splits it.
    void neighbouringChangedChannelsShareOneSignal()
    {
        Fixture f;
        f.addChannels(4);
        QSignalSpy changed(&f.root, &QAbstractItemModel::dataChanged);
        f.controller->handleReplyBody(dimmerInfo(
            R"("outputs":{"channel_1":{"brightness":8},"channel_2":{"slow_time":20},)"
            R"("channel_4":{"brightness":3}},"structure":{"channel_3":{"name":"Лампа 3"}})"));
        QCOMPARE(changed.count(), 2);
        QCOMPARE(changed.at(0).at(0).toModelIndex(), f.channel(0));
        QCOMPARE(changed.at(0).at(1).toModelIndex(), f.channel(1));
        QCOMPARE(changed.at(0).at(2).value<QVector<int>>().size(), 2);
        QCOMPARE(changed.at(1).at(0).toModelIndex(), f.channel(3));
        QCOMPARE(changed.at(1).at(1).toModelIndex(), f.channel(3));
        QCOMPARE(f.value(1, "slow_time"), QVariant(20));
        QCOMPARE(f.tester.unexpected(), QStringList());
    }

    // The same bytes again change nothing, unless a value changed here since:
    // then they put the device's value back.
    void repeatedReplyRestoresAValueChangedSince()
    {
        Fixture f;
        f.addChannels(2);
        const QByteArray reply = dimmerInfo(R"("outputs":{"channel_2":{"brightness":40}})");
        f.controller->handleReplyBody(reply);
        QVERIFY(f.root.write(f.channel(1), "brightness", 90));
        QSignalSpy changed(&f.root, &QAbstractItemModel::dataChanged);
        f.controller->handleReplyBody(reply);
        QCOMPARE(f.value(1, "brightness"), QVariant(40));
        QCOMPARE(changed.count(), 1);
        f.controller->handleReplyBody(reply);
        QCOMPARE(changed.count(), 1);
    }

    void outOfRangeNumbersAllocateNothing_data()
    {
        QTest::addColumn<QByteArray>("members");
        QTest::newRow("output 5000")
            << QByteArray(R"("outputs":{"channel_5000":{"brightness":1}})");
        QTest::newRow("output 2000000000")
            << QByteArray(R"("outputs":{"channel_2000000000":{"brightness":1}})");
        QTest::newRow("name 1025") << QByteArray(R"("structure":{"channel_1025":{"name":"x"}})");
        QTest::newRow("input 2000000000")
            << QByteArray(R"("inputs":{"channel_2000000000":{"type":"ADC"}})");
        QTest::newRow("input beyond int")
            << QByteArray(R"("inputs":{"channel_99999999999":{"type":"ADC"}})");
    }

    void outOfRangeNumbersAllocateNothing()
    {
        QFETCH(QByteArray, members);
        Fixture f;
        f.addChannels(1);
        QSignalSpy changed(&f.root, &QAbstractItemModel::dataChanged);
        QSignalSpy layout(&f.root, &QAbstractItemModel::layoutChanged);
        QSignalSpy inserted(&f.root, &QAbstractItemModel::rowsInserted);
        f.controller->handleReplyBody(dimmerInfo(members + R"(,"settings":{"autosave":false})"));
        QCOMPARE(f.channelCount(), 1);
        QCOMPARE(inserted.count(), 0);
        QCOMPARE(layout.count(), 0);
        QCOMPARE(f.value("inputs_count"), QVariant(0));
        QCOMPARE(f.value("inputs_types"), QVariant(QVariantList()));
        // Only the settings member applied, to the controller alone.
        QCOMPARE(changed.count(), 1);
        QCOMPARE(changed.at(0).at(0).toModelIndex(), f.self());
        QCOMPARE(f.value(0, "autosave_settings"), QVariant(true));

        // The highest accepted number still works.
        f.controller->handleReplyBody(
            dimmerInfo(R"("outputs":{"channel_1024":{}},"inputs":{"channel_1024":{}})"));
        QCOMPARE(f.channelCount(), 2);
        QCOMPARE(f.value(1, "light_id"), QVariant(1024));
        QCOMPARE(f.value("inputs_count"), QVariant(1024));
        QCOMPARE(f.tester.unexpected(), QStringList());
    }

    // No more channels than a settings file keeps, the lowest numbers first.
    void repliesCreateNoMoreChannelsThanTheLimit()
    {
        Fixture f;
        f.addChannels(DeviceLimits::MaxChannels + 10);
        QCOMPARE(f.channelCount(), DeviceLimits::MaxChannels);
        QCOMPARE(f.value(DeviceLimits::MaxChannels - 1, "light_id"),
                 QVariant(DeviceLimits::MaxChannels));
        QCOMPARE(f.tester.unexpected(), QStringList());
    }

    void channelNobodyAdoptsIsNotKept()
    {
        // No tree takes the new channel: the reply still applies everything else.
        NorvaleoDimmer controller(QStringLiteral("127.0.0.2"), QString(), uniqueId,
                                  QStringLiteral("Alone"), 0, nullptr);
        controller.handleReplyBody(dimmerInfo(R"("outputs":{"channel_1":{"brightness":5}},)"
                                              R"("settings":{"modbus_address":9})"));
        QCOMPARE(controller.rowCount(), 0);
        QVERIFY(controller.findChildren<AbstractDeviceModel *>().isEmpty());
        const QModelIndex self = AbstractDeviceModel::indexOfItem(&controller, &controller);
        QCOMPARE(controller.data(self, controller.roleByName("modbus_address")).toInt(), 9);
        QCOMPARE(controller.data(self, controller.roleByName("connection_status")), QVariant(true));
    }
};

QTEST_GUILESS_MAIN(TestNorvaleoDimmer)
#include "tst_norvaleodimmer.moc"
