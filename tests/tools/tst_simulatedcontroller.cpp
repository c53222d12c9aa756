#include "simulatedcontroller.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QUrlQuery>
#include <QtTest>

#include <memory>

namespace {

const QString wired = QStringLiteral("127.0.0.2");
const QString wifi = QStringLiteral("127.0.0.3");

QString encodedQuery(const QList<QPair<QString, QString>> &items)
{
    QUrlQuery query;
    query.setQueryItems(items);
    return query.toString(QUrl::FullyEncoded);
}

// The value at a slash-separated path such as "outputs/channel_2/brightness".
QJsonValue valueAt(const QJsonObject &object, const QString &path)
{
    QJsonValue value = object;
    for (const QString &key : path.split(QLatin1Char('/')))
        value = value.toObject().value(key);
    return value;
}

} // namespace

// The HTTP side of a simulated controller, driven through QNetworkAccessManager
// and raw sockets.
class TestSimulatedController : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void statusRepliesHaveTheDeviceForms();
    void setRequestChangesTheNextStatusReply_data();
    void setRequestChangesTheNextStatusReply();
    void refusedRequestChangesNothing_data();
    void refusedRequestChangesNothing();
    void staticAddressChangeKeepsTheListeningAddress();
    void requestLogKeepsAddressAndQueryInOrder();
    void silentAddressAcceptsButNeverAnswers();
    void refusingAddressRefusesConnections();
    void nonJsonBodyAndResponseTextOverride();
    void reportedUniqueIdReplacesTheRealOne();
    void delayedReplyArrivesAfterALaterOne();
    void trickleSendsOneByteAtATime();
    void movedControllerListensOnlyOnItsNewAddresses();
    void garbageDoesNotBreakTheController();

private:
    QNetworkReply *send(const QString &address, const QString &query,
                        const QString &path = QStringLiteral("/api"));
    static bool waitFinished(QNetworkReply *reply);
    // Body of a finished request, empty on any failure.
    QByteArray fetch(const QString &address, const QString &query);
    QJsonObject fetchJson(const QString &address, const QString &query);
    QJsonObject status(const QString &itemType);
    // What a raw TCP client gets back for `bytes` before the controller closes.
    static QByteArray rawExchange(const QString &address, const QByteArray &bytes);

    QNetworkAccessManager manager;
    std::unique_ptr<SimulatedController> controller;
};

void TestSimulatedController::initTestCase()
{
    manager.setProxy(QNetworkProxy::NoProxy);
}

void TestSimulatedController::init()
{
    controller = std::make_unique<SimulatedController>(wired, wifi, QStringLiteral("NV-0042"),
                                                       QStringLiteral("Гостиная"), 3);
    QVERIFY(controller->start());
}

void TestSimulatedController::cleanup()
{
    controller.reset();
}

QNetworkReply *TestSimulatedController::send(const QString &address, const QString &query,
                                             const QString &path)
{
    QUrl url;
    url.setScheme(QStringLiteral("http"));
    url.setHost(address);
    url.setPort(SimulatedController::HttpPort);
    url.setPath(path);
    if (!query.isNull())
        url.setQuery(query);
    QNetworkReply *reply = manager.get(QNetworkRequest(url));
    reply->setParent(this);
    return reply;
}

bool TestSimulatedController::waitFinished(QNetworkReply *reply)
{
    if (!reply->isFinished())
        QSignalSpy(reply, &QNetworkReply::finished).wait(5000);
    return reply->isFinished();
}

QByteArray TestSimulatedController::fetch(const QString &address, const QString &query)
{
    std::unique_ptr<QNetworkReply> reply(send(address, query));
    if (!waitFinished(reply.get()) || reply->error() != QNetworkReply::NoError)
        return {};
    return reply->readAll();
}

QJsonObject TestSimulatedController::fetchJson(const QString &address, const QString &query)
{
    return QJsonDocument::fromJson(fetch(address, query)).object();
}

QJsonObject TestSimulatedController::status(const QString &itemType)
{
    const QJsonObject reply =
        fetchJson(wired, QStringLiteral("request_type=get&item_type=") + itemType);
    if (reply.value("response") != "ok")
        return {};
    return reply.value(itemType).toObject();
}

