#include "mqtt/commandthrottle.h"

#include <QTimer>

CommandThrottle::CommandThrottle(int intervalMs, QObject *parent)
    : QObject(parent), intervalMs(intervalMs)
{
}

void CommandThrottle::submit(const QString &key, int level)
{
    const auto open = windows.find(key);
    if (open != windows.end() && open->timer->isActive()) {
        open->pending = level;
        return;
    }
    send(key, level);
}

void CommandThrottle::send(const QString &key, int level)
{
    Window &window = windows[key];
    if (!window.timer) {
        window.timer = new QTimer(this);
        window.timer->setSingleShot(true);
        window.timer->setInterval(intervalMs);
        connect(window.timer, &QTimer::timeout, this, [this, key] { endWindow(key); });
    }
    window.pending.reset();
    window.timer->start();
    Q_EMIT due(key, level);
}

void CommandThrottle::endWindow(const QString &key)
{
    const auto window = windows.find(key);
    if (window == windows.end()) {
        return;
    }
    if (window->pending) {
        send(key, *window->pending);
        return;
    }
    window->timer->deleteLater();
    windows.erase(window);
}
