#ifndef STARTUP_H
#define STARTUP_H

#include "registry/settingsfile.h"

#include <QIcon>
#include <QUrl>

class QGuiApplication;
class QQmlApplicationEngine;
class QQmlEngine;
class ConfigurationTransfer;
class RootModel;
class FavouritesFilterProxyModel;

// Process start-up: prepares the application, registers what QML sees, builds
// the back end, loads the main file and runs the event loop.
class Startup
{
public:
    // Returns the event loop's result, -1 when the main file yields no root
    // object, 0 after --help or --version and 2 on an unknown option.
    static int run(int &argc, char **argv, const QUrl &mainUrl);

    // The application icon at the sizes window managers show.
    static QIcon windowIcon();

    // The name and the project's version, which the window title shows.
    static void setApplicationIdentity();

    // The two enumerations, as uncreatable types of "Project.types" 1.0.
    static void registerQmlTypes();

    // The back-end objects QML sees, created after the role registry is
    // filled; they live until the process ends. Without startCommunication
    // the restored controllers wait for RootModel::startDevicesCommunication.
    struct Backend
    {
        RootModel *rootModel;
        FavouritesFilterProxyModel *favourites;
        ConfigurationTransfer *configuration;
    };
    static Backend createBackend(const SettingsFile &settingsFile = SettingsFile(),
                                 bool startCommunication = true);
    static void exposeBackend(QQmlEngine &engine, const Backend &backend);

    // The restored controllers start polling once the window has drawn its
    // first frame, or after a grace period if no frame comes (a window that
    // starts hidden): long enough for a slow first frame, short enough not to
    // leave them idle.
    static constexpr int FirstFrameGraceMs = 3000;
    static void startCommunicationAfterFirstFrame(QQmlApplicationEngine &engine,
                                                  RootModel *rootModel,
                                                  int graceMs = FirstFrameGraceMs);

    // How long the list waits after a change before it is written.
    static constexpr int SaveDelayMs = 2000;
    // Saves a moment after each change and when the program is asked to end
    // by any way but its window (SIGTERM, SIGINT, SIGHUP, the session's end).
    static void saveOnEveryWayOut(QGuiApplication &app, RootModel *rootModel);

    // Returns the memory start-up freed to the system (a few seconds after
    // the first frame); nothing where the C library keeps no such pages.
    static void releaseFreedMemory();
};

#endif // STARTUP_H