QByteArray TestSimulatedController::rawExchange(const QString &address, const QByteArray &bytes)
{
    QTcpSocket socket;
    socket.connectToHost(address, SimulatedController::HttpPort);
    if (!socket.waitForConnected(3000))
        return {};
    socket.write(bytes);
    QByteArray received;
    QElapsedTimer timer;
    timer.start();
    while (socket.state() == QAbstractSocket::ConnectedState && timer.elapsed() < 5000) {
        QSignalSpy closed(&socket, &QTcpSocket::disconnected);
        if (!socket.bytesAvailable())
            closed.wait(50);
        received += socket.readAll();
    }
    return received + socket.readAll();
}

void TestSimulatedController::statusRepliesHaveTheDeviceForms()
{
    std::unique_ptr<QNetworkReply> reply(
        send(wifi, QStringLiteral("request_type=get&item_type=system_info")));
    QVERIFY(waitFinished(reply.get()));
    QCOMPARE(reply->error(), QNetworkReply::NoError);
    QCOMPARE(reply->header(QNetworkRequest::ContentTypeHeader).toString(),
             QStringLiteral("application/json"));
    const QByteArray body = reply->readAll();
    QCOMPARE(reply->header(QNetworkRequest::ContentLengthHeader).toInt(), body.size());
    QCOMPARE(reply->rawHeader("Connection"), QByteArray("close"));

    const QJsonObject reference = QJsonDocument::fromJson(R"({"response": "ok", "system_info": {
        "unique_id": "NV-0042", "name": "Гостиная", "version": "2.4.0",
        "wifi_settings": {"ssid": "NorvaleoHome", "status": "connected", "dhcp": "true",
                          "ip_address": "127.0.0.3", "ip_mask": "255.0.0.0",
                          "ip_gate": "127.0.0.1"},
        "lan_settings": {"status": "connected", "dhcp": "false", "ip_address": "127.0.0.2",
                         "ip_mask": "255.0.0.0", "ip_gate": "127.0.0.1"}}})")
                                      .object();
    QCOMPARE(QJsonDocument::fromJson(body).object(), reference);

    SimulatedController::Output output = controller->output(2);
    output.brightness = 75;
    output.type = QStringLiteral("L_EDGE");
    output.slowTime = 90500;
    output.minBrightness = 12;
    output.maxBrightness = 240;
    output.name = QStringLiteral("Бра");
    controller->setOutput(2, output);
    SimulatedController::Input input;
    input.type = QStringLiteral("ADC");
    input.voltValue = 3.3;
    controller->setInputs({SimulatedController::Input(), input});

    const QJsonObject dimmerInfo = status(QStringLiteral("dimmer_info"));
    QCOMPARE(dimmerInfo.value("outputs").toObject().keys(),
             QStringList({"channel_1", "channel_2", "channel_3"}));
    QCOMPARE(valueAt(dimmerInfo, "outputs/channel_2").toObject(), QJsonDocument::fromJson(R"({
        "brightness": 75, "type": "L_EDGE", "slow_time": 90500,
        "thresholds": {"min_brightness": 12, "max_brightness": 240}})")
                                                                      .object());
    QCOMPARE(valueAt(dimmerInfo, "structure/channel_2/name").toString(), QStringLiteral("Бра"));
    QCOMPARE(valueAt(dimmerInfo, "structure/channel_3/name").toString(), QStringLiteral("Лампа 3"));
    QCOMPARE(dimmerInfo.value("inputs").toObject(), QJsonDocument::fromJson(R"({
        "channel_1": {"type": "NO_FUNCTION", "volt_value": 0},
        "channel_2": {"type": "ADC", "volt_value": 3.3}})")
                                                        .object());
    QCOMPARE(dimmerInfo.value("settings").toObject(), QJsonDocument::fromJson(R"({
        "controller_version": 2, "soft_version": "1.7.3", "input_autodetect": "false",
        "v_ref": 3.3, "v_power_supply": 24.1, "inner_tmp": 41.5, "extern_tmp": 27,
        "modbus_address": 1, "autosave": "true", "save_counter": 12,
        "crosszero_offset": 500, "dimmer_half_period": 10000, "dimmer_pulse_duration": 9000,
        "dimmer_use_timer_sinch": "false", "rs485_speed": "9600 8N1"})")
                                                          .object());
}

