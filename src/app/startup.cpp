#include "app/startup.h"

#include "app/commandline.h"
#include "device/dimmerinputstypes.h"
#include "logging/logcategories.h"
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

#include <cstdio>

namespace {
const char *const typesUri = "Project.types";
const char *const enumsOnly = "Access to enums & flags only";

QStringList argumentList(int argc, char **argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i) {
        arguments.append(QString::fromLocal8Bit(argv[i]));
    }
    return arguments;
}

void setApplicationIdentity()
{
    QCoreApplication::setApplicationName(QStringLiteral("NorvaleoDimmer"));
    QCoreApplication::setApplicationVersion(QStringLiteral(NORVALEO_VERSION));
}

void print(FILE *stream, const QString &text)
{
    // UTF-8 as norvaleo-ctl writes, whatever the locale says.
    std::fputs(text.toUtf8().constData(), stream);
    std::fflush(stream);
}

// Help and version need no display, so they are answered before the GUI
// application exists.
int answerWithoutWindow(int &argc, char **argv, const CommandLine &commandLine)
{
    QCoreApplication app(argc, argv);
    setApplicationIdentity();
    if (commandLine.helpRequested()) {
        print(stdout, CommandLine::helpText());
    } else {
        print(stdout, QCoreApplication::applicationName() + QLatin1Char(' ') +
                          QCoreApplication::applicationVersion() + QLatin1Char('\n'));
    }
    return 0;
}

} // namespace

void Startup::registerQmlTypes()
{
    qmlRegisterUncreatableMetaObject(Dimmer::staticMetaObject, typesUri, 1, 0, "DimmerChType",
                                     QString::fromLatin1(enumsOnly));
    qmlRegisterUncreatableMetaObject(DimmerInputsTypes::staticMetaObject, typesUri, 1, 0,
                                     "DimmerInputType", QString::fromLatin1(enumsOnly));
}

Startup::Backend Startup::createBackend(const SettingsFile &settingsFile)
{
    qCDebug(lcSettings) << "reads" << settingsFile.readPath() << "writes"
                        << settingsFile.filePath();
    RoleRegistry::fill();
    Backend backend{new RootModel(nullptr, settingsFile), new FavouritesFilterProxyModel()};
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
    CommandLine commandLine;
    commandLine.parse(argumentList(argc, argv));
    if (commandLine.helpRequested() || commandLine.versionRequested()) {
        return answerWithoutWindow(argc, argv, commandLine);
    }

    QGuiApplication app(argc, argv);
    app.setWindowIcon(QIcon(QStringLiteral(":/icons/main.png")));
    setApplicationIdentity();
    // Wayland's app id and the desktop's match of window and launcher.
    QGuiApplication::setDesktopFileName(QStringLiteral(NORVALEO_APP_ID));
    // Parsed again without the options the application object took for itself.
    if (!commandLine.parse(app.arguments())) {
        print(stderr, QCoreApplication::applicationName() + QStringLiteral(": ") +
                          commandLine.errorText() + QStringLiteral("\n\n") +
                          CommandLine::helpText());
        return 2;
    }

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
    const QString settingsDirectory = commandLine.settingsDirectory();
    exposeBackend(engine, createBackend(settingsDirectory.isEmpty()
                                            ? SettingsFile()
                                            : SettingsFile::inDirectory(settingsDirectory)));
    engine.load(mainUrl);
    return app.exec();
}
