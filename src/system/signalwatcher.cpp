#include "system/signalwatcher.h"

#include <QSocketNotifier>

#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {
// Written by the handler, which may use nothing but async-signal-safe calls.
int pipeEnds[2] = {-1, -1};
} // namespace

SignalWatcher::SignalWatcher(QObject *parent) : QObject(parent)
{
    if (pipeEnds[0] >= 0 || ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pipeEnds) != 0) {
        return;
    }
    ::fcntl(pipeEnds[1], F_SETFL, O_NONBLOCK);
    notifier = new QSocketNotifier(pipeEnds[0], QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, &SignalWatcher::readSignals);
}

SignalWatcher::~SignalWatcher()
{
    if (!notifier) {
        return;
    }
    delete notifier;
    ::close(pipeEnds[0]);
    ::close(pipeEnds[1]);
    pipeEnds[0] = pipeEnds[1] = -1;
}

bool SignalWatcher::watch(int signalNumber)
{
    if (!notifier) {
        return false;
    }
    struct sigaction action = {};
    action.sa_handler = &SignalWatcher::handle;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    return ::sigaction(signalNumber, &action, nullptr) == 0;
}

void SignalWatcher::handle(int signalNumber)
{
    const char number = char(signalNumber);
    const ssize_t written = ::write(pipeEnds[1], &number, 1);
    (void)written; // a full pipe already holds a wake-up
}

void SignalWatcher::readSignals()
{
    char numbers[16];
    const ssize_t count = ::read(pipeEnds[0], numbers, sizeof numbers);
    for (ssize_t i = 0; i < count; ++i) {
        Q_EMIT received(numbers[i]);
    }
}