void TestSimulatedController::setRequestChangesTheNextStatusReply_data()
{
    QTest::addColumn<QString>("query");
    QTest::addColumn<QString>("itemType");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QVariant>("expected");

    const QString dimmer = QStringLiteral("dimmer_info");
    const QString system = QStringLiteral("system_info");
    QTest::newRow("brightness") << "request_type=set&item_type=light_brightness&ch_2=255" << dimmer
                                << "outputs/channel_2/brightness" << QVariant(255);
    QTest::newRow("max threshold")
        << "request_type=set&item_type=light_max_threshold&ch_3=200" << dimmer
        << "outputs/channel_3/thresholds/max_brightness" << QVariant(200);
    QTest::newRow("min threshold")
        << "request_type=set&item_type=light_min_threshold&ch_1=15" << dimmer
        << "outputs/channel_1/thresholds/min_brightness" << QVariant(15);
    QTest::newRow("slow time") << "request_type=set&item_type=light_slowtime&ch_1=90500" << dimmer
                               << "outputs/channel_1/slow_time" << QVariant(90500);
    QTest::newRow("light type") << "request_type=set&item_type=light_type&ch_2=PWM" << dimmer
                                << "outputs/channel_2/type" << QVariant("PWM");
    QTest::newRow("channel name") << encodedQuery({{"request_type", "set"},
                                                   {"item_type", "channel_name"},
                                                   {"ch_3", QStringLiteral("Свет & тень")}})
                                  << dimmer << "structure/channel_3/name"
                                  << QVariant(QStringLiteral("Свет & тень"));
    QTest::newRow("input type")
        << "request_type=set&item_type=input_type&ch_1=CH_ON_OFF_DIMMING&ch_2=NO_FUNCTION&ch_3="
           "CH_CLASSIC_ON_OFF"
        << dimmer << "inputs/channel_3/type" << QVariant("CH_CLASSIC_ON_OFF");
    QTest::newRow("crosszero offset") << "request_type=set&item_type=crosszero_offset&val=650"
                                      << dimmer << "settings/crosszero_offset" << QVariant(650);
    QTest::newRow("half period") << "request_type=set&item_type=dimmer_half_period&val=9900"
                                 << dimmer << "settings/dimmer_half_period" << QVariant(9900);
    QTest::newRow("pulse duration") << "request_type=set&item_type=dimmer_pulse_duration&val=8000"
                                    << dimmer << "settings/dimmer_pulse_duration" << QVariant(8000);
    QTest::newRow("modbus address") << "request_type=set&item_type=modbus_address&val=247" << dimmer
                                    << "settings/modbus_address" << QVariant(247);
    QTest::newRow("autosave") << "request_type=set&item_type=autosave&val=false" << dimmer
                              << "settings/autosave" << QVariant("false");
    QTest::newRow("input autodetect") << "request_type=set&item_type=input_autodetect&val=true"
                                      << dimmer << "settings/input_autodetect" << QVariant("true");
    QTest::newRow("dimming parameters")
        << "request_type=set&item_type=dimming_parameters&crosszero_offset=480&half_period=9950&"
           "pulse_duration=8800&use_timer_sinch=true"
        << dimmer << "settings/dimmer_use_timer_sinch" << QVariant("true");
    QTest::newRow("dimming half period only")
        << "request_type=set&item_type=dimming_parameters&half_period=9900" << dimmer
        << "settings/dimmer_half_period" << QVariant(9900);
    QTest::newRow("rs485") << "request_type=set&item_type=rs485_settings&speed=19200&mode=8E2"
                           << dimmer << "settings/rs485_speed" << QVariant("19200 8E2");
    QTest::newRow("device name") << encodedQuery({{"request_type", "set"},
                                                  {"item_type", "device_name"},
                                                  {"name", QStringLiteral("Дача #2")}})
                                 << system << "name" << QVariant(QStringLiteral("Дача #2"));
    QTest::newRow("wifi ssid")
        << "request_type=set&item_type=wifi_settings&ssid=Dacha&pass=secret&dhcp=true" << system
        << "wifi_settings/ssid" << QVariant("Dacha");
    QTest::newRow("wifi static")
        << "request_type=set&item_type=wifi_settings&dhcp=false&ip_address=127.0.0.44&ip_mask=255."
           "255.255.0&ip_gate=127.0.0.1"
        << system << "wifi_settings/ip_address" << QVariant("127.0.0.44");
    QTest::newRow("lan dhcp") << "request_type=set&item_type=lan_settings&dhcp=true" << system
                              << "lan_settings/dhcp" << QVariant("true");
    QTest::newRow("lan static mask")
        << "request_type=set&item_type=lan_settings&dhcp=false&ip_address=10.0.0.7&ip_mask=255."
           "255.255.0&ip_gate=10.0.0.1"
        << system << "lan_settings/ip_mask" << QVariant("255.255.255.0");
}

