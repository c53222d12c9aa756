#ifndef SCENARIO_H
#define SCENARIO_H

#include "launcheroptions.h"
#include "stallprobe.h"

#include <QObject>
#include <QPointer>

#include <atomic>
#include <vector>

class QAbstractItemModel;
class QJsonObject;
class QQuickWindow;

// Watches the first Qt Quick window of the process from outside the product
// code (an application-wide event filter finds it) and runs one benchmark
// mode against it. Results go to stdout as one JSON object per line, prefixed
// with "BENCH ".
class Scenario : public QObject
{
    Q_OBJECT

public:
    Scenario(const LauncherOptions &options, QObject *parent);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private Q_SLOTS:
    void onFirstFrame();
    void requestFrame();

private:
    // Frame times written by whichever thread renders; read once recording stopped.
    struct FrameLog
    {
        std::vector<qint64> swaps;
        std::vector<qint64> renders;
        std::atomic<int> count{0};
        std::atomic<qint64> syncStart{0};
        std::atomic<bool> recording{false};
    };

    void attach(QQuickWindow *quickWindow);
    void recordSwap();
    void startFrameLog();
    QJsonObject stopFrameLog();

    void openChannelGrid();
    void measureDrivenFrames();
    void measureIdleFrames();
    void startSearch();
    void reportFirstSearchTick(int reported);

    QObject *topPage() const;
    QAbstractItemModel *rootModel() const;
    static void report(const QJsonObject &object);

    LauncherOptions options;
    QPointer<QQuickWindow> window;
    const qint64 constructedNs; // inside the application object's constructor
    qint64 windowNs = 0;        // first event to the window
    std::atomic<qint64> firstFrameNs{0};
    std::atomic<bool> driving{false};
    FrameLog frames;
    StallProbe stalls;
    qint64 searchStartNs = 0;
    bool searchReported = false;
};

#endif // SCENARIO_H
