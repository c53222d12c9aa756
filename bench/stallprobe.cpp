#include "stallprobe.h"

#include "launcheroptions.h"

#include <QTimerEvent>

StallProbe::StallProbe(QObject *parent) : QObject(parent)
{
}

void StallProbe::start()
{
    late.clear();
    late.reserve(1 << 16);
    expected = LauncherOptions::monotonicNs() + qint64(IntervalMs) * 1000000;
    timerId = startTimer(IntervalMs, Qt::PreciseTimer);
}

void StallProbe::stop()
{
    if (timerId >= 0) {
        killTimer(timerId);
        timerId = -1;
    }
}

void StallProbe::timerEvent(QTimerEvent *event)
{
    if (event->timerId() != timerId) {
        QObject::timerEvent(event);
        return;
    }
    const qint64 now = LauncherOptions::monotonicNs();
    late.append(qMax<qint64>(0, now - expected));
    // Qt's own schedule for a precise timer: one interval after the last due
    // time, or after now when that has passed already.
    expected += qint64(IntervalMs) * 1000000;
    if (expected < now) {
        expected = now + qint64(IntervalMs) * 1000000;
    }
}
