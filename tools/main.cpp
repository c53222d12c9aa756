// Starts a handful of simulated dimmer controllers for demos and end-to-end tests.
// Run it inside scripts/netns-run: the controllers answer broadcasts and bind
// port 80 of their addresses.

#include "simulatedcontroller.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QHostAddress>
#include <QRandomGenerator>
#include <QTimer>

#include <cstdio>
#include <memory>
#include <vector>

namespace {

const QStringList roomNames = {QStringLiteral("Гостиная"), QStringLiteral("Кухня"),
                               QStringLiteral("Спальня"),  QStringLiteral("Детская"),
                               QStringLiteral("Кабинет"),  QStringLiteral("Прихожая")};
const QStringList lampNames = {QStringLiteral("Люстра"),    QStringLiteral("Бра"),
                               QStringLiteral("Подсветка"), QStringLiteral("Торшер"),
                               QStringLiteral("Споты"),     QStringLiteral("Светодиодная лента"),
                               QStringLiteral("Ночник")};
const QStringList outputTypes = {QStringLiteral("T_EDGE"), QStringLiteral("L_EDGE"),
                                 QStringLiteral("PWM"), QStringLiteral("DIGITAL")};
const QStringList inputTypes = {QStringLiteral("CH_ON_OFF_DIMMING"), QStringLiteral("ADC"),
                                QStringLiteral("CH_CLASSIC_ON_OFF"), QStringLiteral("NO_FUNCTION")};
const QList<int> levels = {0, 255, 128, 64, 200, 0, 30, 180};

void printLine(const QString &line)
{
    std::fputs(line.toUtf8().constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

QString controllerName(const QString &prefix, int index)
{
    if (!prefix.isEmpty())
        return QStringLiteral("%1 %2").arg(prefix).arg(index + 1);
    const QString room = roomNames.at(index % roomNames.size());
    const int round = index / roomNames.size();
    return round == 0 ? room : QStringLiteral("%1 %2").arg(room).arg(round + 1);
}

QString addressAt(quint32 first, int offset)
{
    return offset < 0 ? QString() : QHostAddress(first + quint32(offset)).toString();
}

// Varied channels, inputs and readings so that every controller looks different.
void fillDemoState(SimulatedController &controller, int index)
{
    QVector<SimulatedController::Output> outputs = controller.outputs();
    for (int i = 0; i < outputs.size(); ++i) {
        SimulatedController::Output &output = outputs[i];
        const int n = index + i;
        output.name = lampNames.at(n % lampNames.size());
        if (n >= lampNames.size())
            output.name += QStringLiteral(" %1").arg(i + 1);
        output.brightness = levels.at((index * 3 + i) % levels.size());
        output.type = outputTypes.at(n % outputTypes.size());
        output.slowTime = 500 + 250 * (n % 5);
        output.minBrightness = i % 3 == 2 ? 10 : 0;
        output.maxBrightness = i % 4 == 3 ? 230 : 255;
    }
    controller.setOutputs(outputs);

    QVector<SimulatedController::Input> inputs = controller.inputs();
    for (int i = 0; i < inputs.size(); ++i) {
        inputs[i].type = inputTypes.at((index + i) % inputTypes.size());
        inputs[i].voltValue = inputs[i].type == QLatin1String("ADC") ? 4.5 + index : 0.0;
    }
    controller.setInputs(inputs);

    SimulatedController::Settings settings = controller.settings();
    settings.controllerVersion = index % 3 + 1;
    settings.modbusAddress = index + 1;
    settings.innerTmp = 38.5 + index;
    settings.externTmp = 26.0 + index * 0.5;
    settings.saveCounter = 17 + index * 5;
    settings.rs485Speed = index % 2 == 0 ? QStringLiteral("9600 8N1") : QStringLiteral("19200 8E1");
    controller.setSettings(settings);
}

// --chaos: every few seconds some controllers get a random fault switched on or
// all their faults switched off. Each controller has a second pair of
// addresses, first + 256 on, that a move takes it to and back from.
class Chaos
{
public:
    Chaos(const std::vector<std::unique_ptr<SimulatedController>> &controllers, quint32 seed)
        : random(seed)
    {
        for (const auto &controller : controllers) {
            const QString wired = controller->wiredAddress();
            const QString wifi = controller->wifiAddress();
            const auto moved = [](const QString &address) {
                return address.isEmpty()
                           ? QString()
                           : QHostAddress(QHostAddress(address).toIPv4Address() + 256).toString();
            };
            members.push_back({controller.get(), {wired, wifi}, {moved(wired), moved(wifi)}});
        }
    }

    void start()
    {
        timer.setSingleShot(true);
        QObject::connect(&timer, &QTimer::timeout, [this] { tick(); });
        timer.start(nextInterval());
    }

private:
    struct Member
    {
        SimulatedController *controller;
        QStringList home;
        QStringList away;
        bool atHome = true;
    };

    int nextInterval() { return 2000 + int(random.bounded(3000)); }

    QString pick(const QStringList &addresses)
    {
        const QString first = addresses.value(0);
        const QString second = addresses.value(1);
        if (second.isEmpty())
            return first;
        return random.bounded(2) ? second : first;
    }

    void tick()
    {
        for (Member &member : members) {
            if (random.bounded(5) != 0)
                continue;
            if (random.bounded(2))
                heal(member);
            else
                harm(member);
        }
        timer.start(nextInterval());
    }

    void heal(Member &member)
    {
        SimulatedController *c = member.controller;
        for (const QString &address : member.home + member.away) {
            if (address.isEmpty())
                continue;
            c->setAddressSilent(address, false);
            c->setAddressRefusing(address, false);
        }
        c->setReplyDelay(0);
        c->setTrickle(false);
        c->setNonJsonBody(false);
        c->setUdpSilent(false);
        c->setResponseText(QString());
        c->setReportedUniqueId(QString());
        report(member, QStringLiteral("healed"));
    }

    void harm(Member &member)
    {
        SimulatedController *c = member.controller;
        const QStringList &current = member.atHome ? member.home : member.away;
        switch (random.bounded(9)) {
        case 0: {
            const QString address = pick(current);
            c->setAddressSilent(address, true);
            report(member, QStringLiteral("silent on ") + address);
            break;
        }
        case 1: {
            const QString address = pick(current);
            c->setAddressRefusing(address, true);
            report(member, QStringLiteral("refusing on ") + address);
            break;
        }
        case 2: {
            const int delay = 200 + int(random.bounded(8000));
            c->setReplyDelay(delay);
            report(member, QStringLiteral("replies delayed %1 ms").arg(delay));
            break;
        }
        case 3:
            c->setTrickle(true, 100 + int(random.bounded(700)));
            report(member, QStringLiteral("trickling"));
            break;
        case 4:
            c->setNonJsonBody(true);
            report(member, QStringLiteral("non-JSON bodies"));
            break;
        case 5:
            c->setUdpSilent(true);
            report(member, QStringLiteral("UDP silent"));
            break;
        case 6:
            c->setResponseText(QStringLiteral("error"));
            report(member, QStringLiteral("responds \"error\""));
            break;
        case 7:
            c->setReportedUniqueId(QStringLiteral("NV-STRANGER"));
            report(member, QStringLiteral("reports another unique id"));
            break;
        default: {
            const QStringList &target = member.atHome ? member.away : member.home;
            if (c->moveToAddresses(target.value(0), target.value(1))) {
                member.atHome = !member.atHome;
                report(member, QStringLiteral("moved to ") + target.join(QLatin1Char(' ')));
            }
        }
        }
    }

    static void report(const Member &member, const QString &what)
    {
        printLine(QStringLiteral("chaos %1 %2").arg(member.controller->uniqueId(), what));
    }

    QRandomGenerator random;
    QTimer timer;
    std::vector<Member> members;
};

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("norvaleo-simulator"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Simulated Norvaleo dimmer controllers (UDP 1112, HTTP 80)."));
    parser.addHelpOption();
    const QCommandLineOption countOption(
        QStringLiteral("count"), QStringLiteral("Number of controllers, up to 1000 (default 3)."),
        QStringLiteral("N"), QStringLiteral("3"));
    const QCommandLineOption channelsOption(
        QStringLiteral("channels"), QStringLiteral("Output channels per controller (default 4)."),
        QStringLiteral("M"), QStringLiteral("4"));
    const QCommandLineOption firstAddressOption(
        QStringLiteral("first-address"),
        QStringLiteral("Wired address of the first controller; each controller takes two "
                       "consecutive addresses, wired then Wi-Fi (default 127.0.0.10)."),
        QStringLiteral("address"), QStringLiteral("127.0.0.10"));
    const QCommandLineOption namePrefixOption(
        QStringLiteral("name-prefix"),
        QStringLiteral("Name controllers <prefix> 1, <prefix> 2, ... instead of rooms."),
        QStringLiteral("prefix"));
    const QCommandLineOption noWifiOption(QStringLiteral("no-wifi"),
                                          QStringLiteral("Controllers without a Wi-Fi address."));
    const QCommandLineOption logOption(
        QStringLiteral("log"), QStringLiteral("Print every request and greeting to stdout."));
    const QCommandLineOption chaosOption(
        QStringLiteral("chaos"),
        QStringLiteral("Switch random faults on and off every few seconds (silence, refused "
                       "connections, delays, trickling, non-JSON, UDP silence, wrong answers, "
                       "moves to the addresses 256 further on)."));
    const QCommandLineOption seedOption(QStringLiteral("seed"),
                                        QStringLiteral("Seed of --chaos (default: random)."),
                                        QStringLiteral("N"));
    parser.addOptions({countOption, channelsOption, firstAddressOption, namePrefixOption,
                       noWifiOption, logOption, chaosOption, seedOption});
    parser.process(app);

    bool countOk = false;
    bool channelsOk = false;
    const int count = parser.value(countOption).toInt(&countOk);
    const int channels = parser.value(channelsOption).toInt(&channelsOk);
    QHostAddress first;
    if (!countOk || count < 1 || count > 1000 || !channelsOk || channels < 0 || channels > 99 ||
        !first.setAddress(parser.value(firstAddressOption)) ||
        first.protocol() != QAbstractSocket::IPv4Protocol) {
        std::fputs("norvaleo-simulator: bad --count, --channels or --first-address\n", stderr);
        return 2;
    }

    const bool log = parser.isSet(logOption);
    const bool withWifi = !parser.isSet(noWifiOption);
    std::vector<std::unique_ptr<SimulatedController>> controllers;
    for (int i = 0; i < count; ++i) {
        const quint32 base = first.toIPv4Address();
        const QString wired = addressAt(base, 2 * i);
        const QString wifi = withWifi ? addressAt(base, 2 * i + 1) : QString();
        const QString uniqueId =
            QStringLiteral("NV%1")
                .arg(QHostAddress(wired).toIPv4Address(), 8, 16, QLatin1Char('0'))
                .toUpper();
        auto controller = std::make_unique<SimulatedController>(
            wired, wifi, uniqueId, controllerName(parser.value(namePrefixOption), i), channels);
        fillDemoState(*controller, i);
        if (!controller->start()) {
            std::fprintf(stderr, "norvaleo-simulator: cannot listen on %s / %s\n",
                         qPrintable(wired), qPrintable(wifi));
            return 1;
        }
        if (log) {
            QObject::connect(controller.get(), &SimulatedController::requestReceived,
                             [](const SimulatedController::Request &request) {
                                 printLine(QStringLiteral("request %1 %2?%3")
                                               .arg(request.address, request.path, request.query));
                             });
            QObject::connect(
                controller.get(), &SimulatedController::greetingAnswered,
                [uniqueId](const QString &sender) {
                    printLine(QStringLiteral("greeting %1 answered by %2").arg(sender, uniqueId));
                });
        }
        printLine(QStringLiteral("%1\t%2\t%3\t%4")
                      .arg(uniqueId, controller->name(), wired, wifi.isEmpty() ? "-" : wifi));
        controllers.push_back(std::move(controller));
    }
    printLine(QStringLiteral("ready: %1 controllers").arg(count));

    std::unique_ptr<Chaos> chaos;
    if (parser.isSet(chaosOption)) {
        const quint32 seed = parser.isSet(seedOption) ? parser.value(seedOption).toUInt()
                                                      : QRandomGenerator::global()->generate();
        printLine(QStringLiteral("chaos seed %1").arg(seed));
        chaos = std::make_unique<Chaos>(controllers, seed);
        chaos->start();
    }
    return app.exec();
}
