#include "device/deviceprotocol.h"
#include "device/norvaleodimmer.h"
#include "registry/roleregistry.h"

#include "controllernetwork.h"

#include <QAbstractEventDispatcher>
#include <QFile>
#include <QPointer>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <memory>
#include <vector>

namespace {

constexpr int WaitMs = 5000;
// Long enough for several poll ticks.
constexpr int PollsWaitMs = 15000;

const QString set = QStringLiteral("request_type=set&item_type=");

// Channels 1 to 3, created from a reply body before any request is in flight.
void addChannels(ControllerNetwork &f)
{
    f.controller->handleReplyBody(
        R"({"response":"ok","dimmer_info":{"outputs":{"channel_1":{},"channel_2":{},"channel_3":{}}}})");
}

// Answers every request on 127.0.0.6:80 with one fixed HTTP response.
class FixedReplyServer
{
public:
    explicit FixedReplyServer(const QByteArray &response) : response(response)
    {
        QObject::connect(&server, &QTcpServer::newConnection, &server, [this] {
            while (QTcpSocket *socket = server.nextPendingConnection()) {
                QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
                    if (socket->readAll().contains("\r\n\r\n")) {
                        ++requests;
                        socket->write(this->response);
                        socket->disconnectFromHost();
                    }
                });
                QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            }
        });
    }

    bool listen() { return server.listen(QHostAddress(address()), 80); }
    static QString address() { return QStringLiteral("127.0.0.6"); }

    QTcpServer server;
    QByteArray response;
    int requests = 0;
};

// Threads of this process, as the kernel counts them.
int threadCount()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) {
        return -1;
    }
    for (QByteArray line = status.readLine(); !line.isEmpty(); line = status.readLine()) {
        if (line.startsWith("Threads:")) {
            return line.mid(8).trimmed().toInt();
        }
    }
    return -1;
}

} // namespace

