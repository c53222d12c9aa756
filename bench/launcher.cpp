// Starts NorvaleoDimmer exactly as its main() does (Startup::run), or a bare
// Qt Quick window for comparison, with a Scenario object watching the window
// from outside the product code. Used by bench/run.
#include "app/highdpiattributes.h"
#include "app/startup.h"
#include "launcheroptions.h"
#include "scenario.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QQmlApplicationEngine>
#include <QQmlDebuggingEnabler>
#include <QUrl>

#include <cstdio>
#include <cstring>

namespace {

LauncherOptions options;

// Runs inside the application object's constructor, before any window exists.
void installScenario()
{
    new Scenario(options, QCoreApplication::instance());
}

// The same steps as Startup::run without anything of the application.
int runReferenceWindow(int &argc, char **argv, const QUrl &url)
{
    HighDpiAttributes::apply();
    QGuiApplication app(argc, argv);
    QQmlApplicationEngine engine;
    QObject::connect(
        &engine, &QQmlApplicationEngine::objectCreated, &app,
        [url](QObject *object, const QUrl &created) {
            if (!object && created == url) {
                QCoreApplication::exit(-1);
            }
        },
        Qt::QueuedConnection);
    engine.load(url);
    return app.exec();
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(installScenario)

int main(int argc, char **argv)
{
    options.entryNs = LauncherOptions::monotonicNs();
    // The QML profiler (qmlprofiler -- bench_launcher ...) can attach only
    // when asked for; without the argument nothing of the debugger runs.
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "-qmljsdebugger", 14) == 0) {
            static QQmlDebuggingEnabler enabler(false);
        }
    }
    if (!LauncherOptions::parse(argc, argv, options)) {
        std::fputs(
            "usage: bench_launcher [--empty | --text-window] [--mode startup|idle|frames|search] "
            "[--settle-ms N] [--duration-ms N] [--main-url URL]\n",
            stderr);
        return 2;
    }
    if (options.emptyWindow) {
        return runReferenceWindow(argc, argv, QUrl(QStringLiteral("qrc:/bench/EmptyWindow.qml")));
    }
    if (options.textWindow) {
        return runReferenceWindow(argc, argv, QUrl(QStringLiteral("qrc:/bench/TextWindow.qml")));
    }
    return Startup::run(argc, argv, QUrl(options.mainUrl));
}
