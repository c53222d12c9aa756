// What start-up does around the first frame: the restored controllers start
// polling once the window has drawn it, so the list shows first (a window that
// draws nothing does not leave them idle), and the window icon is decoded at
// the sizes it is shown, not from the large picture.
#include "app/startup.h"
#include "registry/rootmodel.h"
#include "registry/settingsfile.h"

#include <QFile>
#include <QImageReader>
#include <QNetworkAccessManager>
#include <QQmlApplicationEngine>
#include <QQuickWindow>
#include <QTemporaryDir>
#include <QTest>

#include <dlfcn.h>

namespace {

constexpr int WaitMs = 10000;

bool writeSettings(const QString &directory)
{
    QFile file(directory + QStringLiteral("/settings.json"));
    return file.open(QIODevice::WriteOnly) &&
           file.write("{\"NORVALEO_DIMMER_1\":{\"ipAddress_1\":\"127.0.0.2\",\"ipAddress_2\":\"\","
                      "\"name\":\"A\",\"uniqueId\":\"NV-1\"}}") > 0;
}

bool polling(const RootModel *root)
{
    const QModelIndex controller = root->index(0, 0, root->index(0, 0));
    const auto *node = static_cast<QObject *>(controller.internalPointer());
    return node && node->findChild<QNetworkAccessManager *>();
}

} // namespace

class TestFirstFrame : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        // Mesa unloads its driver at exit, before LeakSanitizer looks; kept
        // loaded, its process-lifetime allocations are named and suppressed.
        dlopen("/usr/lib/x86_64-linux-gnu/dri/swrast_dri.so", RTLD_NOW | RTLD_NODELETE);
        Startup::registerQmlTypes();
    }

    void pollingStartsRightAfterTheFirstFrame()
    {
        QTemporaryDir base;
        QVERIFY(writeSettings(base.path()));
        const Startup::Backend backend =
            Startup::createBackend(SettingsFile::inDirectory(base.path()), false);
        QQmlApplicationEngine engine;
        engine.load(QUrl::fromLocalFile(QStringLiteral(DATA_DIR "/window.qml")));
        auto *window = qobject_cast<QQuickWindow *>(engine.rootObjects().value(0));
        QVERIFY(window);
        // Queued before the start-up's own handler, so it sees the state the
        // first frame left.
        int frames = 0;
        bool pollingAtFirstFrame = true;
        connect(
            window, &QQuickWindow::frameSwapped, this,
            [&] {
                if (frames++ == 0) {
                    pollingAtFirstFrame = polling(backend.rootModel);
                }
            },
            Qt::QueuedConnection);
        // A grace period the test never reaches: only the frame can start polling.
        Startup::startCommunicationAfterFirstFrame(engine, backend.rootModel, 10 * WaitMs);
        QVERIFY(!polling(backend.rootModel));
        QTRY_VERIFY_WITH_TIMEOUT(frames > 0, WaitMs);
        QVERIFY(!pollingAtFirstFrame);
        for (int turn = 0; turn < 3 && !polling(backend.rootModel); ++turn) {
            QCoreApplication::processEvents();
        }
        QVERIFY(polling(backend.rootModel));
    }

    void aWindowThatDrawsNothingStillStartsPolling()
    {
        QTemporaryDir base;
        QVERIFY(writeSettings(base.path()));
        const Startup::Backend backend =
            Startup::createBackend(SettingsFile::inDirectory(base.path()), false);
        QQmlApplicationEngine engine;
        engine.loadData("import QtQuick.Window 2.15\nWindow { visible: false }");
        Startup::startCommunicationAfterFirstFrame(engine, backend.rootModel, 100);
        QVERIFY(!polling(backend.rootModel));
        QTRY_VERIFY_WITH_TIMEOUT(polling(backend.rootModel), WaitMs);
    }

    void theWindowIconComesDrawnAtEachSize()
    {
        const QList<QSize> sizes = Startup::windowIcon().availableSizes();
        QCOMPARE(sizes.size(), 6);
        for (const QSize &size : sizes) {
            QVERIFY(size.width() <= 256);
            QCOMPARE(QImageReader(QStringLiteral(":/icons/main-%1.png").arg(size.width())).size(),
                     size);
        }
    }
};

QTEST_MAIN(TestFirstFrame)
#include "tst_firstframe.moc"
