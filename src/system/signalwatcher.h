#ifndef SIGNALWATCHER_H
#define SIGNALWATCHER_H

#include <QObject>

class QSocketNotifier;

// Unix signals as a Qt signal: the handler only writes the signal's number
// into a socket pair, which the event loop reads. One instance per process.
class SignalWatcher : public QObject
{
    Q_OBJECT

public:
    explicit SignalWatcher(QObject *parent = nullptr);
    ~SignalWatcher() override;

    // False when the socket pair or the handler could not be set up.
    bool watch(int signalNumber);

Q_SIGNALS:
    void received(int signalNumber);

private:
    static void handle(int signalNumber);
    void readSignals();

    QSocketNotifier *notifier = nullptr;
};

#endif // SIGNALWATCHER_H
