// Runs the real start-up with a main file that fails to load: the process must
// end with -1 as soon as the event loop starts, instead of running windowless.
#include "app/startup.h"

#include <cstdio>

#include <unistd.h>

int main(int argc, char **argv)
{
    // If the exit never comes, SIGALRM ends the process and the test fails
    // instead of hanging.
    alarm(20);
    const int result =
        Startup::run(argc, argv, QUrl::fromLocalFile(QStringLiteral(DATA_DIR "/broken.qml")));
    if (result != -1) {
        std::fprintf(stderr, "FAIL: exit code %d, expected -1\n", result);
        return 1;
    }
    std::printf("PASS: a broken main file ends the process with -1\n");
    return 0;
}
