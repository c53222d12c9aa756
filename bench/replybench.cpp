// How long a controller node takes to apply one "dimmer_info" reply with 16
// channels, 8 inputs and the settings, its channels already in the tree, in
// a tree like the application's: the root model with the favourites proxy
// attached. Run by bench/run; not a test.
#include "device/norvaleodimmer.h"
#include "model/favouritesfilterproxymodel.h"
#include "registry/roleregistry.h"
#include "registry/rootmodel.h"
#include "simulatedcontroller.h"

#include <QHostAddress>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>

#include <cstdio>
#include <ctime>

class ReplyBench : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void dimmerInfo_data();
    void dimmerInfo();
    void dimmerInfoThreadTime_data() { dimmerInfo_data(); }
    void dimmerInfoThreadTime();

private:
    static constexpr int Channels = 16;
    static QByteArray replyBody(int brightnessOffset, double innerTmp = 41.5);
    NorvaleoDimmer *controllerAt(int row) const;

    QTemporaryDir settingsDir;
    RootModel *rootModel = nullptr;
    FavouritesFilterProxyModel *favourites = nullptr;
};

QByteArray ReplyBench::replyBody(int brightnessOffset, double innerTmp)
{
    SimulatedController device(QStringLiteral("127.0.0.10"), QStringLiteral("127.0.0.11"),
                               QStringLiteral("NV7F00000A"), QStringLiteral("Гостиная"), Channels);
    QVector<SimulatedController::Output> outputs = device.outputs();
    for (int i = 0; i < outputs.size(); ++i) {
        outputs[i].brightness = (i * 16 + brightnessOffset) % 256;
        outputs[i].name = QStringLiteral("Светильник %1").arg(i + 1);
    }
    device.setOutputs(outputs);
    QVector<SimulatedController::Input> inputs(8);
    for (int i = 0; i < inputs.size(); ++i) {
        inputs[i].type = i % 2 ? QStringLiteral("ADC") : QStringLiteral("CH_ON_OFF_DIMMING");
        inputs[i].voltValue = 1.5 + i;
    }
    device.setInputs(inputs);
    SimulatedController::Settings settings = device.settings();
    settings.innerTmp = innerTmp;
    device.setSettings(settings);
    const QJsonObject reply{{QStringLiteral("response"), QStringLiteral("ok")},
                            {QStringLiteral("dimmer_info"), device.dimmerInfoJson()}};
    return QJsonDocument(reply).toJson(QJsonDocument::Compact);
}

NorvaleoDimmer *ReplyBench::controllerAt(int row) const
{
    const QModelIndex index = rootModel->index(row, 0, rootModel->index(0, 0));
    return static_cast<NorvaleoDimmer *>(index.internalPointer());
}

void ReplyBench::initTestCase()
{
    QVERIFY(settingsDir.isValid());
    RoleRegistry::fill();
    rootModel = new RootModel(this, settingsDir.path());
    favourites = new FavouritesFilterProxyModel(this);
    favourites->setSourceModel(rootModel);
    favourites->rebuildFavourites();
    // 50 controllers, as in the other benchmarks; polling stays off, replies
    // are fed as bytes.
    const QByteArray body = replyBody(0);
    for (int i = 0; i < 50; ++i) {
        const quint32 wired = QHostAddress(QStringLiteral("127.0.0.10")).toIPv4Address() + 2 * i;
        DeviceDescription description;
        description.uniqueId = QStringLiteral("NV%1").arg(wired, 8, 16, QLatin1Char('0')).toUpper();
        description.name = QStringLiteral("Контроллер %1").arg(i + 1);
        description.ipAddress1 = QHostAddress(wired).toString();
        description.ipAddress2 = QHostAddress(wired + 1).toString();
        description.type = 1;
        QVERIFY(rootModel->addDevice(description, false).isValid());
        controllerAt(i)->handleReplyBody(body);
        QCOMPARE(rootModel->rowCount(rootModel->index(i, 0, rootModel->index(0, 0))), Channels);
    }
}

void ReplyBench::dimmerInfo_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<bool>("changing");
    QTest::addColumn<bool>("warming");
    QTest::newRow("first controller, values unchanged") << 0 << false << false;
    QTest::newRow("last of 50, values unchanged") << 49 << false << false;
    // A new temperature in every reply: read in full, nothing for the channels.
    QTest::newRow("last of 50, the temperature changed") << 49 << false << true;
    QTest::newRow("last of 50, every brightness changed") << 49 << true << false;
}

void ReplyBench::dimmerInfo()
{
    QFETCH(int, row);
    QFETCH(bool, changing);
    QFETCH(bool, warming);
    NorvaleoDimmer *controller = controllerAt(row);
    const QByteArray bodies[2] = {replyBody(0), replyBody(changing ? 7 : 0, warming ? 42.0 : 41.5)};
    // The first measured reply then finds the state of the other body.
    controller->handleReplyBody(bodies[0]);
    // Channels reported changed, counted by row (one signal may cover several).
    int changes = 0;
    const QMetaObject::Connection counter =
        connect(rootModel, &QAbstractItemModel::dataChanged, this,
                [&changes, controller](const QModelIndex &topLeft, const QModelIndex &bottomRight) {
                    if (topLeft.internalPointer() != controller) {
                        changes += bottomRight.row() - topLeft.row() + 1;
                    }
                });
    int turn = 0;
    QBENCHMARK
    {
        controller->handleReplyBody(bodies[++turn & 1]);
    }
    disconnect(counter);
    // The measured work did what it should: a change for every channel, or none.
    // (With -callgrind this process only starts valgrind and runs nothing.)
    if (turn == 0) {
        return;
    }
    if (changing) {
        QVERIFY(changes >= Channels);
    } else {
        QCOMPARE(changes, 0);
    }
}

// The same work timed with the thread's CPU clock, which time spent waiting
// for a core on a busy machine does not reach (wall time does).
void ReplyBench::dimmerInfoThreadTime()
{
    QFETCH(int, row);
    QFETCH(bool, changing);
    QFETCH(bool, warming);
    NorvaleoDimmer *controller = controllerAt(row);
    const QByteArray bodies[2] = {replyBody(0), replyBody(changing ? 7 : 0, warming ? 42.0 : 41.5)};
    constexpr int Rounds = 2000;
    timespec start{};
    timespec end{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &start);
    for (int turn = 0; turn < Rounds; ++turn) {
        controller->handleReplyBody(bodies[turn & 1]);
    }
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &end);
    const double ns = double(end.tv_sec - start.tv_sec) * 1e9 + double(end.tv_nsec - start.tv_nsec);
    std::printf("THREADTIME,\"%s\",%.3f\n", QTest::currentDataTag(), ns / Rounds / 1000);
    std::fflush(stdout);
}

QTEST_GUILESS_MAIN(ReplyBench)

#include "replybench.moc"
