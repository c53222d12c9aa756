#include "app/startup.h"

#include "device/dimmerinputstypes.h"
#include "model/dimmer.h"
#include "model/favouritesfilterproxymodel.h"
#include "registry/roleregistry.h"
#include "registry/rootmodel.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QIcon>
#include <QQmlApplicationEngine>
#include <QQmlContext>
#include <QVector>

namespace {
const char *const typesUri = "Project.types";
const char *const enumsOnly = "Access to enums & flags only";
} // namespace

void Startup::registerQmlTypes()
{
    qmlRegisterUncreatableMetaObject(Dimmer::staticMetaObject, typesUri, 1, 0, "DimmerChType",
                                     QString::fromLatin1(enumsOnly));
    qmlRegisterUncreatableMetaObject(DimmerInputsTypes::staticMetaObject, typesUri, 1, 0,
                                     "DimmerInputType", QString::fromLatin1(enumsOnly));
}

Startup::Backend Startup::createBackend(const QString &settingsBaseDirectory)
{
    RoleRegistry::fill();
    Backend backend{new RootModel(nullptr, settingsBaseDirectory),
                    new FavouritesFilterProxyModel()};
    backend.rootModel->loadSettings();
    // Built after the settings are read, so saved favourites are there at the first frame.
    backend.favourites->setSourceModel(backend.rootModel);
    backend.favourites->rebuildFavourites();
    // Deliberately never deleted; kept reachable so leak checkers see that.
    static auto *const alive = new QVector<Backend>;
    alive->append(backend);
    return backend;
}

void Startup::exposeBackend(QQmlEngine &engine, const Backend &backend)
{
    engine.rootContext()->setContextProperty(QStringLiteral("norvaleoDevicesModel"),
                                             backend.rootModel);
    engine.rootContext()->setContextProperty(QStringLiteral("favouritesFilterProxyModel"),
                                             backend.favourites);
}

int Startup::run(int &argc, char **argv, const QUrl &mainUrl)
{
    QCoreApplication::setAttribute(Qt::AA_EnableHighDpiScaling);
    QCoreApplication::setAttribute(Qt::AA_UseHighDpiPixmaps);
    QGuiApplication app(argc, argv);
    app.setWindowIcon(QIcon(QStringLiteral(":/icons/main.png")));
    app.setApplicationName(QStringLiteral("NorvaleoDimmer"));

    QQmlApplicationEngine engine;
    QObject::connect(
        &engine, &QQmlApplicationEngine::objectCreated, &app,
        [mainUrl](QObject *object, const QUrl &url) {
            if (!object && url == mainUrl) {
                QCoreApplication::exit(-1);
            }
        },
        Qt::QueuedConnection);

    registerQmlTypes();
    exposeBackend(engine, createBackend());
    engine.load(mainUrl);
    return app.exec();
}
