// Starts NorvaleoDimmer exactly as its main() does (Startup::run), or a bare
// Qt Quick window for comparison, with a Scenario object watching the window
// from outside the product code. Used by bench/run.
#include "app/startup.h"
#include "launcheroptions.h"
#include "scenario.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QQmlApplicationEngine>
#include <QUrl>

#include <cstdio>

namespace {

LauncherOptions options;

// Runs inside the application object's constructor, before any window exists.
void installScenario()
{
    new Scenario(options, QCoreApplication::instance());
}

// The same steps as Startup::run without anything of the application.
int runEmptyWindow(int &argc, char **argv)
{
    QCoreApplication::setAttribute(Qt::AA_EnableHighDpiScaling);
    QCoreApplication::setAttribute(Qt::AA_UseHighDpiPixmaps);
    QGuiApplication app(argc, argv);
    QQmlApplicationEngine engine;
    const QUrl url(QStringLiteral("qrc:/bench/EmptyWindow.qml"));
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
    if (!LauncherOptions::parse(argc, argv, options)) {
        std::fputs("usage: bench_launcher [--empty] [--mode startup|idle|frames|search] "
                   "[--settle-ms N] [--duration-ms N]\n",
                   stderr);
        return 2;
    }
    if (options.emptyWindow) {
        return runEmptyWindow(argc, argv);
    }
    return Startup::run(argc, argv, QUrl(QStringLiteral("qrc:/main.qml")));
}
