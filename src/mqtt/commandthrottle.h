#ifndef COMMANDTHROTTLE_H
#define COMMANDTHROTTLE_H

#include <QHash>
#include <QObject>
#include <QString>

#include <optional>

class QTimer;

// At most one level per key (a channel) per interval: the first level goes
// at once, the ones submitted during the interval replace each other, and the
// last of them goes when it ends. A slider dragged in a home-automation app
// then costs the controller a few requests, not one per step.
class CommandThrottle : public QObject
{
    Q_OBJECT

public:
    static constexpr int DefaultIntervalMs = 250;

    explicit CommandThrottle(int intervalMs = DefaultIntervalMs, QObject *parent = nullptr);

    void submit(const QString &key, int level);

Q_SIGNALS:
    void due(const QString &key, int level);

private:
    struct Window
    {
        QTimer *timer = nullptr;
        std::optional<int> pending;
    };

    void send(const QString &key, int level);
    void endWindow(const QString &key);

    int intervalMs;
    QHash<QString, Window> windows;
};

#endif // COMMANDTHROTTLE_H
