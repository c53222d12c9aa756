#include "launcheroptions.h"

#include <cstdlib>
#include <cstring>
#include <ctime>

namespace {

bool readInt(const char *text, int &value)
{
    char *end = nullptr;
    const long number = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || number < 0 || number > 3600000) {
        return false;
    }
    value = int(number);
    return true;
}

} // namespace

bool LauncherOptions::parse(int &argc, char **argv, LauncherOptions &options)
{
    // What is not the launcher's stays in argv, for Qt and the application's
    // own command line (which refuses options it does not know).
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
        const char *arg = argv[i];
        const char *next = i + 1 < argc ? argv[i + 1] : nullptr;
        if (std::strcmp(arg, "--empty") == 0) {
            options.emptyWindow = true;
            continue;
        }
        if (std::strcmp(arg, "--text-window") == 0) {
            options.textWindow = true;
            continue;
        }
        if (!next) {
            argv[kept++] = argv[i];
            continue;
        }
        if (std::strcmp(arg, "--mode") == 0) {
            ++i;
            if (std::strcmp(next, "startup") == 0) {
                options.mode = Mode::Startup;
            } else if (std::strcmp(next, "idle") == 0) {
                options.mode = Mode::Idle;
            } else if (std::strcmp(next, "frames") == 0) {
                options.mode = Mode::Frames;
            } else if (std::strcmp(next, "search") == 0) {
                options.mode = Mode::Search;
            } else {
                return false;
            }
        } else if (std::strcmp(arg, "--main-url") == 0) {
            ++i;
            options.mainUrl = QString::fromLocal8Bit(next);
        } else if (std::strcmp(arg, "--settle-ms") == 0) {
            ++i;
            if (!readInt(next, options.settleMs)) {
                return false;
            }
        } else if (std::strcmp(arg, "--duration-ms") == 0) {
            ++i;
            if (!readInt(next, options.durationMs)) {
                return false;
            }
        } else {
            argv[kept++] = argv[i];
        }
    }
    argc = kept;
    argv[argc] = nullptr;
    return true;
}

qint64 LauncherOptions::monotonicNs()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return qint64(now.tv_sec) * 1000000000 + now.tv_nsec;
}