void TestSimulatedController::setRequestChangesTheNextStatusReply()
{
    QFETCH(QString, query);
    QFETCH(QString, itemType);
    QFETCH(QString, path);
    QFETCH(QVariant, expected);

    QVERIFY(valueAt(status(itemType), path).toVariant() != expected);
    QSignalSpy changed(controller.get(), &SimulatedController::stateChanged);
    QCOMPARE(fetch(wired, query), QByteArray(R"({"response":"ok"})"));
    QCOMPARE(changed.count(), 1);
    QCOMPARE(valueAt(status(itemType), path).toVariant(), expected);
}

void TestSimulatedController::refusedRequestChangesNothing_data()
{
    QTest::addColumn<QString>("query");

    QTest::newRow("no query") << QString();
    QTest::newRow("empty query") << QString("");
    QTest::newRow("request type only") << "request_type=get";
    QTest::newRow("items swapped") << "item_type=system_info&request_type=get";
    QTest::newRow("unknown request type") << "request_type=reset&item_type=system_info";
    QTest::newRow("unknown get") << "request_type=get&item_type=everything";
    QTest::newRow("unknown set") << "request_type=set&item_type=disco_mode&val=1";
    QTest::newRow("get as set") << "request_type=set&item_type=system_info";
    QTest::newRow("brightness too high") << "request_type=set&item_type=light_brightness&ch_1=256";
    QTest::newRow("brightness negative") << "request_type=set&item_type=light_brightness&ch_1=-1";
    QTest::newRow("brightness text") << "request_type=set&item_type=light_brightness&ch_1=half";
    QTest::newRow("brightness fraction") << "request_type=set&item_type=light_brightness&ch_1=40.5";
    QTest::newRow("no such channel") << "request_type=set&item_type=light_brightness&ch_4=10";
    QTest::newRow("channel zero") << "request_type=set&item_type=light_brightness&ch_0=10";
    QTest::newRow("no channel item") << "request_type=set&item_type=light_brightness";
    QTest::newRow("one bad channel of two")
        << "request_type=set&item_type=light_brightness&ch_1=10&ch_2=300";
    QTest::newRow("unknown light type") << "request_type=set&item_type=light_type&ch_1=HALOGEN";
    QTest::newRow("empty channel name") << "request_type=set&item_type=channel_name&ch_1=";
    QTest::newRow("empty input type") << "request_type=set&item_type=input_type&ch_1=";
    QTest::newRow("one bad input type")
        << "request_type=set&item_type=input_type&ch_1=ADC&ch_2=TOGGLE";
    QTest::newRow("modbus zero") << "request_type=set&item_type=modbus_address&val=0";
    QTest::newRow("modbus 248") << "request_type=set&item_type=modbus_address&val=248";
    QTest::newRow("modbus without val") << "request_type=set&item_type=modbus_address";
    QTest::newRow("autosave yes") << "request_type=set&item_type=autosave&val=yes";
    QTest::newRow("empty device name") << "request_type=set&item_type=device_name&name=";
    QTest::newRow("device name in val") << "request_type=set&item_type=device_name&val=Дача";
    QTest::newRow("rs485 odd speed")
        << "request_type=set&item_type=rs485_settings&speed=34800&mode=8N1";
    QTest::newRow("rs485 short mode")
        << "request_type=set&item_type=rs485_settings&speed=9600&mode=8N";
    QTest::newRow("rs485 odd parity")
        << "request_type=set&item_type=rs485_settings&speed=9600&mode=8O1";
    QTest::newRow("rs485 no mode") << "request_type=set&item_type=rs485_settings&speed=9600";
    QTest::newRow("lan without dhcp") << "request_type=set&item_type=lan_settings";
    QTest::newRow("lan static without address")
        << "request_type=set&item_type=lan_settings&dhcp=false&ip_mask=255.0.0.0";
    QTest::newRow("lan static bad address")
        << "request_type=set&item_type=lan_settings&dhcp=false&ip_address=10.0.0.256";
    QTest::newRow("wifi without dhcp") << "request_type=set&item_type=wifi_settings&ssid=Dacha";
    QTest::newRow("wifi bad dhcp") << "request_type=set&item_type=wifi_settings&dhcp=maybe";
    QTest::newRow("dimming bad flag")
        << "request_type=set&item_type=dimming_parameters&half_period=9900&use_timer_sinch=1";
    QTest::newRow("dimming unknown item")
        << "request_type=set&item_type=dimming_parameters&half_period=9900&offset=3";
}

