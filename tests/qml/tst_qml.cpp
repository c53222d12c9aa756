#include "app/startup.h"
#include "model/favouritesfilterproxymodel.h"
#include "registry/rootmodel.h"
#include "simulatorfixture.h"

#include <QAccessible>
#include <QCoreApplication>
#include <QQmlContext>
#include <QQmlEngine>
#include <QTemporaryDir>
#include <QtQuickTest>

#include <dlfcn.h>

// Gives every Qt Quick test the real root model and favourites proxy, as the
// application does, plus `simulator` for simulated controllers. Settings go to
// a temporary directory of this process.
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
        QCoreApplication::setApplicationName(QStringLiteral("NorvaleoDimmer"));
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
    }

private:
    QTemporaryDir settingsDir;
};

QUICK_TEST_MAIN_WITH_SETUP(norvaleo_qml, Setup)

#include "tst_qml.moc"
