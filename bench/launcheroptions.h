#ifndef LAUNCHEROPTIONS_H
#define LAUNCHEROPTIONS_H

#include <QString>
#include <QtGlobal>

// What bench_launcher was asked to do, read from its arguments before the
// application object exists (the start-up code constructs that).
struct LauncherOptions
{
    enum class Mode {
        Startup, // print the first frame's time and quit
        Idle,    // show the window until killed (memory and CPU are read from /proc)
        Frames,  // open a channel grid, then record frame intervals and stalls
        Search,  // start a network search and report what the first tick shows
    };

    Mode mode = Mode::Startup;
    bool emptyWindow = false; // the bare window instead of the application
    bool textWindow = false;  // the bare window with one text instead of the application
    int settleMs = 5000;      // Frames: time for the first poll replies before measuring
    int durationMs = 30000;   // Frames: length of each measuring phase
    qint64 entryNs = 0;       // CLOCK_MONOTONIC at main()
    // Another main file for the application, for experiments (e.g. a copy of
    // main.qml without a part) that find what a part costs.
    QString mainUrl = QStringLiteral("qrc:/main.qml");

    // Takes the launcher's own arguments out of argv; the rest is left to Qt
    // and the application. False on a bad value.
    static bool parse(int &argc, char **argv, LauncherOptions &options);
    static qint64 monotonicNs();
};

#endif // LAUNCHEROPTIONS_H