void TestSimulatedController::refusedRequestChangesNothing()
{
    QFETCH(QString, query);

    const QJsonObject systemBefore = controller->systemInfoJson();
    const QJsonObject dimmerBefore = controller->dimmerInfoJson();
    QSignalSpy changed(controller.get(), &SimulatedController::stateChanged);
    QCOMPARE(fetch(wired, query), QByteArray(R"({"response":"bad request"})"));
    QCOMPARE(changed.count(), 0);
    QCOMPARE(controller->systemInfoJson(), systemBefore);
    QCOMPARE(controller->dimmerInfoJson(), dimmerBefore);
}

void TestSimulatedController::staticAddressChangeKeepsTheListeningAddress()
{
    QCOMPARE(fetchJson(wifi, "request_type=set&item_type=lan_settings&dhcp=false&ip_address=127."
                             "0.0.77&ip_mask=255.0.0.0&ip_gate=127.0.0.1")
                 .value("response"),
             QJsonValue("ok"));

    QCOMPARE(valueAt(status("system_info"), "lan_settings/ip_address"), QJsonValue("127.0.0.77"));
    QCOMPARE(controller->wiredAddress(), wired);
    QCOMPARE(controller->systemInfo().lanIpAddress, QStringLiteral("127.0.0.77"));
    std::unique_ptr<QNetworkReply> moved(
        send("127.0.0.77", "request_type=get&item_type=system_info"));
    QVERIFY(waitFinished(moved.get()));
    QCOMPARE(moved->error(), QNetworkReply::ConnectionRefusedError);
}

void TestSimulatedController::requestLogKeepsAddressAndQueryInOrder()
{
    QSignalSpy received(controller.get(), &SimulatedController::requestReceived);
    const QString nameQuery = encodedQuery({{"request_type", "set"},
                                            {"item_type", "device_name"},
                                            {"name", QStringLiteral("Кухня & бар")}});
    QVERIFY(!fetch(wired, "request_type=set&item_type=light_brightness&ch_2=75").isEmpty());
    QVERIFY(!fetch(wifi, nameQuery).isEmpty());

    const QList<SimulatedController::Request> log = controller->requests();
    QCOMPARE(log.size(), 2);
    QCOMPARE(log.at(0).address, wired);
    QCOMPARE(log.at(0).path, QStringLiteral("/api"));
    QCOMPARE(log.at(0).query,
             QStringLiteral("request_type=set&item_type=light_brightness&ch_2=75"));
    const QList<QPair<QString, QString>> brightnessItems = {
        {"request_type", "set"}, {"item_type", "light_brightness"}, {"ch_2", "75"}};
    QCOMPARE(log.at(0).items, brightnessItems);

    QCOMPARE(log.at(1).address, wifi);
    QCOMPARE(log.at(1).query, nameQuery);
    QCOMPARE(log.at(1).items.size(), 3);
    QCOMPARE(log.at(1).items.at(2).second, QStringLiteral("Кухня & бар"));

    QCOMPARE(received.count(), 2);
    const auto signalled = received.at(1).at(0).value<SimulatedController::Request>();
    QCOMPARE(signalled.address, wifi);
    QCOMPARE(signalled.items, log.at(1).items);

    controller->clearRequests();
    QVERIFY(controller->requests().isEmpty());
}

