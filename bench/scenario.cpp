#include "scenario.h"

#include "discovery/devicessearcher.h"

#include <QAbstractItemModel>
#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QQmlContext>
#include <QQmlEngine>
#include <QQuickWindow>
#include <QTest>
#include <QTimer>

#include <cstdio>

namespace {

constexpr int MaxFrames = 1 << 17;
// Centre of the first controller card: below the 65 high header bar, in the
// first 320 x 128 cell of the Devices grid.
const QPoint firstCardCentre(160, 65 + 64);
// Long enough for the page transition of the stack view.
constexpr int PushSettleMs = 2000;
// After the first report: time for the queued work of the insertions.
constexpr int SearchTailMs = 500;

QJsonArray toArray(const std::vector<qint64> &values, int count)
{
    QJsonArray array;
    for (int i = 0; i < count; ++i) {
        array.append(double(values[size_t(i)]));
    }
    return array;
}

QJsonArray toArray(const QVector<qint64> &values)
{
    QJsonArray array;
    for (const qint64 value : values) {
        array.append(double(value));
    }
    return array;
}

} // namespace

Scenario::Scenario(const LauncherOptions &options, QObject *parent)
    : QObject(parent), options(options), constructedNs(LauncherOptions::monotonicNs())
{
    QCoreApplication::instance()->installEventFilter(this);
}

bool Scenario::eventFilter(QObject *watched, QEvent *event)
{
    // The first event that reaches the window comes before its first frame.
    if (!window) {
        if (auto *quickWindow = qobject_cast<QQuickWindow *>(watched)) {
            QCoreApplication::instance()->removeEventFilter(this);
            attach(quickWindow);
        }
    }
    return QObject::eventFilter(watched, event);
}

void Scenario::attach(QQuickWindow *quickWindow)
{
    window = quickWindow;
    windowNs = LauncherOptions::monotonicNs();
    // Both signals may come from the render thread: record at once, act later.
    connect(
        quickWindow, &QQuickWindow::beforeSynchronizing, this,
        [this] { frames.syncStart.store(LauncherOptions::monotonicNs()); }, Qt::DirectConnection);
    connect(
        quickWindow, &QQuickWindow::frameSwapped, this, [this] { recordSwap(); },
        Qt::DirectConnection);
    connect(quickWindow, &QQuickWindow::frameSwapped, this, &Scenario::requestFrame,
            Qt::QueuedConnection);
}

void Scenario::recordSwap()
{
    const qint64 now = LauncherOptions::monotonicNs();
    qint64 expected = 0;
    if (firstFrameNs.compare_exchange_strong(expected, now)) {
        QMetaObject::invokeMethod(this, "onFirstFrame", Qt::QueuedConnection);
    }
    if (!frames.recording.load()) {
        return;
    }
    const int slot = frames.count.load();
    if (slot >= MaxFrames) {
        return;
    }
    frames.swaps[size_t(slot)] = now;
    frames.renders[size_t(slot)] = now - frames.syncStart.load();
    frames.count.store(slot + 1);
}

void Scenario::requestFrame()
{
    if (driving.load() && window) {
        window->update();
    }
}

void Scenario::onFirstFrame()
{
    QJsonObject result{{QStringLiteral("event"), QStringLiteral("first_frame")},
                       {QStringLiteral("entry_ns"), double(options.entryNs)},
                       {QStringLiteral("application_ns"), double(constructedNs)},
                       {QStringLiteral("window_ns"), double(windowNs)},
                       {QStringLiteral("first_frame_ns"), double(firstFrameNs.load())}};
    report(result);
    switch (options.mode) {
    case LauncherOptions::Mode::Startup:
        QCoreApplication::exit(0);
        return;
    case LauncherOptions::Mode::Idle:
        return;
    case LauncherOptions::Mode::Frames:
        QTimer::singleShot(options.settleMs, this, [this] { openChannelGrid(); });
        return;
    case LauncherOptions::Mode::Search:
        QTimer::singleShot(1000, this, [this] { startSearch(); });
        return;
    }
}

QObject *Scenario::topPage() const
{
    auto *stackView = window ? window->findChild<QObject *>(QStringLiteral("stackView")) : nullptr;
    return stackView ? stackView->property("currentItem").value<QObject *>() : nullptr;
}

QAbstractItemModel *Scenario::rootModel() const
{
    QQmlEngine *engine = window ? qmlEngine(window) : nullptr;
    if (!engine) {
        return nullptr;
    }
    const QVariant model =
        engine->rootContext()->contextProperty(QStringLiteral("norvaleoDevicesModel"));
    return qobject_cast<QAbstractItemModel *>(model.value<QObject *>());
}

