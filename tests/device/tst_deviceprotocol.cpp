#include "device/deviceprotocol.h"
#include "device/dimmerinputstypes.h"
#include "model/dimmer.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

namespace {

using Roles = QMap<QByteArray, QVariant>;

QString encoded(const QUrlQuery &query)
{
    return query.query(QUrl::FullyEncoded);
}

QString encoded(const std::optional<QUrlQuery> &query)
{
    return query ? encoded(*query) : QStringLiteral("<nothing>");
}

QString encoded(const std::optional<DeviceProtocol::GroupRequest> &group)
{
    return group ? encoded(group->query) : QStringLiteral("<nothing>");
}

} // namespace

class TestDeviceProtocol : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void singleValueQueries_data()
    {
        QTest::addColumn<QString>("query");
        QTest::addColumn<QString>("expected");
        const QString set = QStringLiteral("request_type=set&item_type=");
        QTest::newRow("system info") << encoded(DeviceProtocol::systemInfo())
                                     << QStringLiteral("request_type=get&item_type=system_info");
        QTest::newRow("dimmer info") << encoded(DeviceProtocol::dimmerInfo())
                                     << QStringLiteral("request_type=get&item_type=dimmer_info");
        QTest::newRow("brightness 3 40")
            << encoded(DeviceProtocol::brightness(3, 40)) << set + "light_brightness&ch_3=40";
        QTest::newRow("brightness text not a number")
            << encoded(DeviceProtocol::brightness(1, QStringLiteral("bright")))
            << set + "light_brightness&ch_1=0";
        QTest::newRow("max threshold") << encoded(DeviceProtocol::maxBrightness(2, 200))
                                       << set + "light_max_threshold&ch_2=200";
        QTest::newRow("min threshold")
            << encoded(DeviceProtocol::minBrightness(2, 5)) << set + "light_min_threshold&ch_2=5";
        QTest::newRow("slow time") << encoded(DeviceProtocol::slowTime(4, QStringLiteral("2500")))
                                   << set + "light_slowtime&ch_4=2500";
        QTest::newRow("channel name")
            << encoded(DeviceProtocol::channelName(7, QStringLiteral("Kitchen")))
            << set + "channel_name&ch_7=Kitchen";
        // A form decoder reads a raw "+" as a blank and a raw "%" as an escape.
        QTest::newRow("channel name with plus and percent")
            << encoded(DeviceProtocol::channelName(7, QStringLiteral("A+B 100% %41")))
            << set + "channel_name&ch_7=A%2BB%20100%25%20%2541";
        QTest::newRow("autosave on")
            << encoded(DeviceProtocol::autosave(true)) << set + "autosave&val=true";
        QTest::newRow("autosave from text")
            << encoded(DeviceProtocol::autosave(QStringLiteral("false")))
            << set + "autosave&val=false";
        QTest::newRow("input autodetect")
            << encoded(DeviceProtocol::inputAutodetect(1)) << set + "input_autodetect&val=true";
        QTest::newRow("modbus address")
            << encoded(DeviceProtocol::modbusAddress(17)) << set + "modbus_address&val=17";
        QTest::newRow("crosszero offset")
            << encoded(DeviceProtocol::crosszeroOffset(QStringLiteral("x")))
            << set + "crosszero_offset&val=0";
        QTest::newRow("half period") << encoded(DeviceProtocol::dimmerHalfPeriod(10000))
                                     << set + "dimmer_half_period&val=10000";
        QTest::newRow("pulse duration") << encoded(DeviceProtocol::dimmerPulseDuration(9000))
                                        << set + "dimmer_pulse_duration&val=9000";
        QTest::newRow("light type none")
            << encoded(DeviceProtocol::lightType(1, int(Dimmer::NO_TYPE)))
            << QStringLiteral("<nothing>");
        QTest::newRow("light type not a number")
            << encoded(DeviceProtocol::lightType(1, QStringLiteral("PWM")))
            << QStringLiteral("<nothing>");
        QTest::newRow("light type 2")
            << encoded(DeviceProtocol::lightType(1, 2)) << set + "light_type&ch_1=L_EDGE";
        QTest::newRow("light type enum value")
            << encoded(DeviceProtocol::lightType(5, QVariant::fromValue(Dimmer::DIGITAL)))
            << set + "light_type&ch_5=DIGITAL";
        // A value without a key would reach the device as a blank.
        QTest::newRow("light type without key")
            << encoded(DeviceProtocol::lightType(1, 9)) << QStringLiteral("<nothing>");
        QTest::newRow("inputs 2 0 5")
            << encoded(DeviceProtocol::inputsTypes(QVariantList{2, 0, 5}))
            << set + "input_type&ch_1=CH_ON_OFF_DIMMING&ch_2=NO_FUNCTION&ch_3=CH_CLASSIC_ON_OFF";
        QTest::newRow("inputs out of range")
            << encoded(DeviceProtocol::inputsTypes(QVariantList{2, 7}))
            << QStringLiteral("<nothing>");
        QTest::newRow("inputs negative")
            << encoded(DeviceProtocol::inputsTypes(QVariantList{-1, 2}))
            << QStringLiteral("<nothing>");
        QTest::newRow("inputs unconvertible")
            << encoded(DeviceProtocol::inputsTypes(QVariantList{QStringLiteral("ADC"), 6}))
            << set + "input_type&ch_1=NO_FUNCTION&ch_2=CH_TOGGLE_ON_OFF";
        QTest::newRow("inputs empty")
            << encoded(DeviceProtocol::inputsTypes(QVariantList())) << QStringLiteral("<nothing>");
    }

    void singleValueQueries()
    {
        QFETCH(QString, query);
        QFETCH(QString, expected);
        QCOMPARE(query, expected);
    }

    void valuesThatWouldBreakTheQueryAreEncoded()
    {
        const QString name = QStringLiteral("Hall & Stairs=2 #1");
        const QUrlQuery query = DeviceProtocol::deviceName(name);
        const QString text = encoded(query);
        QVERIFY2(text.contains(QLatin1String("%26")), qPrintable(text));
        QVERIFY2(text.contains(QLatin1String("%23")), qPrintable(text));
        // Read back the way a server splits it: three items, the name intact.
        const QUrlQuery parsed(text);
        const auto items = parsed.queryItems(QUrl::FullyDecoded);
        QCOMPARE(items.size(), 3);
        QCOMPARE(items.at(0), qMakePair(QStringLiteral("request_type"), QStringLiteral("set")));
        QCOMPARE(items.at(1),
                 qMakePair(QStringLiteral("item_type"), QStringLiteral("device_name")));
        QCOMPARE(items.at(2), qMakePair(QStringLiteral("name"), name));
    }

    // Each settings group the pages send: what the device is asked and the
    // roles the node takes, or nothing for a value it cannot send.
    void settingsGroups_data()
    {
        QTest::addColumn<QByteArray>("group");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("query");
        QTest::addColumn<Roles>("roles");
        const auto row = [](const char *group, const char *tag) -> QTestData & {
            return QTest::addRow("%s: %s", group, tag) << QByteArray(group);
        };
        {
            const QString prefix = QStringLiteral("request_type=set&item_type=wifi_settings&");
            const Roles cleared{{"wifi_status", false}, {"wifi_pass", QStringLiteral("")}};

            Roles dhcpOn = cleared;
            dhcpOn.insert("wifi_dhcp", true);
            row("wifi", "no ssid, dhcp on")
                << R"({"wifi_settings":{"wifi_dhcp":"true"}})" << prefix + "dhcp=true" << dhcpOn;
            row("wifi", "ssid marked missing")
                << R"({"wifi_settings":{"wifi_ssid":";undefined;","wifi_pass":"x","wifi_dhcp":"yes"}})"
                << prefix + "dhcp=true" << dhcpOn;
            row("wifi", "dhcp as JSON false reads as on")
                << R"({"wifi_settings":{"wifi_dhcp":false,"wifi_ip":"10.0.0.5"}})"
                << prefix + "dhcp=true" << dhcpOn;

            Roles withSsid = dhcpOn;
            withSsid.insert("wifi_ssid", QStringLiteral("Home Net"));
            row("wifi", "ssid and password")
                << R"({"wifi_settings":{"wifi_ssid":"Home Net","wifi_pass":"p&q","wifi_dhcp":"true"}})"
                << prefix + "ssid=Home%20Net&pass=p%26q&dhcp=true" << withSsid;
            Roles plusSsid = dhcpOn;
            plusSsid.insert("wifi_ssid", QStringLiteral("Net+"));
            row("wifi", "plus in ssid and password")
                << R"({"wifi_settings":{"wifi_ssid":"Net+","wifi_pass":"a+b","wifi_dhcp":"true"}})"
                << prefix + "ssid=Net%2B&pass=a%2Bb&dhcp=true" << plusSsid;

            Roles fixed = cleared;
            fixed.insert("wifi_dhcp", false);
            fixed.insert("ipAddress_2", QStringLiteral("10.0.0.9"));
            fixed.insert("wifi_mask", QStringLiteral("255.255.255.0"));
            fixed.insert("wifi_gate", QStringLiteral("10.0.0.1"));
            fixed.insert("wifi_ssid", QStringLiteral("N"));
            row("wifi", "static address, no password")
                << R"({"wifi_settings":{"wifi_ssid":"N","wifi_dhcp":"false","wifi_ip":"10.0.0.9",)"
                   R"("wifi_mask":"255.255.255.0","wifi_gate":"10.0.0.1"}})"
                << prefix + "ssid=N&pass=&dhcp=false&ip_address=10.0.0.9&ip_mask=255.255.255.0&"
                            "ip_gate=10.0.0.1"
                << fixed;

            const QString nothing = QStringLiteral("<nothing>");
            row("wifi", "no dhcp member")
                << R"({"wifi_settings":{"wifi_ssid":"N"}})" << nothing << Roles();
            row("wifi", "group null") << R"({"wifi_settings":null})" << nothing << Roles();
            row("wifi", "group missing") << R"({"wifi_dhcp":"true"})" << nothing << Roles();
            row("wifi", "not JSON") << "wifi_dhcp=true" << nothing << Roles();
            row("wifi", "empty") << "" << nothing << Roles();
        }
        {
            const QString prefix = QStringLiteral("request_type=set&item_type=lan_settings&");
            row("lan", "static")
                << R"({"lan_settings":{"lan_dhcp":"false","lan_ip":"10.0.0.7",)"
                   R"("lan_mask":"255.0.0.0","lan_gate":"10.0.0.1"}})"
                << prefix + "dhcp=false&ip_address=10.0.0.7&ip_mask=255.0.0.0&ip_gate=10.0.0.1"
                << Roles{{"lan_dhcp", false},
                         {"ipAddress_1", QStringLiteral("10.0.0.7")},
                         {"lan_mask", QStringLiteral("255.0.0.0")},
                         {"lan_gate", QStringLiteral("10.0.0.1")},
                         {"lan_status", false}};
            row("lan", "leading zeros are decimal")
                << R"({"lan_settings":{"lan_dhcp":"false","lan_ip":"10.0.0.010",)"
                   R"("lan_mask":"255.000.0.0","lan_gate":"10.0.0.001"}})"
                << prefix + "dhcp=false&ip_address=10.0.0.10&ip_mask=255.0.0.0&ip_gate=10.0.0.1"
                << Roles{{"lan_dhcp", false},
                         {"ipAddress_1", QStringLiteral("10.0.0.10")},
                         {"lan_mask", QStringLiteral("255.0.0.0")},
                         {"lan_gate", QStringLiteral("10.0.0.1")},
                         {"lan_status", false}};
            // A controller given half an address is lost until reset by hand.
            row("lan", "half an address")
                << R"({"lan_settings":{"lan_dhcp":"false","lan_ip":"10.0.0",)"
                   R"("lan_mask":"255.0.0.0","lan_gate":"10.0.0.1"}})"
                << QStringLiteral("<nothing>") << Roles();
            row("lan", "mask with a hole")
                << R"({"lan_settings":{"lan_dhcp":"false","lan_ip":"10.0.0.7",)"
                   R"("lan_mask":"255.0.255.0","lan_gate":"10.0.0.1"}})"
                << QStringLiteral("<nothing>") << Roles();
            row("lan", "no gateway")
                << R"({"lan_settings":{"lan_dhcp":"false","lan_ip":"10.0.0.7",)"
                   R"("lan_mask":"255.0.0.0"}})"
                << QStringLiteral("<nothing>") << Roles();
            row("lan", "dhcp ignores addresses")
                << R"({"lan_settings":{"lan_dhcp":"true","lan_ip":"10.0.0.7"}})"
                << prefix + "dhcp=true" << Roles{{"lan_dhcp", true}, {"lan_status", false}};
            row("lan", "dhcp null") << R"({"lan_settings":{"lan_dhcp":null,"lan_ip":"1.2.3.4"}})"
                                    << QStringLiteral("<nothing>") << Roles();
            row("lan", "array document") << R"([{"lan_settings":{"lan_dhcp":"true"}}])"
                                         << QStringLiteral("<nothing>") << Roles();
        }
        {
            const QString prefix = QStringLiteral("request_type=set&item_type=dimming_parameters");
            row("dimming", "only half period")
                << R"({"half_period":"9900"})" << prefix + "&half_period=9900"
                << Roles{{"dimmer_half_period", 9900}};
            row("dimming", "all, in the device's order")
                << R"({"use_timer_sinch":"false","pulse_duration":"8000","half_period":"10000",)"
                   R"("crosszero_offset":"abc"})"
                << prefix + "&crosszero_offset=abc&half_period=10000&pulse_duration=8000&use_timer_"
                            "sinch=false"
                << Roles{{"crosszero_offset", 0},
                         {"dimmer_half_period", 10000},
                         {"dimmer_pulse_duration", 8000},
                         {"dimmer_use_timer_sinch", false}};
            row("dimming", "numbers must come as text")
                << R"({"half_period":9900,"use_timer_sinch":""})" << prefix << Roles();
            row("dimming", "not JSON")
                << "half_period=9900" << QStringLiteral("<nothing>") << Roles();
        }
        {
            row("rs485", "19200 8E2")
                << "19200 8E2"
                << QStringLiteral("request_type=set&item_type=rs485_settings&speed=19200&mode=8E2")
                << Roles{{"rs485_speed", 19200},
                         {"rs485_data_bits", 8},
                         {"rs485_parity", QStringLiteral("E")},
                         {"rs485_stop_bits", 2}};
            row("rs485", "not checked against the accepted values")
                << "abc 7O3x"
                << QStringLiteral("request_type=set&item_type=rs485_settings&speed=abc&mode=7O3x")
                << Roles{{"rs485_speed", 0},
                         {"rs485_data_bits", 7},
                         {"rs485_parity", QStringLiteral("O")},
                         {"rs485_stop_bits", 3}};
            const QString nothing = QStringLiteral("<nothing>");
            row("rs485", "speed alone") << "19200" << nothing << Roles();
            row("rs485", "short mode") << "19200 8E" << nothing << Roles();
            row("rs485", "two blanks") << "19200  8E2" << nothing << Roles();
        }
    }

    void settingsGroups()
    {
        QFETCH(QByteArray, group);
        QFETCH(QString, text);
        QFETCH(QString, query);
        QFETCH(Roles, roles);
        const QHash<QByteArray, decltype(&DeviceProtocol::wifiSettings)> parsers{
            {"wifi", &DeviceProtocol::wifiSettings},
            {"lan", &DeviceProtocol::lanSettings},
            {"dimming", &DeviceProtocol::dimmingSettings},
            {"rs485", &DeviceProtocol::rs485Settings}};
        const auto request = parsers.value(group)(text);
        QCOMPARE(encoded(request), query);
        QCOMPARE(request ? request->roles : Roles(), roles);
    }

    void replyValueConversions()
    {
        const auto value = [](const char *json) {
            return QJsonDocument::fromJson(QByteArray("{\"v\":") + json + "}")
                .object()
                .value(QLatin1String("v"));
        };
        QCOMPARE(DeviceProtocol::intOf(value("40")), 40);
        QCOMPARE(DeviceProtocol::intOf(value("-3")), -3);
        QCOMPARE(DeviceProtocol::intOf(value("40.0")), 40);
        QCOMPARE(DeviceProtocol::intOf(value("40.5")), 0);
        QCOMPARE(DeviceProtocol::intOf(value("\"40\"")), 0);
        QCOMPARE(DeviceProtocol::intOf(value("true")), 0);
        QCOMPARE(DeviceProtocol::intOf(value("3000000000")), 0);
        QCOMPARE(DeviceProtocol::intOf(value("-1e300")), 0);

        QVERIFY(DeviceProtocol::flagOf(QString()));
        QVERIFY(DeviceProtocol::flagOf(QStringLiteral("False")));
        QVERIFY(!DeviceProtocol::flagOf(QStringLiteral("false")));
        QVERIFY(DeviceProtocol::isConnected(value("\"connected\"")));
        QVERIFY(!DeviceProtocol::isConnected(value("\"Connected\"")));
        QVERIFY(!DeviceProtocol::isConnected(value("true")));

        QCOMPARE(DeviceProtocol::keyValue<Dimmer::Type>(QStringLiteral("PWM")), 3);
        QCOMPARE(DeviceProtocol::keyValue<Dimmer::Type>(QStringLiteral("Dimmer::PWM")), -1);
        QCOMPARE(DeviceProtocol::keyValue<Dimmer::Type>(QStringLiteral("pwm")), -1);
        QCOMPARE(DeviceProtocol::keyValue<DimmerInputsTypes::Type>(QStringLiteral("ADC")), 1);
    }

    void channelNumbers_data()
    {
        QTest::addColumn<QString>("member");
        QTest::addColumn<int>("number");
        QTest::newRow("channel_3") << "channel_3" << 3;
        QTest::newRow("leading zero") << "channel_03" << 3;
        QTest::newRow("any separator") << "channel-12" << 12;
        QTest::newRow("highest") << "channel_1024" << 1024;
        QTest::newRow("above the bound") << "channel_1025" << 0;
        QTest::newRow("far above") << "channel_2000000000" << 0;
        QTest::newRow("beyond int") << "channel_99999999999" << 0;
        QTest::newRow("zero") << "channel_0" << 0;
        QTest::newRow("negative") << "channel_-4" << 0;
        QTest::newRow("no number") << "channel_x" << 0;
        QTest::newRow("no separator") << "channel3" << 0;
        QTest::newRow("other member") << "count_3" << 0;
        QTest::newRow("case matters") << "Channel_3" << 0;
    }

    void channelNumbers()
    {
        QFETCH(QString, member);
        QFETCH(int, number);
        QCOMPARE(DeviceProtocol::channelNumber(member), number);
    }
};

QTEST_GUILESS_MAIN(TestDeviceProtocol)
#include "tst_deviceprotocol.moc"
