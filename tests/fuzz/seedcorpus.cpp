// Writes the seed corpora of the fuzz harnesses: answers, replies and a
// settings file as the simulated controllers and the root model produce them,
// and hand-made broken cases. Run it with tests/fuzz/corpus to rewrite the
// seeds; inputs that once crashed a harness live beside them and are kept.

#include "device/norvaleodimmer.h"
#include "registry/roleregistry.h"
#include "registry/rootmodel.h"
#include "registry/settingsfile.h"
#include "simulatedcontroller.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QTemporaryDir>

#include <cstdio>

namespace {

QString corpusRoot;

void writeSeed(const char *harness, const QString &name, const QByteArray &content)
{
    const QString directory = corpusRoot + QLatin1Char('/') + QLatin1String(harness);
    QDir().mkpath(directory);
    QFile file(directory + QStringLiteral("/seed-") + name);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(content) != content.size()) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(file.fileName()));
        std::exit(1);
    }
}

QByteArray compact(const QJsonObject &object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

// A simulated controller with varied state; its sockets are never opened.
std::unique_ptr<SimulatedController> simulator(int index, int channels, bool withWifi = true)
{
    auto sim = std::make_unique<SimulatedController>(
        QStringLiteral("127.0.0.%1").arg(10 + 2 * index),
        withWifi ? QStringLiteral("127.0.0.%1").arg(11 + 2 * index) : QString(),
        QStringLiteral("NV%1").arg(7000 + index), QStringLiteral("Кухня %1").arg(index + 1),
        channels);
    QVector<SimulatedController::Output> outputs = sim->outputs();
    for (int i = 0; i < outputs.size(); ++i) {
        outputs[i].brightness = (i * 67 + index * 13) % 256;
        outputs[i].type = i % 2 ? QStringLiteral("L_EDGE") : QStringLiteral("PWM");
        outputs[i].minBrightness = i % 3 == 2 ? 10 : 0;
    }
    sim->setOutputs(outputs);
    QVector<SimulatedController::Input> inputs = sim->inputs();
    inputs[1].type = QStringLiteral("ADC");
    inputs[1].voltValue = 3.3;
    sim->setInputs(inputs);
    SimulatedController::Settings settings = sim->settings();
    settings.controllerVersion = index % 3 + 1;
    settings.rs485Speed = index % 2 ? QStringLiteral("19200 8E2") : QStringLiteral("9600 8N1");
    sim->setSettings(settings);
    return sim;
}

// Several reply bodies in one input, cut apart at NUL bytes by the harness.
QByteArray bodies(const QList<QByteArray> &list)
{
    QByteArray joined;
    for (const QByteArray &body : list) {
        if (!joined.isEmpty()) {
            joined += '\0';
        }
        joined += body;
    }
    return joined;
}

QByteArray greetingAnswer(const SimulatedController &sim)
{
    return compact({{QStringLiteral("device_info"),
                     QJsonObject{{QStringLiteral("type"), QStringLiteral("NORVALEO_DIMMER")},
                                 {QStringLiteral("ip_1"), sim.wiredAddress()},
                                 {QStringLiteral("ip_2"), sim.wifiAddress()},
                                 {QStringLiteral("unique_id"), sim.uniqueId()},
                                 {QStringLiteral("name"), sim.name()}}}});
}

QByteArray systemInfoReply(const SimulatedController &sim)
{
    return compact({{QStringLiteral("response"), QStringLiteral("ok")},
                    {QStringLiteral("system_info"), sim.systemInfoJson()}});
}

QByteArray dimmerInfoReply(const SimulatedController &sim)
{
    return compact({{QStringLiteral("response"), QStringLiteral("ok")},
                    {QStringLiteral("dimmer_info"), sim.dimmerInfoJson()}});
}

void discoverySeeds()
{
    const char harness[] = "fuzz_discoveryanswer";
    writeSeed(harness, QStringLiteral("answer"), greetingAnswer(*simulator(0, 4)));
    writeSeed(harness, QStringLiteral("answer-no-wifi"), greetingAnswer(*simulator(1, 4, false)));
    const QList<QPair<QString, QByteArray>> cases = {
        {QStringLiteral("empty-name"),
         R"({"device_info":{"type":"NORVALEO_DIMMER","ip_1":"127.0.0.2","unique_id":"NV-1","name":""}})"},
        {QStringLiteral("ipv6"),
         R"({"device_info":{"type":"NORVALEO_DIMMER","ip_2":"0:0::1","unique_id":"NV-6"}})"},
        {QStringLiteral("no-address"),
         R"({"device_info":{"type":"NORVALEO_DIMMER","ip_1":"kitchen","unique_id":"NV-2"}})"},
        {QStringLiteral("octet-out-of-range"),
         R"({"device_info":{"type":"NORVALEO_DIMMER","ip_1":"999.1.1.1","ip_2":"1.2.3","unique_id":"NV-3"}})"},
        {QStringLiteral("other-type"),
         R"({"device_info":{"type":"norvaleo_dimmer","ip_1":"127.0.0.2","unique_id":"NV-4"}})"},
        {QStringLiteral("id-not-text"),
         R"({"device_info":{"type":"NORVALEO_DIMMER","ip_1":"127.0.0.2","unique_id":7}})"},
        {QStringLiteral("info-not-object"), R"({"device_info":["NORVALEO_DIMMER"]})"},
        {QStringLiteral("array"), R"([{"device_info":{}}])"},
        {QStringLiteral("truncated"), R"({"device_info":{"type":"NORVALEO_DIMMER","ip_1":"127.)"},
        {QStringLiteral("greeting"), "hello norvaleo devices!"},
        {QStringLiteral("invalid-utf8"),
         "{\"device_info\":{\"type\":\"NORVALEO_DIMMER\",\"ip_1\":\"127.0.0.2\","
         "\"unique_id\":\"\xff\xfe\",\"name\":\"\xc3\x28\"}}"},
    };
    for (const auto &seed : cases) {
        writeSeed(harness, seed.first, seed.second);
    }
}

void replySeeds()
{
    const char harness[] = "fuzz_replybody";
    const auto four = simulator(0, 4);
    const auto twelve = simulator(1, 12);
    writeSeed(harness, QStringLiteral("system-info"), systemInfoReply(*four));
    writeSeed(harness, QStringLiteral("dimmer-info"), dimmerInfoReply(*four));
    writeSeed(harness, QStringLiteral("dimmer-info-12"), dimmerInfoReply(*twelve));
    writeSeed(
        harness, QStringLiteral("sequence"),
        bodies({systemInfoReply(*four), dimmerInfoReply(*four), R"({"response":"Bad Request"})",
                "<html>not json</html>", dimmerInfoReply(*twelve)}));
    SimulatedController stranger(QStringLiteral("127.0.0.2"), QString(), QStringLiteral("NV-OTHER"),
                                 QStringLiteral("Чужой"), 2);
    writeSeed(harness, QStringLiteral("other-device"), systemInfoReply(stranger));

    const QList<QPair<QString, QByteArray>> cases = {
        {QStringLiteral("ok-capitals"), R"({"response":"OK"})"},
        {QStringLiteral("no-response"), R"({"dimmer_info":{}})"},
        {QStringLiteral("null-response"), R"({"response":null})"},
        {QStringLiteral("number-response"), R"({"response":5})"},
        {QStringLiteral("array"), R"(["ok"])"},
        {QStringLiteral("empty"), ""},
        {QStringLiteral("channel-numbers"),
         R"({"response":"ok","dimmer_info":{"outputs":{"channel_0":{"brightness":1},)"
         R"("channel_-1":{"brightness":2},"channel_03":{"brightness":3},"channel_3":{"brightness":4},)"
         R"("channel_1024":{"brightness":5},"channel_1025":{"brightness":6},)"
         R"("channel_99999999999":{},"channelx":{},"channel_ 7":{},"channel_+8":{}}}})"},
        {QStringLiteral("value-kinds"),
         R"({"response":"ok","dimmer_info":{"outputs":{"channel_1":{"brightness":"40","type":"PWM",)"
         R"("slow_time":40.5,"thresholds":{"max_brightness":90}},"channel_2":{"brightness":1e300,)"
         R"("type":"NOPE","thresholds":[]},"channel_3":[],"channel_4":null},)"
         R"("structure":{"channel_1":{"name":""},"channel_2":{"name":7},"channel_5":{"name":"Бра"}},)"
         R"("settings":{"controller_version":"2","autosave":false,"modbus_address":null,)"
         R"("rs485_speed":"38400 8N1","input_autodetect":false},)"
         R"("inputs":{"channel_2":{"type":"ADC","volt_value":3.3},"channel_4":{"type":null}}}})"},
        {QStringLiteral("inputs-many"),
         R"({"response":"ok","dimmer_info":{"inputs":{"channel_1024":{"type":"ADC"},)"
         R"("channel_1025":{"type":"ADC"},"channel_1":"x"}}})"},
        {QStringLiteral("system-info-kinds"),
         R"({"response":"ok","system_info":{"unique_id":"NV-FUZZ-1","name":null,)"
         R"("wifi_settings":{"status":"connected","dhcp":false,"ip_address":"10.0.0.9"},)"
         R"("lan_settings":[1,2],"version":{"major":2}}})"},
        {QStringLiteral("system-info-no-id"),
         R"({"response":"ok","system_info":{"name":"Чужой"},"dimmer_info":{"outputs":{"channel_1":{}}}})"},
        {QStringLiteral("deep"), QByteArray(600, '[') + QByteArray(600, ']')},
    };
    for (const auto &seed : cases) {
        writeSeed(harness, seed.first, seed.second);
    }
    writeSeed(harness, QStringLiteral("rs485-bad"),
              bodies({R"({"response":"ok","dimmer_info":{"settings":{"rs485_speed":"9600 8O1"}}})",
                      R"({"response":"ok","dimmer_info":{"settings":{"rs485_speed":"34800 8N1"}}})",
                      R"({"response":"ok","dimmer_info":{"settings":{"rs485_speed":"9600 7N3"}}})",
                      R"({"response":"ok","dimmer_info":{"settings":{"rs485_speed":" "}}})"}));
}

// The file a root model saves for three simulated controllers whose channels
// arrived in replies, two of them marked as favourites.
QByteArray savedSettings()
{
    QTemporaryDir base;
    RootModel root(nullptr, base.path());
    for (int i = 0; i < 3; ++i) {
        const auto sim = simulator(i, 3 + i, i != 1);
        DeviceDescription description;
        description.uniqueId = sim->uniqueId();
        description.name = sim->name();
        description.ipAddress1 = sim->wiredAddress();
        description.ipAddress2 = sim->wifiAddress();
        description.type = 1;
        const QModelIndex device = root.addDevice(description, false);
        static_cast<NorvaleoDimmer *>(device.internalPointer())
            ->handleReplyBody(dimmerInfoReply(*sim));
        root.setData(root.index(i, 0, device), true, root.roleByName("favourites"));
    }
    root.saveSettings();
    return SettingsFile(base.path()).readAll();
}

void settingsSeeds()
{
    const char harness[] = "fuzz_settingsfile";
    writeSeed(harness, QStringLiteral("saved"), savedSettings());
    const QList<QPair<QString, QByteArray>> cases = {
        {QStringLiteral("channel-order"),
         R"({"NORVALEO_DIMMER_7":{"uniqueId":"NV-7","ipAddress_1":"127.0.0.2","name":"A",)"
         R"("DIMMER_3":{"light_id":"3","name":"Три","favourites":"true"},)"
         R"("DIMMER_1":{"light_id":"1","name":"Один"}}})"},
        {QStringLiteral("same-id-twice"),
         R"({"NORVALEO_DIMMER_1":{"uniqueId":"NV-1","ipAddress_1":"127.0.0.2",)"
         R"("DIMMER_1":{"light_id":"1","name":"A"}},"NORVALEO_DIMMER_2":{"uniqueId":"NV-1",)"
         R"("ipAddress_2":"127.0.0.3","DIMMER_1":{"light_id":"2","name":"B"}}})"},
        {QStringLiteral("dropped-entries"),
         R"({"NORVALEO_DIMMER_1":{"ipAddress_1":"127.0.0.2"},"NORVALEO_DIMMER_2":{"uniqueId":"",)"
         R"("ipAddress_1":"127.0.0.2"},"NORVALEO_DIMMER_3":{"uniqueId":"NV-3","ipAddress_1":4},)"
         R"("NORVALEO_DIMMER_4":{"uniqueId":"NV-4","ipAddress_1":"","ipAddress_2":"",)"
         R"("DIMMER_1":{"light_id":3,"name":"N"},"DIMMER_2":{"light_id":"0","name":"Z"},)"
         R"("DIMMER_3":{"light_id":"-1","name":"M"},"DIMMER_4":{"light_id":"5","name":""}},)"
         R"("OTHER_1":{"uniqueId":"NV-5"},"NORVALEO_DIMMER_5":"x"})"},
        {QStringLiteral("saved-order"),
         R"({"NORVALEO_DIMMER_10":{"uniqueId":"NV-10","ipAddress_1":"a"},)"
         R"("NORVALEO_DIMMER_2":{"uniqueId":"NV-2","ipAddress_1":"b"},)"
         R"("NORVALEO_DIMMER":{"uniqueId":"NV-0","ipAddress_1":"c"},)"
         R"("NORVALEO_DIMMER_x":{"uniqueId":"NV-X","ipAddress_1":"d"}})"},
        {QStringLiteral("escapes"),
         "{\"NORVALEO_DIMMER_1\":{\"uniqueId\":\"NV-\\\"1\\\\\",\"ipAddress_1\":\"127.0.0.2\","
         "\"name\":\"Tab\\tNL\\nU\\u0001 \\ud800 \\u2028\",\"DIMMER_1\":{\"light_id\":\"1\","
         "\"name\":\"\\\"quoted\\\"\",\"favourites\":\"yes\",\"brightness\":\"40\","
         "\"light_type\":\"PWM\",\"unknown\":[1]}}}"},
        {QStringLiteral("not-json"), "NORVALEO_DIMMER_1"},
        {QStringLiteral("array"), R"([{"NORVALEO_DIMMER_1":{"uniqueId":"NV-1"}}])"},
        {QStringLiteral("empty-object"), "{}"},
        {QStringLiteral("truncated"),
         R"({"NORVALEO_DIMMER_1":{"uniqueId":"NV-1","ipAddress_1":"127.0.0.2","DIMMER_1":{"li)"},
    };
    for (const auto &seed : cases) {
        writeSeed(harness, seed.first, seed.second);
    }
}

} // namespace

