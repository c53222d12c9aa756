#ifndef STALLPROBE_H
#define STALLPROBE_H

#include <QObject>
#include <QVector>

// Measures how long the GUI thread is kept from its event loop: a precise
// timer asks for a wake-up every few milliseconds and records how late each
// one comes. A late wake-up is time in which no input or animation is handled.
class StallProbe : public QObject
{
    Q_OBJECT

public:
    explicit StallProbe(QObject *parent = nullptr);

    void start();
    void stop();
    // Lateness of every wake-up, in nanoseconds.
    const QVector<qint64> &lateness() const { return late; }

protected:
    void timerEvent(QTimerEvent *event) override;

private:
    static constexpr int IntervalMs = 5;

    int timerId = -1;
    qint64 expected = 0;
    QVector<qint64> late;
};

#endif // STALLPROBE_H
