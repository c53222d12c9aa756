// Starts a handful of simulated dimmer controllers for demos and end-to-end tests.
// Run it inside scripts/netns-run: the controllers answer broadcasts and bind
// port 80 of their addresses.

#include "simulatedcontroller.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QHostAddress>

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

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("norvaleo-simulator"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Simulated Norvaleo dimmer controllers (UDP 1112, HTTP 80)."));
    parser.addHelpOption();
    const QCommandLineOption countOption(QStringLiteral("count"),
                                         QStringLiteral("Number of controllers (default 3)."),
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
    parser.addOptions({countOption, channelsOption, firstAddressOption, namePrefixOption,
                       noWifiOption, logOption});
    parser.process(app);

    bool countOk = false;
    bool channelsOk = false;
    const int count = parser.value(countOption).toInt(&countOk);
    const int channels = parser.value(channelsOption).toInt(&channelsOk);
    QHostAddress first;
    if (!countOk || count < 1 || count > 100 || !channelsOk || channels < 0 || channels > 99 ||
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

    return app.exec();
}
