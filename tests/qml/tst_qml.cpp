#include "app/startup.h"
#include "model/favouritesfilterproxymodel.h"
#include "model/rootmodel.h"
#include "simulatorfixture.h"

#include <QCoreApplication>
#include <QQmlContext>
#include <QQmlEngine>
#include <QTemporaryDir>
#include <QtQuickTest>

// Gives every Qt Quick test the real root model and favourites proxy, as the
// application does, plus `simulator` for simulated controllers. Settings go to
// a temporary directory of this process.
class Setup : public QObject
{
    Q_OBJECT

public Q_SLOTS:
    void applicationAvailable()
    {
        QCoreApplication::setApplicationName(QStringLiteral("NorvaleoDimmer"));
        Startup::registerQmlTypes();
    }

    void qmlEngineAvailable(QQmlEngine *engine)
    {
        const Startup::Backend backend = Startup::createBackend(settingsDir.path());
        auto *fixture = new SimulatorFixture(backend.rootModel, settingsDir.path(), engine);
        Startup::exposeBackend(*engine, backend);
        engine->rootContext()->setContextProperty(QStringLiteral("simulator"), fixture);
    }

private:
    QTemporaryDir settingsDir;
};

QUICK_TEST_MAIN_WITH_SETUP(norvaleo_qml, Setup)

#include "tst_qml.moc"
