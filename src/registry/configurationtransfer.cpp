#include "registry/configurationtransfer.h"

#include "device/deviceprotocol.h"
#include "device/norvaleodimmer.h"
#include "registry/rootmodel.h"

#include <QFileInfo>

#include <algorithm>

namespace {

// The node aborts every request after its own timeout; this only ends a wait
// for a node that went away meanwhile.
constexpr int GuardMs = NorvaleoDimmer::RequestTimeoutMs + 2000;

} // namespace

ConfigurationTransfer::ConfigurationTransfer(RootModel *root, QObject *parent)
    : QObject(parent), root(root)
{
    guard.setSingleShot(true);
    guard.setInterval(GuardMs);
    connect(&guard, &QTimer::timeout, this, [this] { onAnswered(awaitedTag, false); });
}

bool ConfigurationTransfer::selectController(int controllerRow)
{
    const QModelIndex index = root->index(controllerRow, 0, root->index(0, 0));
    auto *found =
        qobject_cast<NorvaleoDimmer *>(static_cast<AbstractDeviceModel *>(index.internalPointer()));
    if (!found) {
        return false;
    }
    if (node != found) {
        if (node) {
            disconnect(node, &NorvaleoDimmer::answered, this, nullptr);
        }
        connect(found, &NorvaleoDimmer::answered, this, &ConfigurationTransfer::onAnswered);
    }
    controller = index;
    node = found;
    return true;
}

QModelIndex ConfigurationTransfer::channelIndex(int lightId) const
{
    const int role = AbstractDeviceModel::roleRegistry().value("light_id");
    for (int row = 0; row < root->rowCount(controller); ++row) {
        const QModelIndex channel = root->index(row, 0, controller);
        if (root->data(channel, role).toInt() == lightId) {
            return channel;
        }
    }
    return {};
}

void ConfigurationTransfer::setBusy(bool value)
{
    if (busy != value) {
        busy = value;
        Q_EMIT busyChanged();
    }
}

void ConfigurationTransfer::finish(bool ok, const QString &message)
{
    setBusy(false);
    Q_EMIT finished(ok, message);
}

void ConfigurationTransfer::await(const std::function<bool(int)> &send,
                                  const std::function<void(bool)> &next)
{
    awaitedTag = ++lastTag;
    afterAnswer = next;
    if (!node || !send(awaitedTag)) {
        awaitedTag = 0;
        next(false);
        return;
    }
    guard.start();
}

void ConfigurationTransfer::onAnswered(int tag, bool done)
{
    if (tag == 0 || tag != awaitedTag) {
        return;
    }
    guard.stop();
    awaitedTag = 0;
    const std::function<void(bool)> next = std::move(afterAnswer);
    next(done);
}

void ConfigurationTransfer::save(int controllerRow, const QUrl &file)
{
    if (busy || !selectController(controllerRow)) {
        return;
    }
    setBusy(true);
    const QString path = file.isLocalFile() ? file.toLocalFile() : file.toString();
    const auto failed = [this] {
        finish(false, tr("Контроллер не ответил; файл не записан."));
    };
    const auto write = [this, path, failed](bool done) {
        if (!done || !controller.isValid()) {
            failed();
            return;
        }
        QString error;
        if (!ControllerConfiguration::fromController(*root, controller).writeFile(path, &error)) {
            finish(false, tr("Файл не записан: %1").arg(error));
            return;
        }
        finish(true, tr("Конфигурация сохранена в файл %1").arg(QFileInfo(path).fileName()));
    };
    // Fresh values, not those of the last poll.
    await([this](int tag) { return node->askStatus(DeviceProtocol::systemInfo(), tag); },
          [this, write, failed](bool done) {
              if (!done) {
                  failed();
                  return;
              }
              await([this](int tag) { return node->askStatus(DeviceProtocol::dimmerInfo(), tag); },
                    write);
          });
}

