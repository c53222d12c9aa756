#include "registry/configurationplan.h"
#include "registry/controllerconfiguration.h"
#include "registry/roleregistry.h"

#include "../common/devicetree.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

namespace {

ControllerConfiguration sample()
{
    ControllerConfiguration configuration;
    configuration.origin.type = QStringLiteral("NORVALEO_DIMMER");
    configuration.origin.takenAt = QDateTime(QDate(2026, 12, 7), QTime(10, 0), Qt::UTC);
    configuration.name = QStringLiteral("Кухня");
    configuration.lan = {QString(), false, "10.0.0.7", "255.255.255.0", "10.0.0.1"};
    configuration.wifi = {"Дом", true, QString(), QString(), QString()};
    configuration.inputsTypes = {1, 0};
    configuration.halfPeriod = 10000;
    configuration.channels = {{1, "Люстра", 1, 0, 255, 1000}, {3, "Бра", 2, 5, 200, 0}};
    return configuration;
}

// The sample's document with one member, named by its path, replaced.
QByteArray changed(const QString &path, const QJsonValue &value)
{
    QJsonObject document = QJsonDocument::fromJson(sample().toJson()).object();
    const QStringList parts = path.split('.');
    if (parts.size() == 1) {
        document.insert(path, value);
    } else if (parts.first() == QLatin1String("channels")) {
        QJsonArray channels = document.value("channels").toArray();
        QJsonObject channel = channels.at(1).toObject();
        channel.insert(parts.last(), value);
        channels.replace(1, channel);
        document.insert("channels", channels);
    } else {
        QJsonObject group = document.value(parts.first()).toObject();
        group.insert(parts.last(), value);
        document.insert(parts.first(), group);
    }
    return QJsonDocument(document).toJson();
}

} // namespace

