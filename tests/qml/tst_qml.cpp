#include "app/startup.h"
#include "model/favouritesfilterproxymodel.h"
#include "registry/rootmodel.h"
#include "simulatorfixture.h"

#include <QAccessible>
#include <QCoreApplication>
#include <QQmlContext>
#include <QQmlEngine>
#include <QQmlError>
#include <QStringList>
#include <QTemporaryDir>
#include <QtQuickTest>

#include <cstdio>
#include <dlfcn.h>

// Gives every Qt Quick test the real root model and favourites proxy, as the
// application does, plus `simulator` for simulated controllers. Settings go to
// a temporary directory of this process. A binding loop anywhere fails the
// run: the engine only warns about one and goes on.
class Setup : public QObject
{
    Q_OBJECT

public Q_SLOTS:
    void applicationAvailable()
    {
        // Mesa unloads its driver at exit, before LeakSanitizer looks; its
        // process-lifetime allocations would then be reported without a module
        // to suppress them by. Keeping the driver loaded lets lsan.supp name it.
        dlopen("/usr/lib/x86_64-linux-gnu/dri/swrast_dri.so", RTLD_NOW | RTLD_NODELETE);
        Startup::setApplicationIdentity();
        Startup::registerQmlTypes();
        // As when a screen reader runs: controls then fill in their roles.
        QAccessible::setActive(true);
    }

    void qmlEngineAvailable(QQmlEngine *engine)
    {
        const Startup::Backend backend = Startup::createBackend(SettingsFile(settingsDir.path()));
        auto *fixture = new SimulatorFixture(backend.rootModel, settingsDir.path(), engine);
        Startup::exposeBackend(*engine, backend);
        engine->rootContext()->setContextProperty(QStringLiteral("simulator"), fixture);
        engine->rootContext()->setContextProperty(QStringLiteral("projectVersion"),
                                                  QStringLiteral(NORVALEO_VERSION));
        QObject::connect(engine, &QQmlEngine::warnings, this, &Setup::recordBindingLoops);
    }

public:
    // The number of binding loops seen, each printed once more at the end.
    int reportBindingLoops() const
    {
        for (const QString &loop : bindingLoops)
            std::fprintf(stderr, "Binding loop: %s\n", qPrintable(loop));
        return bindingLoops.size();
    }

private:
    void recordBindingLoops(const QList<QQmlError> &warnings)
    {
        for (const QQmlError &warning : warnings) {
            if (warning.description().contains(QLatin1String("Binding loop detected")))
                bindingLoops.append(warning.toString());
        }
    }

    QTemporaryDir settingsDir;
    QStringList bindingLoops;
};

int main(int argc, char **argv)
{
    QTEST_SET_MAIN_SOURCE_PATH
    Setup setup;
    const int failures =
        quick_test_main_with_setup(argc, argv, "norvaleo_qml", QUICK_TEST_SOURCE_DIR, &setup);
    const int loops = setup.reportBindingLoops();
    return failures > 0 ? failures : (loops > 0 ? 1 : 0);
}

#include "tst_qml.moc"
