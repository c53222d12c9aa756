#ifndef FAULTFIXTURE_H
#define FAULTFIXTURE_H

#include "device/norvaleodimmer.h"
#include "registry/rootmodel.h"
#include "simulatedcontroller.h"

#include <QElapsedTimer>
#include <QNetworkReply>
#include <QTemporaryDir>
#include <QVector>

// The real root model with one controller found by an address check, talking to a
// simulated controller on 127.0.0.2 (wired) and 127.0.0.3 (Wi-Fi) whose faults
// the tests switch. It records when the controller's state changes and when
// its replies are handled, on one clock, so recoveries can be timed.
class FaultFixture
{
public:
    // A handled reply and the state it left.
    struct Reply
    {
        qint64 ms;
        QString itemType;
        QNetworkReply::NetworkError error;
        QString host;
        bool connected;
        bool allDisconnected;
        int usingInterface;
    };
    struct Change
    {
        qint64 ms;
        QByteArray role;
        QVariant value;
    };

    static QString wired() { return QStringLiteral("127.0.0.2"); }
    static QString wifi() { return QStringLiteral("127.0.0.3"); }
    static QString uniqueId() { return QStringLiteral("NV-FAULT-1"); }
    static constexpr int Channels = 4;

    FaultFixture();

    // Starts the simulator, lets an address check find it and waits until the
    // controller is connected with its channels; false on failure.
    bool start();

    qint64 now() const { return clock.elapsed(); }
    QModelIndex device() const { return controllerIndex; }
    QModelIndex channel(int row) const;
    QVariant value(const QByteArray &role) const;
    QVariant value(int row, const QByteArray &role) const;
    bool isConnected() const { return value("connection_status").toBool(); }
    // The controller and every channel show the same connection state.
    bool allShow(bool connected) const;

    // When the controller's role first took this value after the given time, or -1.
    qint64 changedAt(const QByteArray &role, const QVariant &value, qint64 after) const;
    // Replies handled after the given time.
    QVector<Reply> repliesAfter(qint64 after) const;
    // When the simulator received the requests after the given time.
    QVector<qint64> requestsAfter(qint64 after) const;

    // One line of the fault table, printed for the report.
    static void report(const char *fault, const QString &what, qint64 ms);

    QTemporaryDir base;
    SimulatedController sim;
    RootModel root;
    NorvaleoDimmer *controller = nullptr;

private:
    QElapsedTimer clock;
    QPersistentModelIndex controllerIndex;
    QVector<Reply> replies;
    QVector<Change> changes;
    QVector<qint64> requests;
};

#endif // FAULTFIXTURE_H
