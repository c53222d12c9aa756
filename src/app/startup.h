#ifndef STARTUP_H
#define STARTUP_H

#include "registry/settingsfile.h"

#include <QUrl>

class QQmlEngine;
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

    // The two enumerations, as uncreatable types of "Project.types" 1.0.
    static void registerQmlTypes();

    // The back-end objects QML sees, created after the role registry is
    // filled; they live until the process ends.
    struct Backend
    {
        RootModel *rootModel;
        FavouritesFilterProxyModel *favourites;
    };
    static Backend createBackend(const SettingsFile &settingsFile = SettingsFile());
    static void exposeBackend(QQmlEngine &engine, const Backend &backend);
};

#endif // STARTUP_H