bool ConfigurationTransfer::load(int controllerRow, const QUrl &file)
{
    if (busy || !selectController(controllerRow)) {
        return false;
    }
    const QString path = file.isLocalFile() ? file.toLocalFile() : file.toString();
    QString error;
    const std::optional<ControllerConfiguration> read =
        ControllerConfiguration::readFile(path, &error);
    std::optional<ConfigurationPlan> built;
    // Without replies the roles hold defaults, not what the controller has.
    const int connected = AbstractDeviceModel::roleRegistry().value("connection_status");
    if (read && !root->data(controller, connected).toBool()) {
        error = tr("контроллер не на связи, его настройки неизвестны");
    } else if (read) {
        built = ConfigurationPlan::build(ControllerConfiguration::fromController(*root, controller),
                                         *read, &error);
    }
    if (!built) {
        plan = ConfigurationPlan();
        Q_EMIT planChanged();
        Q_EMIT finished(false, tr("Файл нельзя загрузить: %1").arg(error));
        return false;
    }
    loaded = *read;
    plan = *built;
    Q_EMIT planChanged();
    return true;
}

void ConfigurationTransfer::apply(bool withNetwork, const QString &wifiPassword)
{
    if (busy || !node || !controller.isValid()) {
        return;
    }
    setBusy(true);
    sending = plan.requestsToSend(withNetwork, wifiPassword);
    applied = 0;
    sendNext();
}

void ConfigurationTransfer::sendNext()
{
    if (applied == sending.size()) {
        refreshThen([this] { finish(true, plan.outcomeText(sending, applied)); });
        return;
    }
    const ConfigurationPlan::Request &request = sending.at(applied);
    await(
        [this, request](int tag) {
            const QModelIndex index =
                request.lightId == 0 ? QModelIndex(controller) : channelIndex(request.lightId);
            node->tagNextChange(tag);
            root->setData(index, request.value,
                          AbstractDeviceModel::roleRegistry().value(request.role));
            // The setter sent nothing: the tag was not taken.
            if (node->isChangeTagPending()) {
                node->tagNextChange(0);
                return false;
            }
            return true;
        },
        [this](bool done) {
            if (!done) {
                refreshThen([this] {
                    finish(false, tr("Контроллер отказал или не ответил.") + QLatin1Char('\n') +
                                      plan.outcomeText(sending, applied));
                });
                return;
            }
            ++applied;
            sendNext();
        });
}

// One dimmer_info and one system_info, whatever they bring, so that the
// pages show what the controller now holds.
void ConfigurationTransfer::refreshThen(const std::function<void()> &next)
{
    await([this](int tag) { return node->askStatus(DeviceProtocol::dimmerInfo(), tag); },
          [this, next](bool) {
              await([this](int tag) { return node->askStatus(DeviceProtocol::systemInfo(), tag); },
                    [next](bool) { next(); });
          });
}

QVariantList ConfigurationTransfer::changeList() const
{
    QVariantList list;
    for (const ConfigurationPlan::Change &change : plan.changes) {
        list.append(QVariantMap{{QStringLiteral("setting"), change.setting},
                                {QStringLiteral("current"), change.current},
                                {QStringLiteral("proposed"), change.proposed},
                                {QStringLiteral("network"), change.network}});
    }
    return list;
}

QString ConfigurationTransfer::skippedText() const
{
    QStringList numbers;
    for (const int lightId : plan.skippedChannels) {
        numbers.append(QString::number(lightId));
    }
    return numbers.isEmpty() ? QString()
                             : tr("Каналов %1 у этого контроллера нет: они пропущены.")
                                   .arg(numbers.join(QStringLiteral(", ")));
}

QString ConfigurationTransfer::originText() const
{
    const ControllerConfiguration::Origin &origin = loaded.origin;
    return tr("Снята с «%1» (%2) %3")
        .arg(origin.name, origin.uniqueId,
             origin.takenAt.toLocalTime().toString(QStringLiteral("dd.MM.yyyy HH:mm")));
}

bool ConfigurationTransfer::hasNetworkChanges() const
{
    return std::any_of(plan.changes.cbegin(), plan.changes.cend(),
                       [](const ConfigurationPlan::Change &change) { return change.network; });
}
