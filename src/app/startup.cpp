#include "app/startup.h"

#include "app/commandline.h"
#include "app/highdpiattributes.h"
#include "app/ipv4validator.h"
#include "device/dimmerinputstypes.h"
#include "logging/logcategories.h"
#include "model/dimmer.h"
#include "model/favouritesfilterproxymodel.h"
#include "registry/configurationtransfer.h"
#include "registry/roleregistry.h"
#include "registry/rootmodel.h"
#ifdef Q_OS_UNIX
#include "system/signalwatcher.h"
#endif

#include <QApplication>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QIcon>
#include <QQmlApplicationEngine>
#include <QQmlContext>
#include <QQuickWindow>
#include <QTimer>
#include <QVector>

#include <csignal>
#include <cstdio>
#include <memory>

#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace {
const char *const typesUri = "Project.types";
const char *const enumsOnly = "Access to enums & flags only";
// After the first frame's shaders are compiled and the first replies are
// read, the heap holds megabytes freed by start-up alone.
constexpr int ReleaseStartupMemoryMs = 5000;
// Pictures of :/icons/main.png drawn at these sizes: decoding the 1024 x 1024
// one cost 20 ms and 8 MB at start-up, and window managers show much less.
constexpr int WindowIconSizes[] = {16, 32, 48, 64, 128, 256};

QStringList argumentList(int argc, char **argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i) {
        arguments.append(QString::fromLocal8Bit(argv[i]));
    }
    return arguments;
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
    Startup::setApplicationIdentity();
    if (commandLine.helpRequested()) {
        print(stdout, CommandLine::helpText());
    } else {
        print(stdout, QCoreApplication::applicationName() + QLatin1Char(' ') +
                          QCoreApplication::applicationVersion() + QLatin1Char('\n'));
    }
    return 0;
}

} // namespace

void Startup::setApplicationIdentity()
{
    QCoreApplication::setApplicationName(QStringLiteral("NorvaleoDimmer"));
    QCoreApplication::setApplicationVersion(QStringLiteral(NORVALEO_VERSION));
}

void Startup::registerQmlTypes()
{
    qmlRegisterUncreatableMetaObject(Dimmer::staticMetaObject, typesUri, 1, 0, "DimmerChType",
                                     QString::fromLatin1(enumsOnly));
    qmlRegisterUncreatableMetaObject(DimmerInputsTypes::staticMetaObject, typesUri, 1, 0,
                                     "DimmerInputType", QString::fromLatin1(enumsOnly));
    qmlRegisterType<Ipv4Validator>(typesUri, 1, 0, "Ipv4Validator");
}

Startup::Backend Startup::createBackend(const SettingsFile &settingsFile, bool startCommunication)
{
    qCDebug(lcSettings) << "reads" << settingsFile.readPath() << "writes"
                        << settingsFile.filePath();
    RoleRegistry::fill();
    auto *rootModel = new RootModel(nullptr, settingsFile);
    Backend backend{rootModel, new FavouritesFilterProxyModel(),
                    new ConfigurationTransfer(rootModel, rootModel)};
    backend.rootModel->loadSettings(startCommunication);
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
    engine.rootContext()->setContextProperty(QStringLiteral("configurationTransfer"),
                                             backend.configuration);
}

QIcon Startup::windowIcon()
{
    QIcon icon;
    for (const int size : WindowIconSizes) {
        icon.addFile(QStringLiteral(":/icons/main-%1.png").arg(size), QSize(size, size));
    }
    return icon;
}

void Startup::startCommunicationAfterFirstFrame(QQmlApplicationEngine &engine, RootModel *rootModel,
                                                int graceMs)
{
    // Starting is idempotent per controller, so a frame and the timer may both come.
    QTimer::singleShot(graceMs, rootModel, &RootModel::startDevicesCommunication);
    const QList<QObject *> roots = engine.rootObjects();
    auto *window = roots.isEmpty() ? nullptr : qobject_cast<QQuickWindow *>(roots.first());
    if (!window) {
        return;
    }
    // frameSwapped comes from the render thread; the start runs on the GUI thread.
    auto connection = std::make_shared<QMetaObject::Connection>();
    *connection = QObject::connect(
        window, &QQuickWindow::frameSwapped, rootModel,
        [rootModel, connection] {
            QObject::disconnect(*connection);
            rootModel->startDevicesCommunication();
            QTimer::singleShot(ReleaseStartupMemoryMs, rootModel, &Startup::releaseFreedMemory);
        },
        Qt::QueuedConnection);
}

void Startup::releaseFreedMemory()
{
#ifdef __GLIBC__
    // glibc keeps freed pages of every thread's heap; this hands them back.
    malloc_trim(0);
#endif
}

void Startup::saveOnEveryWayOut(QGuiApplication &app, RootModel *rootModel)
{
    rootModel->setSaveDelay(SaveDelayMs);
    QObject::connect(&app, &QCoreApplication::aboutToQuit, rootModel, &RootModel::saveSettings);
#ifndef QT_NO_SESSIONMANAGER
    QObject::connect(&app, &QGuiApplication::commitDataRequest, rootModel,
                     [rootModel] { rootModel->saveSettings(); });
#endif
#ifdef Q_OS_UNIX
    auto *watcher = new SignalWatcher(&app);
    for (const int number : {SIGTERM, SIGINT, SIGHUP}) {
        watcher->watch(number);
    }
    QObject::connect(watcher, &SignalWatcher::received, &app, &QCoreApplication::quit);
#endif
}

int Startup::run(int &argc, char **argv, const QUrl &mainUrl)
{
    HighDpiAttributes::apply();
    CommandLine commandLine;
    const bool understood = commandLine.parse(argumentList(argc, argv));
    if (commandLine.helpRequested() || commandLine.versionRequested()) {
        return answerWithoutWindow(argc, argv, commandLine);
    }
    // Refused before anything needs a display: over SSH or in a script there
    // may be none, and Qt would abort instead of saying what is wrong.
    if (!understood) {
        print(stderr, QStringLiteral("NorvaleoDimmer: ") + commandLine.errorText() +
                          QStringLiteral("\n\n") + CommandLine::helpText());
        return 2;
    }

    // A QApplication, so that the file dialog has Qt's own to fall back on.
    QApplication app(argc, argv);
    app.setWindowIcon(windowIcon());
    setApplicationIdentity();
    // Wayland's app id and the desktop's match of window and launcher.
    QGuiApplication::setDesktopFileName(QStringLiteral(NORVALEO_APP_ID));

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
    const Backend backend = createBackend(
        settingsDirectory.isEmpty() ? SettingsFile() : SettingsFile::inDirectory(settingsDirectory),
        false);
    exposeBackend(engine, backend);
    saveOnEveryWayOut(app, backend.rootModel);
    engine.load(mainUrl);
    startCommunicationAfterFirstFrame(engine, backend.rootModel);
    return app.exec();
}