void TestSimulatedController::silentAddressAcceptsButNeverAnswers()
{
    controller->setAddressSilent(wired, true);
    QSignalSpy received(controller.get(), &SimulatedController::requestReceived);
    std::unique_ptr<QNetworkReply> silent(
        send(wired, "request_type=set&item_type=light_brightness&ch_1=99"));
    QVERIFY(received.wait(5000));
    QCOMPARE(received.at(0).at(0).value<SimulatedController::Request>().address, wired);

    // The other interface answers while the silent one still holds its reply back.
    QCOMPARE(fetchJson(wifi, "request_type=get&item_type=system_info").value("response"),
             QJsonValue("ok"));
    QVERIFY(!silent->isFinished());
    QCOMPARE(controller->brightness(1), 0);
    silent->abort();

    controller->setAddressSilent(wired, false);
    QCOMPARE(fetchJson(wired, "request_type=get&item_type=system_info").value("response"),
             QJsonValue("ok"));
}

void TestSimulatedController::refusingAddressRefusesConnections()
{
    controller->setAddressRefusing(wifi, true);
    std::unique_ptr<QNetworkReply> refused(send(wifi, "request_type=get&item_type=system_info"));
    QVERIFY(waitFinished(refused.get()));
    QCOMPARE(refused->error(), QNetworkReply::ConnectionRefusedError);
    QCOMPARE(fetchJson(wired, "request_type=get&item_type=system_info").value("response"),
             QJsonValue("ok"));

    controller->setAddressRefusing(wifi, false);
    QCOMPARE(fetchJson(wifi, "request_type=get&item_type=system_info").value("response"),
             QJsonValue("ok"));
}

void TestSimulatedController::nonJsonBodyAndResponseTextOverride()
{
    controller->setNonJsonBody(true);
    const QByteArray garbage = fetch(wired, "request_type=get&item_type=system_info");
    QVERIFY(!garbage.isEmpty());
    QJsonParseError error;
    QJsonDocument::fromJson(garbage, &error);
    QVERIFY(error.error != QJsonParseError::NoError);
    controller->setNonJsonBody(false);

    controller->setResponseText(QStringLiteral("Bad Request"));
    QCOMPARE(fetch(wired, "request_type=set&item_type=light_brightness&ch_1=40"),
             QByteArray(R"({"response":"Bad Request"})"));
    QCOMPARE(controller->brightness(1), 40);
    QCOMPARE(fetchJson(wired, "request_type=get&item_type=dimmer_info").value("response"),
             QJsonValue("Bad Request"));

    controller->setResponseText(QString());
    QCOMPARE(fetch(wired, "request_type=set&item_type=light_brightness&ch_1=41"),
             QByteArray(R"({"response":"ok"})"));
}

void TestSimulatedController::reportedUniqueIdReplacesTheRealOne()
{
    controller->setReportedUniqueId(QStringLiteral("NV-9999"));
    QCOMPARE(status("system_info").value("unique_id"), QJsonValue("NV-9999"));
    QCOMPARE(controller->uniqueId(), QStringLiteral("NV-0042"));
    controller->setReportedUniqueId(QString());
    QCOMPARE(status("system_info").value("unique_id"), QJsonValue("NV-0042"));
}

void TestSimulatedController::delayedReplyArrivesAfterALaterOne()
{
    // Far longer than a local exchange takes.
    controller->setReplyDelay(3000);
    QSignalSpy received(controller.get(), &SimulatedController::requestReceived);
    std::unique_ptr<QNetworkReply> delayed(
        send(wired, "request_type=set&item_type=light_brightness&ch_3=5"));
    QVERIFY(received.wait(5000));
    // The state changes at once; only the answer is late.
    QCOMPARE(controller->brightness(3), 5);

    controller->setReplyDelay(0);
    std::unique_ptr<QNetworkReply> later(send(wifi, "request_type=get&item_type=system_info"));
    QStringList finished;
    connect(delayed.get(), &QNetworkReply::finished, this, [&] { finished << "delayed"; });
    connect(later.get(), &QNetworkReply::finished, this, [&] { finished << "later"; });
    QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 2, 10000);
    QCOMPARE(finished, QStringList({"later", "delayed"}));
    QCOMPARE(later->error(), QNetworkReply::NoError);
    QCOMPARE(delayed->error(), QNetworkReply::NoError);
    QCOMPARE(delayed->readAll(), QByteArray(R"({"response":"ok"})"));
}