// A reply as the HTTP harness reads it: its first byte is the size of the
// pieces the rest arrives in, less one.
QByteArray inPieces(int size, const QByteArray &reply)
{
    return QByteArray(1, char(size - 1)) + reply;
}

void httpReplySeeds()
{
    const char harness[] = "fuzz_httpreply";
    const QByteArray body = R"({"response":"ok"})";
    const QByteArray ok = "HTTP/1.1 200 OK\r\n";
    const QByteArray length = "Content-Length: " + QByteArray::number(body.size()) + "\r\n";
    const QList<QPair<QString, QByteArray>> cases = {
        {QStringLiteral("length"), inPieces(256, ok + length + "\r\n" + body)},
        {QStringLiteral("length-in-bytes"), inPieces(1, ok + length + "\r\n" + body)},
        {QStringLiteral("chunked"),
         inPieces(7, ok + "Transfer-Encoding: chunked\r\n\r\n5;ext=1\r\n{\"res\r\n"
                          "d\r\nponse\":\"ok\"}\r\n0\r\nX-Trailer: 1\r\n\r\n")},
        {QStringLiteral("until-close"),
         inPieces(17, "HTTP/1.0 200 OK\r\nServer: x\r\n\r\n" + body)},
        {QStringLiteral("interim"),
         inPieces(4, "HTTP/1.1 100 Continue\r\n\r\n" + ok + length + "\r\n" + body)},
        {QStringLiteral("bare-line-ends"),
         inPieces(33, "HTTP/1.1 200 OK\n" + length.chopped(2) + "\n\n" + body)},
        {QStringLiteral("not-found"),
         inPieces(256, "HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\n\r\n")},
        {QStringLiteral("short-body"), inPieces(9, ok + "Content-Length: 100\r\n\r\n" + body)},
        {QStringLiteral("bad-chunk"),
         inPieces(65, ok + "Transfer-Encoding: chunked\r\n\r\nzz\r\n")},
        {QStringLiteral("not-http"), inPieces(256, "<html>hello</html>")},
        {QStringLiteral("empty"), inPieces(1, QByteArray())},
    };
    for (const auto &seed : cases) {
        writeSeed(harness, seed.first, seed.second);
    }
}

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fputs("usage: norvaleo_fuzz_seeds <corpus directory>\n", stderr);
        return 2;
    }
    corpusRoot = QString::fromLocal8Bit(argv[1]);
    RoleRegistry::fill();
    discoverySeeds();
    httpReplySeeds();
    replySeeds();
    settingsSeeds();
    return 0;
}