void Scenario::report(const QJsonObject &object)
{
    const QByteArray line = "BENCH " + QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n';
    std::fwrite(line.constData(), 1, size_t(line.size()), stdout);
    std::fflush(stdout);
}

void Scenario::startFrameLog()
{
    // Allocated only when frames are recorded: the other modes measure memory.
    frames.swaps.resize(MaxFrames);
    frames.renders.resize(MaxFrames);
    frames.count.store(0);
    frames.recording.store(true);
}

QJsonObject Scenario::stopFrameLog()
{
    frames.recording.store(false);
    const int count = frames.count.load();
    return {{QStringLiteral("swaps_ns"), toArray(frames.swaps, count)},
            {QStringLiteral("renders_ns"), toArray(frames.renders, count)}};
}

void Scenario::openChannelGrid()
{
    QTest::mouseClick(window, Qt::LeftButton, Qt::NoModifier, firstCardCentre);
    QTimer::singleShot(PushSettleMs, this, [this] { measureDrivenFrames(); });
}

// Every frame asks for the next one, as a running animation or a drag would:
// the intervals between swaps are what the user sees.
void Scenario::measureDrivenFrames()
{
    QObject *page = topPage();
    QObject *grid = page ? page->property("grid").value<QObject *>() : nullptr;
    report({{QStringLiteral("event"), QStringLiteral("page")},
            {QStringLiteral("title"), page ? page->property("title").toString() : QString()},
            {QStringLiteral("cells"), grid ? grid->property("count").toInt() : -1}});
    startFrameLog();
    driving.store(true);
    window->update();
    QTimer::singleShot(options.durationMs, this, [this] {
        driving.store(false);
        QJsonObject result = stopFrameLog();
        result.insert(QStringLiteral("event"), QStringLiteral("driven_frames"));
        report(result);
        measureIdleFrames();
    });
}

// Nothing asks for frames: only changed values redraw. The stall probe shows
// how long reply handling keeps the GUI thread at a time.
void Scenario::measureIdleFrames()
{
    startFrameLog();
    stalls.start();
    QTimer::singleShot(options.durationMs, this, [this] {
        stalls.stop();
        QJsonObject result = stopFrameLog();
        result.insert(QStringLiteral("event"), QStringLiteral("idle_frames"));
        result.insert(QStringLiteral("stalls_ns"), toArray(stalls.lateness()));
        report(result);
        QCoreApplication::exit(0);
    });
}

void Scenario::startSearch()
{
    QAbstractItemModel *model = rootModel();
    if (!model) {
        report({{QStringLiteral("event"), QStringLiteral("error")},
                {QStringLiteral("text"), QStringLiteral("no norvaleoDevicesModel")}});
        QCoreApplication::exit(1);
        return;
    }
    stalls.start();
    searchStartNs = LauncherOptions::monotonicNs();
    QMetaObject::invokeMethod(model, "startCommunication");
    // The user search is the root model's child; connected after the root
    // model itself, so this runs once the first report has been added.
    auto *searcher = model->findChild<DevicesSearcher *>();
    if (!searcher) {
        QCoreApplication::exit(1);
        return;
    }
    connect(searcher, &DevicesSearcher::searchedDevices, this,
            [this](const QVector<DeviceDescription> &devices) {
                reportFirstSearchTick(devices.size());
            });
}

void Scenario::reportFirstSearchTick(int reported)
{
    if (searchReported) {
        return;
    }
    searchReported = true;
    const qint64 now = LauncherOptions::monotonicNs();
    QAbstractItemModel *model = rootModel();
    QObject *page = topPage();
    QObject *grid = page ? page->property("grid").value<QObject *>() : nullptr;
    const int rows = model->rowCount(model->index(0, 0));
    const int cells = grid ? grid->property("count").toInt() : -1;
    QTimer::singleShot(SearchTailMs, this, [this, now, reported, rows, cells] {
        stalls.stop();
        report({{QStringLiteral("event"), QStringLiteral("search")},
                {QStringLiteral("first_report_ms"), double(now - searchStartNs) / 1e6},
                {QStringLiteral("reported"), reported},
                {QStringLiteral("rows"), rows},
                {QStringLiteral("grid_count"), cells},
                {QStringLiteral("stalls_ns"), toArray(stalls.lateness())}});
        QCoreApplication::exit(0);
    });
}