void TestSimulatedController::trickleSendsOneByteAtATime()
{
    controller->setTrickle(true);
    QTcpSocket socket;
    socket.connectToHost(wired, SimulatedController::HttpPort);
    QVERIFY(socket.waitForConnected(3000));
    socket.write("GET /api?request_type=get&item_type=system_info HTTP/1.1\r\nHost: x\r\n\r\n");
    // The controller lives in this thread: wait in the event loop, not in the socket.
    QSignalSpy readable(&socket, &QTcpSocket::readyRead);
    QVERIFY(readable.wait(3000));
    QCOMPARE(socket.readAll(), QByteArray("H"));
    QVERIFY(readable.wait(3000));
    QCOMPARE(socket.readAll(), QByteArray("T"));
    QCOMPARE(socket.state(), QAbstractSocket::ConnectedState);
}

void TestSimulatedController::movedControllerListensOnlyOnItsNewAddresses()
{
    QVERIFY(controller->moveToAddresses(QStringLiteral("127.0.0.12"), QString()));
    QCOMPARE(controller->wiredAddress(), QStringLiteral("127.0.0.12"));
    QVERIFY(controller->wifiAddress().isEmpty());

    const QJsonObject systemInfo = fetchJson("127.0.0.12", "request_type=get&item_type=system_info")
                                       .value("system_info")
                                       .toObject();
    QCOMPARE(valueAt(systemInfo, "lan_settings/ip_address"), QJsonValue("127.0.0.12"));
    QCOMPARE(valueAt(systemInfo, "wifi_settings/status"), QJsonValue("disconnected"));

    for (const QString &old : {wired, wifi}) {
        std::unique_ptr<QNetworkReply> reply(send(old, "request_type=get&item_type=system_info"));
        QVERIFY(waitFinished(reply.get()));
        QCOMPARE(reply->error(), QNetworkReply::ConnectionRefusedError);
    }
}

void TestSimulatedController::garbageDoesNotBreakTheController()
{
    QVERIFY(rawExchange(wired, "\x01\x02\xff\xfe garbage\r\n\r\n").startsWith("HTTP/1.1 400"));
    QVERIFY(rawExchange(wired, "GET /api?" + QByteArray(20000, 'a')).startsWith("HTTP/1.1 431"));
    QVERIFY(rawExchange(wired, "GET /api?request_type=get HTTP/1.1\r\n" + QByteArray(20000, 'h'))
                .startsWith("HTTP/1.1 431"));
    QVERIFY(rawExchange(wired, "GET /index.html HTTP/1.1\r\n\r\n").startsWith("HTTP/1.1 404"));
    QVERIFY(rawExchange(wired, "POST /api?request_type=get&item_type=system_info HTTP/1.1\r\n\r\n")
                .startsWith("HTTP/1.1 405"));
    QVERIFY(rawExchange(wired, "GET /api?%%%&&&==%ZZ&request_type HTTP/1.1\r\n\r\n")
                .endsWith(R"({"response":"bad request"})"));

    QByteArray random(4096, '\0');
    quint32 seed = 12345;
    for (char &byte : random) {
        seed = seed * 1103515245u + 12345u;
        byte = char(seed >> 16);
    }
    rawExchange(wired, random + "\r\n\r\n");
    QTcpSocket abandoned;
    abandoned.connectToHost(wired, SimulatedController::HttpPort);
    QVERIFY(abandoned.waitForConnected(3000));
    abandoned.write("GET /api?request_type=get&item_type=dim");
    abandoned.flush();
    abandoned.abort();

    QCOMPARE(status("dimmer_info").value("outputs").toObject().size(), 3);
}

QTEST_GUILESS_MAIN(TestSimulatedController)
#include "tst_simulatedcontroller.moc"