class TestNorvaleoDimmerNetwork : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        RoleRegistry::fill();
        qRegisterMetaType<SimulatedController::Request>();
    }

    void exactlyTheSetterRolesSendRequests()
    {
        ControllerNetwork f;
        QVERIFY(f.sim.start());
        addChannels(f);
        f.start();
        QTRY_COMPARE_WITH_TIMEOUT(f.repliesFor(QStringLiteral("system_info")), 1, WaitMs);

        struct Edit
        {
            QModelIndex index;
            QByteArray role;
            QVariant value;
            QString query; // empty: nothing may be sent
            // Roles the edit itself changes, checked before a reply can overwrite them.
            QList<QPair<QByteArray, QVariant>> after = {};
        };
        const QModelIndex self = f.self();
        const QModelIndex channel3 = f.channel(2);
        const QModelIndex channel1 = f.channel(0);
        QCOMPARE(f.root.value(channel3, "light_id"), QVariant(3));

        const QList<Edit> edits{
            {self, "name", QStringLiteral("Hall & Stairs"),
             set + "device_name&name=Hall%20%26%20Stairs"},
            {self, "preffered_delegate", QStringLiteral("Other.qml"), {}},
            {self, "uniqueId", ControllerNetwork::uniqueId(), {}},
            {self, "ipAddress_1", ControllerNetwork::wired(), {}},
            {self, "ipAddress_2", ControllerNetwork::wifi(), {}},
            {self, "connection_status", false, {}},
            {self, "using_interface", 2, {}},
            {self, "wifi_ssid", QStringLiteral("Typed"), {}},
            {self, "wifi_pass", QStringLiteral("secret"), {}},
            {self, "wifi_status", true, {}},
            {self, "wifi_dhcp", true, {}},
            {self, "wifi_mask", QStringLiteral("255.0.0.0"), {}},
            {self, "wifi_gate", QStringLiteral("10.0.0.1"), {}},
            {self,
             "wifi_all_settings",
             QStringLiteral(R"({"wifi_settings":{"wifi_dhcp":"true"}})"),
             set + "wifi_settings&dhcp=true",
             {{"wifi_all_settings", QStringLiteral("")},
              {"wifi_ssid", QStringLiteral("Typed")},
              {"wifi_pass", QStringLiteral("")},
              {"wifi_status", false},
              {"wifi_dhcp", true}}},
            {self, "lan_status", true, {}},
            {self, "lan_dhcp", true, {}},
            {self, "lan_mask", QStringLiteral("255.0.0.0"), {}},
            {self, "lan_gate", QStringLiteral("10.0.0.1"), {}},
            {self, "lan_all_settings", QStringLiteral(R"({"lan_settings":{"lan_dhcp":"true"}})"),
             set + "lan_settings&dhcp=true"},
            {self, "net_soft_version", QStringLiteral("9"), {}},
            {self, "controller_version", QStringLiteral("9"), {}},
            {self, "dimm_soft_version", QStringLiteral("9"), {}},
            {self, "input_autodetect", true, set + "input_autodetect&val=true"},
            {self, "inputs_count", 9, {}},
            {self, "inputs_types", QVariantList{2, 0, 5},
             set + "input_type&ch_1=CH_ON_OFF_DIMMING&ch_2=NO_FUNCTION&ch_3=CH_CLASSIC_ON_OFF"},
            {self, "inputs_types", QVariantList{1, 7}, {}},
            {self, "inputs_types", QVariantList(), {}},
            {self, "inputs_values", QVariantList{1.5}, {}},
            {self, "v_ref", 1.0, {}},
            {self, "v_power_supply", 1.0, {}},
            {self, "inner_tmp", 1.0, {}},
            {self, "extern_tmp", 1.0, {}},
            {self, "rs485_speed", 19200, {}},
            {self, "rs485_parity", QStringLiteral("E"), {}},
            {self, "rs485_stop_bits", 2, {}},
            {self, "rs485_data_bits", 7, {}},
            {self,
             "rs485_all_settings",
             QStringLiteral("19200 8E2"),
             set + "rs485_settings&speed=19200&mode=8E2",
             {{"rs485_speed", 19200},
              {"rs485_parity", QStringLiteral("E")},
              {"rs485_stop_bits", 2},
              {"rs485_data_bits", 8}}},
            {self, "rs485_all_settings", QStringLiteral("19200"), {}},
            {self, "rs485_all_settings", QStringLiteral("19200 8E"), {}},
            {self, "modbus_address", 17, set + "modbus_address&val=17"},
            {self, "save_counter", 99, {}},
            {self, "crosszero_offset", 450, set + "crosszero_offset&val=450"},
            {self, "dimmer_half_period", 9800, set + "dimmer_half_period&val=9800"},
            {self, "dimmer_pulse_duration", 8000, set + "dimmer_pulse_duration&val=8000"},
            {self, "dimmer_use_timer_sinch", false, {}},
            {self,
             "dimmimg_all_settings",
             QStringLiteral(R"({"half_period":"9900"})"),
             set + "dimming_parameters&half_period=9900",
             {{"dimmer_half_period", 9900}, {"dimmer_pulse_duration", 8000}}},
            {self, "autosave_settings", false, set + "autosave&val=false"},
            {channel3, "brightness", 40, set + "light_brightness&ch_3=40"},
            {channel3, "slow_time", 2500, set + "light_slowtime&ch_3=2500"},
            {channel3, "light_type", 0, {}},
            {channel3, "light_type", 2, set + "light_type&ch_3=L_EDGE"},
            {channel3, "min_brightness", 10, set + "light_min_threshold&ch_3=10"},
            {channel3, "max_brightness", 200, set + "light_max_threshold&ch_3=200"},
            {channel3, "name", QStringLiteral("Кухня"),
             set + "channel_name&ch_3=%D0%9A%D1%83%D1%85%D0%BD%D1%8F"},
            {channel3, "autosave_settings", true, set + "autosave&val=true"},
            {channel3, "light_id", 3, {}},
            {channel3, "connection_status", false, {}},
            {channel3, "favourites", true, {}},
            {channel3, "preffered_delegate", QStringLiteral("Other.qml"), {}},
            // A channel without a usable number sends nothing at all.
            {channel1, "light_id", 0, {}},
            {channel1, "brightness", 99, {}},
            {channel1, "name", QStringLiteral("Zero"), {}},
            {channel1, "autosave_settings", false, {}},
        };

        QStringList expected;
        for (const Edit &edit : edits) {
            QVERIFY2(f.root.write(edit.index, edit.role, edit.value), edit.role.constData());
            // Every edit is stored, sent or not, unless the edit itself clears it
            // (the Wi-Fi text holds the password).
            const bool cleared =
                std::any_of(edit.after.cbegin(), edit.after.cend(),
                            [&](const auto &role) { return role.first == edit.role; });
            QVERIFY2(cleared || f.root.value(edit.index, edit.role) == edit.value,
                     edit.role.constData());
            for (const auto &role : edit.after) {
                QVERIFY2(f.root.value(edit.index, role.first) == role.second,
                         role.first.constData());
            }
            if (!edit.query.isEmpty()) {
                expected.append(edit.query);
                QTRY_COMPARE_WITH_TIMEOUT(f.changes().size(), expected.size(), WaitMs);
            }
        }
        // One more request marks the end: anything sent before it has arrived by then.
        QVERIFY(f.root.write(self, "modbus_address", 18));
        expected.append(set + "modbus_address&val=18");
        QTRY_COMPARE_WITH_TIMEOUT(f.changes().size(), expected.size(), WaitMs);
        QCOMPARE(f.changes(), expected);
        QCOMPARE(f.tester.unexpected(), QStringList());
    }

    void staticWiredAddressMovesTheNextRequest()
    {
        ControllerNetwork f;
        QVERIFY(f.sim.start());
        SimulatedController moved(QStringLiteral("127.0.0.4"), QString(),
                                  ControllerNetwork::uniqueId(), QStringLiteral("Moved"));
        QVERIFY(moved.start());
        addChannels(f);
        f.start();
        QTRY_COMPARE_WITH_TIMEOUT(f.repliesFor(QStringLiteral("system_info")), 1, WaitMs);

        QVERIFY(f.root.write(
            f.self(), "lan_all_settings",
            QStringLiteral(R"({"lan_settings":{"lan_dhcp":"false","lan_ip":"127.0.0.4",)"
                           R"("lan_mask":"255.0.0.0","lan_gate":"127.0.0.1"}})")));
        QCOMPARE(f.value("ipAddress_1"), QVariant(QStringLiteral("127.0.0.4")));
        QCOMPARE(f.value("lan_dhcp"), QVariant(false));
        QCOMPARE(f.value("lan_mask"), QVariant(QStringLiteral("255.0.0.0")));
        QCOMPARE(f.value("lan_gate"), QVariant(QStringLiteral("127.0.0.1")));
        QCOMPARE(f.value("lan_status"), QVariant(false));
        QVERIFY(f.root.write(f.channel(1), "brightness", 75));

        QTRY_COMPARE_WITH_TIMEOUT(f.changes().size(), 1, WaitMs);
        const SimulatedController::Request lan = f.sim.requests().last();
        QCOMPARE(lan.address, ControllerNetwork::wired());
        QCOMPARE(lan.query, set + "lan_settings&dhcp=false&ip_address=127.0.0.4&"
                                  "ip_mask=255.0.0.0&ip_gate=127.0.0.1");
        QTRY_COMPARE_WITH_TIMEOUT(moved.requests().size(), 1, WaitMs);
        QCOMPARE(moved.requests().first().address, QStringLiteral("127.0.0.4"));
        QCOMPARE(moved.requests().first().query, set + "light_brightness&ch_2=75");
        QCOMPARE(f.tester.unexpected(), QStringList());
    }

    // A caller that waits for each change learns its outcome, and learns
    // at once when a setter sent nothing; a status asked for is applied
    // even with a poll in flight.
    void taggedRequestsReportTheirReplies()
    {
        ControllerNetwork f;
        QVERIFY(f.sim.start());
        addChannels(f);
        f.start();
        QTRY_COMPARE_WITH_TIMEOUT(f.repliesFor(QStringLiteral("system_info")), 1, WaitMs);
        QSignalSpy answered(f.controller, &NorvaleoDimmer::answered);

        f.controller->tagNextChange(7);
        QVERIFY(f.root.write(f.channel(0), "light_type", 0));
        QVERIFY(f.controller->isChangeTagPending());
        f.controller->tagNextChange(0);

        f.sim.setRefusedItemType(QStringLiteral("channel_name"));
        f.controller->tagNextChange(8);
        QVERIFY(f.root.write(f.channel(0), "name", QStringLiteral("Люстра")));
        QVERIFY(!f.controller->isChangeTagPending());
        f.controller->tagNextChange(9);
        QVERIFY(f.root.write(f.self(), "modbus_address", 12));
        f.sim.setName(QStringLiteral("Холл"));
        QVERIFY(f.controller->askStatus(DeviceProtocol::systemInfo(), 10));
        QTRY_COMPARE_WITH_TIMEOUT(answered.size(), 3, WaitMs);
        QList<QVariantList> outcomes(answered.begin(), answered.end());
        std::sort(outcomes.begin(), outcomes.end(),
                  [](const QVariantList &a, const QVariantList &b) {
                      return a[0].toInt() < b[0].toInt();
                  });
        QCOMPARE(outcomes, (QList<QVariantList>{{8, false}, {9, true}, {10, true}}));
        QCOMPARE(f.value("name"), QVariant(QStringLiteral("Холл")));
        QCOMPARE(f.sim.settings().modbusAddress, 12);
    }

    void startSendsSystemInfoThenPollsInCycles()
    {
        ControllerNetwork f;
        QVERIFY(f.sim.start());
        addChannels(f);
        // Before the start there is no manager to send through: dropped, not queued.
        QVERIFY(f.root.write(f.channel(0), "brightness", 12));
        QVERIFY(f.root.write(f.self(), "modbus_address", 3));
        f.start();
        f.controller->startCommunication();

        const QList<QAbstractEventDispatcher::TimerInfo> timers =
            QAbstractEventDispatcher::instance()->registeredTimers(f.controller);
        QCOMPARE(timers.size(), 1);
        QCOMPARE(timers.first().interval, 1500);
        QCOMPARE(timers.first().timerType, Qt::CoarseTimer);

        QTRY_VERIFY_WITH_TIMEOUT(f.polls().size() >= 7, 6 * PollsWaitMs / 5);
        const QString wired = ControllerNetwork::wired() + QLatin1Char(' ');
        QCOMPARE(f.polls().mid(0, 7),
                 (QStringList{wired + "system_info", wired + "dimmer_info", wired + "dimmer_info",
                              wired + "dimmer_info", wired + "dimmer_info", wired + "system_info",
                              wired + "dimmer_info"}));
        QCOMPARE(f.changes(), QStringList());

        // The replies were read: the simulator's fourth channel appeared and the
        // names and the device's own name came over.
        QCOMPARE(f.root.rowCount(f.self()), 4);
        QCOMPARE(f.value(3, "light_id"), QVariant(4));
        QCOMPARE(f.value("name"), QVariant(QStringLiteral("Simulated")));
        QCOMPARE(f.value("connection_status"), QVariant(true));
        QCOMPARE(f.value(3, "connection_status"), QVariant(true));
        QCOMPARE(f.value("controller_version"), QVariant(QStringLiteral("stm32f103 medium")));
        QCOMPARE(f.value("inputs_count"), QVariant(4));
        // Each request's abort timer went with its reply.
        QTRY_VERIFY_WITH_TIMEOUT(
            f.controller->findChildren<QTimer *>(QString(), Qt::FindDirectChildrenOnly).size() <= 1,
            WaitMs);
        QCOMPARE(f.tester.unexpected(), QStringList());
    }

    void anOversizedReplyIsCutOff()
    {
        // Valid JSON saying "ok", but far larger than any real reply.
        const QByteArray body = "{\"response\":\"ok\"" + QByteArray(2 * 1024 * 1024, ' ') + "}";
        FixedReplyServer server("HTTP/1.1 200 OK\r\nContent-Type: application/json\r\n"
                                "Content-Length: " +
                                QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" +
                                body);
        QVERIFY(server.listen());
        ControllerNetwork f(FixedReplyServer::address(), FixedReplyServer::address());
        f.start();
        QTRY_COMPARE_WITH_TIMEOUT(f.handled.size(), 1, WaitMs);
        // Handled as a network error: tolerated once, the connection not confirmed.
        QCOMPARE(f.value("connection_status"), QVariant(false));
        QCOMPARE(f.value("using_interface"), QVariant(1));
        QTRY_COMPARE_WITH_TIMEOUT(f.handled.size(), 2, WaitMs);
        QCOMPARE(f.value("using_interface"), QVariant(2));
        QCOMPARE(server.requests, 2);
        QCOMPARE(f.tester.unexpected(), QStringList());
    }

    void ticksWaitForAnEditInFlight()
    {
        ControllerNetwork f;
        QVERIFY(f.sim.start());
        addChannels(f);
        f.start();
        // After the second dimmer_info reply the cycle stands at its second tick.
        QTRY_COMPARE_WITH_TIMEOUT(f.repliesFor(QStringLiteral("dimmer_info")), 2, PollsWaitMs);
        f.sim.setReplyDelay(3500);
        const int before = f.sim.requests().size();
        QVERIFY(f.root.write(f.channel(0), "brightness", 30));

        int receivedWhenAnswered = -1;
        const QMetaObject::Connection watch = QObject::connect(
            f.manager, &QNetworkAccessManager::finished, f.manager, [&](QNetworkReply *reply) {
                if (reply->url().query().contains(QLatin1String("light_brightness"))) {
                    receivedWhenAnswered = f.sim.requests().size();
                }
            });
        QTRY_VERIFY_WITH_TIMEOUT(receivedWhenAnswered >= 0, PollsWaitMs);
        // Only the edit reached the device while it was in flight.
        QCOMPARE(receivedWhenAnswered, before + 1);
        QObject::disconnect(watch);
        f.sim.setReplyDelay(0);

        // Polling resumes where it stood: two more dimmer_info, then system_info.
        QTRY_VERIFY_WITH_TIMEOUT(f.polls().size() >= 6, PollsWaitMs);
        const QString wired = ControllerNetwork::wired() + QLatin1Char(' ');
        QCOMPARE(f.polls().mid(0, 6), (QStringList{wired + "system_info", wired + "dimmer_info",
                                                   wired + "dimmer_info", wired + "dimmer_info",
                                                   wired + "dimmer_info", wired + "system_info"}));
        QCOMPARE(f.changes(), QStringList{set + "light_brightness&ch_1=30"});
        QCOMPARE(f.tester.unexpected(), QStringList());
    }

    void statusIsNotReadWhileAnotherRequestIsInFlight()
    {
        // The node starts on the quick device; the edit goes to a slow one.
        ControllerNetwork f(ControllerNetwork::wired(), QString());
        QVERIFY(f.sim.start());
        SimulatedController slow(QStringLiteral("127.0.0.5"), QString(),
                                 ControllerNetwork::uniqueId(), QStringLiteral("Slow"));
        QVERIFY(slow.start());
        slow.setReplyDelay(3000);
        f.start();
        // Edits wait for the device to confirm its identity, and for its channels.
        QTRY_COMPARE_WITH_TIMEOUT(f.root.rowCount(f.self()), 4, WaitMs);

        // The next poll's answer would rename the node or dim channel 1.
        f.sim.setName(QStringLiteral("Renamed"));
        f.sim.setBrightness(1, 55);
        f.sim.setReplyDelay(300);
        const int handled = f.handled.size();
        bool edited = false;
        QObject::connect(&f.sim, &SimulatedController::requestReceived, &f.sim,
                         [&](const SimulatedController::Request &request) {
                             if (edited || !ControllerNetwork::isGet(request)) {
                                 return;
                             }
                             edited = true;
                             f.root.write(f.self(), "ipAddress_1", QStringLiteral("127.0.0.5"));
                             f.root.write(f.self(), "modbus_address", 7);
                         });
        QTRY_COMPARE_WITH_TIMEOUT(f.handled.size(), handled + 1, WaitMs);
        QVERIFY(edited);
        // Its status was not read, yet the answer confirmed the connection.
        QCOMPARE(f.repliesFor(QStringLiteral("modbus_address")), 0);
        QCOMPARE(f.value("connection_status"), QVariant(true));
        QCOMPARE(f.value("name"), QVariant(QStringLiteral("Simulated")));
        QCOMPARE(f.value(0, "brightness"), QVariant(0));
        QTRY_COMPARE_WITH_TIMEOUT(f.repliesFor(QStringLiteral("modbus_address")), 1, WaitMs);
        QCOMPARE(slow.requests().first().query, set + "modbus_address&val=7");
        QCOMPARE(f.tester.unexpected(), QStringList());
    }

    void aNodeWithOnlyTheWiredAddressReturnsToIt()
    {
        ControllerNetwork f(ControllerNetwork::wired(), QString());
        QVERIFY(f.sim.start());
        addChannels(f);
        f.sim.setNonJsonBody(true);
        QSignalSpy lost(f.controller, &NorvaleoDimmer::lostConnection);
        f.start();
        // An unreadable body is a failure event at once.
        QTRY_COMPARE_WITH_TIMEOUT(f.value("using_interface"), QVariant(2), WaitMs);
        QCOMPARE(f.value("connection_status"), QVariant(false));
        QCOMPARE(f.value(2, "connection_status"), QVariant(false));
        f.sim.setNonJsonBody(false);

        QTRY_COMPARE_WITH_TIMEOUT(f.value("connection_status"), QVariant(true), WaitMs);
        QCOMPARE(f.value("using_interface"), QVariant(1));
        QCOMPARE(f.value(2, "connection_status"), QVariant(true));
        const QString wired = ControllerNetwork::wired() + QLatin1Char(' ');
        QCOMPARE(f.polls().mid(0, 2), (QStringList{wired + "system_info", wired + "system_info"}));
        QCOMPARE(lost.count(), 0);
        QCOMPARE(f.tester.unexpected(), QStringList());
    }

    void refusedConnectionsCountAsNetworkErrors()
    {
        ControllerNetwork f;
        QVERIFY(f.sim.start());
        addChannels(f);
        f.start();
        QTRY_COMPARE_WITH_TIMEOUT(f.value("connection_status"), QVariant(true), WaitMs);
        QSignalSpy lost(f.controller, &NorvaleoDimmer::lostConnection);

        f.sim.setAddressRefusing(ControllerNetwork::wired(), true);
        // The first refused poll is tolerated, the second switches to Wi-Fi.
        QTRY_COMPARE_WITH_TIMEOUT(f.value("using_interface"), QVariant(2), PollsWaitMs);
        QCOMPARE(f.value("connection_status"), QVariant(false));
        QTRY_COMPARE_WITH_TIMEOUT(f.value("connection_status"), QVariant(true), WaitMs);
        // The first request on the other address is system_info.
        QCOMPARE(f.polls().last(), ControllerNetwork::wifi() + " system_info");
        QCOMPARE(lost.count(), 0);
        QCOMPARE(f.tester.unexpected(), QStringList());
    }

    // One network thread serves every controller, and each controller still
    // hears only the replies to its own requests.
    void controllersShareOneNetworkThreadAndKeepTheirReplies()
    {
        constexpr int Count = 6;
        std::vector<std::unique_ptr<SimulatedController>> devices;
        TestRootModel root;
        ModelTester tester{&root};
        QVector<NorvaleoDimmer *> controllers;
        QVector<QStringList> hosts(Count);
        for (int i = 0; i < Count; ++i) {
            const QString wired = QStringLiteral("127.0.1.%1").arg(10 + 2 * i);
            const QString wifi = QStringLiteral("127.0.1.%1").arg(11 + 2 * i);
            const QString uniqueId = QStringLiteral("NV-10%1").arg(i);
            devices.push_back(std::make_unique<SimulatedController>(
                wired, wifi, uniqueId, QStringLiteral("Device %1").arg(i), i + 1));
            QVERIFY(devices.back()->start());
            controllers.append(root.addController(wired, wifi, uniqueId, QStringLiteral("Node")));
        }
        const auto startAndWatch = [&](int i) {
            controllers[i]->startCommunication();
            auto *manager = controllers[i]->findChild<QNetworkAccessManager *>();
            QVERIFY(manager);
            QObject::connect(
                manager, &QNetworkAccessManager::finished, manager,
                [&hosts, i](QNetworkReply *reply) { hosts[i].append(reply->url().host()); });
        };

        startAndWatch(0);
        QTRY_COMPARE_WITH_TIMEOUT(root.rowCount(root.controllerIndex(0)), 1, WaitMs);
        const int threadsWithOne = threadCount();
        for (int i = 1; i < Count; ++i) {
            startAndWatch(i);
        }
        for (int i = 0; i < Count; ++i) {
            const QModelIndex self = root.controllerIndex(i);
            QTRY_COMPARE_WITH_TIMEOUT(root.value(self, "name"),
                                      QVariant(QStringLiteral("Device %1").arg(i)), WaitMs);
            QTRY_COMPARE_WITH_TIMEOUT(root.rowCount(self), i + 1, WaitMs);
            QCOMPARE(QSet<QString>(hosts[i].cbegin(), hosts[i].cend()),
                     QSet<QString>{root.value(self, "ipAddress_1").toString()});
        }
        QCOMPARE(threadCount(), threadsWithOne);
        QCOMPARE(tester.unexpected(), QStringList());
    }

    // The reply to a request in flight ends with its controller, as it did
    // when each controller had a manager and a thread of its own.
    void aDeletedControllerTakesItsRequestInFlightAlong()
    {
        ControllerNetwork f;
        QVERIFY(f.sim.start());
        f.sim.setReplyDelay(3000);
        auto *controller =
            new NorvaleoDimmer(ControllerNetwork::wired(), ControllerNetwork::wifi(),
                               ControllerNetwork::uniqueId(), QStringLiteral("Alone"), 0, nullptr);
        controller->startCommunication();
        const QPointer<QNetworkReply> reply = controller->findChild<QNetworkReply *>();
        QVERIFY(reply);
        QTRY_COMPARE_WITH_TIMEOUT(f.sim.requests().size(), 1, WaitMs);
        delete controller;
        QVERIFY(reply.isNull());
        // The shared carrier goes on serving the others.
        f.sim.setReplyDelay(0);
        f.start();
        QTRY_COMPARE_WITH_TIMEOUT(f.repliesFor(QStringLiteral("system_info")), 1, WaitMs);
    }
};

QTEST_GUILESS_MAIN(TestNorvaleoDimmerNetwork)
#include "tst_norvaleodimmer_network.moc"
