#include "faultfixture.h"

#include <QNetworkAccessManager>
#include <QSignalSpy>
#include <QTest>
#include <QUrlQuery>

namespace {

constexpr int StartTimeoutMs = 30000;

} // namespace

FaultFixture::FaultFixture()
    : sim(wired(), wifi(), uniqueId(), QStringLiteral("Гостиная"), Channels),
      root(nullptr, base.path())
{
    clock.start();
    QObject::connect(&sim, &SimulatedController::requestReceived, &sim,
                     [this](const SimulatedController::Request &) { requests.append(now()); });
}

bool FaultFixture::start()
{
    if (!sim.start()) {
        return false;
    }
    // An address check: like a search, but it ends as soon as the controller answers.
    QSignalSpy finished(&root, &RootModel::searchingProcessFinished);
    root.tryToAddDevice(wired());
    if (!finished.wait(StartTimeoutMs) || root.rowCount(root.index(0, 0)) != 1) {
        return false;
    }
    controllerIndex = root.index(0, 0, root.index(0, 0));
    controller = static_cast<NorvaleoDimmer *>(controllerIndex.internalPointer());
    auto *manager = controller->findChild<QNetworkAccessManager *>();
    if (!manager) {
        return false;
    }
    // Connected after the controller's own handler: the state seen here is
    // the state that reply left.
    QObject::connect(
        manager, &QNetworkAccessManager::finished, manager, [this](QNetworkReply *reply) {
            replies.append({now(),
                            QUrlQuery(reply->url()).queryItemValue(QStringLiteral("item_type")),
                            reply->error(), reply->url().host(), isConnected(), allShow(false),
                            value("using_interface").toInt()});
        });
    QObject::connect(
        &root, &QAbstractItemModel::dataChanged, &root,
        [this](const QModelIndex &topLeft, const QModelIndex &, const QVector<int> &roles) {
            if (topLeft != controllerIndex) {
                return;
            }
            for (const QByteArray &role :
                 {QByteArray("connection_status"), QByteArray("using_interface"),
                  QByteArray("ipAddress_1"), QByteArray("ipAddress_2")}) {
                if (roles.isEmpty() || roles.contains(root.roleByName(role))) {
                    changes.append({now(), role, value(role)});
                }
            }
        });
    return QTest::qWaitFor(
        [this] { return root.rowCount(controllerIndex) == Channels && allShow(true); },
        StartTimeoutMs);
}

QModelIndex FaultFixture::channel(int row) const
{
    return root.index(row, 0, controllerIndex);
}

QVariant FaultFixture::value(const QByteArray &role) const
{
    return root.data(controllerIndex, root.roleByName(role));
}

QVariant FaultFixture::value(int row, const QByteArray &role) const
{
    return root.data(channel(row), root.roleByName(role));
}

bool FaultFixture::allShow(bool connected) const
{
    if (value("connection_status").toBool() != connected) {
        return false;
    }
    for (int row = 0; row < root.rowCount(controllerIndex); ++row) {
        if (value(row, "connection_status").toBool() != connected) {
            return false;
        }
    }
    return true;
}

qint64 FaultFixture::changedAt(const QByteArray &role, const QVariant &wanted, qint64 after) const
{
    for (const Change &change : changes) {
        if (change.ms >= after && change.role == role && change.value == wanted) {
            return change.ms;
        }
    }
    return -1;
}

QVector<FaultFixture::Reply> FaultFixture::repliesAfter(qint64 after) const
{
    QVector<Reply> list;
    for (const Reply &reply : replies) {
        if (reply.ms >= after) {
            list.append(reply);
        }
    }
    return list;
}

QVector<qint64> FaultFixture::requestsAfter(qint64 after) const
{
    QVector<qint64> list;
    for (const qint64 ms : requests) {
        if (ms >= after) {
            list.append(ms);
        }
    }
    return list;
}

void FaultFixture::report(const char *fault, const QString &what, qint64 ms)
{
    qInfo("fault table | %s | %s | %lld ms", fault, qPrintable(what), ms);
}