class TestControllerConfiguration : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { RoleRegistry::fill(); }

    // Roles keep the types replies gave them: flags may arrive as texts.
    void readsTheControllersRoles()
    {
        QTemporaryDir directory;
        RootModel root(nullptr, directory.path());
        const QModelIndex controller =
            DeviceTree::addController(root, "NV-1", "Кухня", "10.0.0.7", "10.0.0.8");
        const QModelIndex bra = DeviceTree::addChannel(root, controller, "Бра", 3);
        DeviceTree::addChannel(root, controller, "Люстра", 1);
        const auto put = [&](const QModelIndex &index, const QByteArray &role,
                             const QVariant &value) {
            QVERIFY(root.setData(index, value, DeviceTree::role(role)));
        };
        put(controller, "dimmer_use_timer_sinch", "false");
        put(controller, "dimmer_half_period", 9900.0);
        put(controller, "inputs_types", QVariantList{1, 6});
        put(controller, "wifi_dhcp", true);
        put(bra, "light_type", 2);
        put(bra, "max_brightness", 200);

        const ControllerConfiguration read =
            ControllerConfiguration::fromController(root, controller);
        QCOMPARE(read.origin.uniqueId, QStringLiteral("NV-1"));
        QCOMPARE(read.origin.type, QStringLiteral("NORVALEO_DIMMER"));
        QCOMPARE(read.lan.address, QStringLiteral("10.0.0.7"));
        QVERIFY(read.wifi.dhcp);
        QVERIFY(!read.useTimerSinch);
        QCOMPARE(read.halfPeriod, 9900);
        QCOMPARE(read.inputsTypes, (QVector<int>{1, 6}));
        QCOMPARE(read.channels.size(), 2);
        QCOMPARE(read.channels.at(0).name, QStringLiteral("Люстра"));
        QCOMPARE(read.channels.at(1).lightType, 2);
        QCOMPARE(read.channels.at(1).maxBrightness, 200);
    }

    void writtenFileReadsBackTheSame()
    {
        QTemporaryDir directory;
        const QString path = directory.filePath("kitchen.json");
        QString error;
        QVERIFY(sample().writeFile(path, &error));
        const std::optional<ControllerConfiguration> read =
            ControllerConfiguration::readFile(path, &error);
        QVERIFY2(read, qPrintable(error));
        QCOMPARE(read->toJson(), sample().toJson());
    }

    void unknownMembersAreIgnored()
    {
        QString error;
        QVERIFY2(ControllerConfiguration::fromJson(changed("comment", "от монтажника"), &error),
                 qPrintable(error));
    }

    void badFileNamesMemberAndReason_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QString>("message");
        QTest::newRow("not JSON") << QByteArray("{\"format\":") << "не JSON";
        QTest::newRow("oversized") << QByteArray(ControllerConfiguration::MaxFileBytes + 1, ' ')
                                   << "файл больше 1048576 байт";
        QTest::newRow("foreign") << changed("format", "settings") << "format: не файл";
        QTest::newRow("newer") << changed("version", 2) << "version: файл версии 2";
        QTest::newRow("missing") << changed("dimming", QJsonObject())
                                 << "dimming.crosszero_offset: нет в файле";
        QTest::newRow("wrong type")
            << changed("autosave_settings", "true") << "autosave_settings: нужно true или false";
        QTest::newRow("output type") << changed("channels.light_type", "HALOGEN")
                                     << "channels[1].light_type: неизвестное значение «HALOGEN»";
        QTest::newRow("threshold") << changed("channels.max_brightness", 256)
                                   << "channels[1].max_brightness: нужно целое число от 0 до 255";
        QTest::newRow("fraction") << changed("channels.slow_time", 2.5)
                                  << "channels[1].slow_time: нужно целое число";
        QTest::newRow("repeated channel")
            << changed("channels.light_id", 1) << "channels[1].light_id: канал 1 уже есть";
        QTest::newRow("half period")
            << changed("dimming.dimmer_half_period", 20001)
            << "dimming.dimmer_half_period: нужно целое число от 0 до 20000";
        QTest::newRow("speed") << changed("rs485.rs485_speed", 14400)
                               << "rs485.rs485_speed: скорости 14400 нет";
        QTest::newRow("parity") << changed("rs485.rs485_parity", "O") << "rs485.rs485_parity:";
        QTest::newRow("modbus") << changed("modbus_address", 0) << "modbus_address:";
        QTest::newRow("static address")
            << changed("lan.ipAddress_1", "10.0.0") << "lan.ipAddress_1: нужен адрес IPv4";
        QTest::newRow("static mask")
            << changed("lan.lan_mask", "255.0.255.0") << "lan.lan_mask: нужна маска подсети";
        QTest::newRow("static gateway")
            << changed("lan.lan_gate", "") << "lan.lan_gate: нужен адрес IPv4";
        QTest::newRow("input") << changed("inputs_types", QJsonArray{"ADC", "PUSH"})
                               << "inputs_types[1]: неизвестная функция входа";
        QTest::newRow("empty name") << changed("name", "") << "name: пустая строка";
    }

    void badFileNamesMemberAndReason()
    {
        QFETCH(QByteArray, json);
        QFETCH(QString, message);
        QString error;
        QVERIFY(!ControllerConfiguration::fromJson(json, &error));
        QVERIFY2(error.startsWith(message), qPrintable(error));
    }

    // Channels, inputs, dimming, RS-485, Modbus, autosave, the name, then
    // the network; missing channels are skipped.
    void planSendsInTheOrderOfThePages()
    {
        ControllerConfiguration current = sample();
        current.channels = {{1, "Лампа 1", 2, 0, 255, 1000}, {2, "Лампа 2", 1, 0, 255, 0}};
        current.inputsTypes = {0, 0, 6};
        current.halfPeriod = 9000;
        current.rs485Speed = 19200;
        current.modbusAddress = 5;
        current.autosave = false;
        current.name = QStringLiteral("Спальня");
        current.wifi.ssid = QStringLiteral("Соседи");
        current.lan.address = QStringLiteral("10.0.0.8");
        QString error;
        const std::optional<ConfigurationPlan> plan =
            ConfigurationPlan::build(current, sample(), &error);
        QVERIFY(plan);
        QCOMPARE(plan->skippedChannels, QVector<int>{3});
        QVERIFY(plan->wifiNeedsPassword);
        QStringList queries;
        for (const ConfigurationPlan::Request &request : plan->requestsToSend(true, "тайна")) {
            queries.append(ConfigurationPlan::queryOf(request).value_or(QUrlQuery()).toString());
        }
        QCOMPARE(
            queries,
            (QStringList{"request_type=set&item_type=channel_name&ch_1=Люстра",
                         "request_type=set&item_type=light_type&ch_1=T_EDGE",
                         "request_type=set&item_type=input_type&ch_1=ADC&ch_2=NO_FUNCTION&ch_3=CH_"
                         "TOGGLE_ON_OFF",
                         "request_type=set&item_type=dimming_parameters&crosszero_offset=0&half_"
                         "period=10000&"
                         "pulse_duration=0&use_timer_sinch=true",
                         "request_type=set&item_type=rs485_settings&speed=9600&mode=8N1",
                         "request_type=set&item_type=modbus_address&val=1",
                         "request_type=set&item_type=autosave&val=true",
                         "request_type=set&item_type=device_name&name=Кухня",
                         "request_type=set&item_type=wifi_settings&ssid=Дом&pass=тайна&dhcp=true",
                         "request_type=set&item_type=lan_settings&dhcp=false&ip_address=10.0.0.7&"
                         "ip_mask=255.255.255.0&ip_gate=10.0.0.1"}));
        QCOMPARE(plan->requestsToSend(false, QString()).size(), queries.size() - 2);

        ControllerConfiguration other = sample();
        other.origin.type = QStringLiteral("NORVALEO_RELAY");
        QVERIFY(!ConfigurationPlan::build(current, other, &error));
        QVERIFY(error.contains("NORVALEO_RELAY"));
    }
};

QTEST_GUILESS_MAIN(TestControllerConfiguration)
#include "tst_controllerconfiguration.moc"
