#include "mqtt/mqttbridge.h"

#include "logging/logcategories.h"
#include "mqtt/lightcommand.h"
#include "mqtt/mosquittoclient.h"
#include "mqtt/mqttmessages.h"
#include "registry/rootmodel.h"

namespace {
// Replies of many controllers arriving together make one sync.
constexpr int SyncDelayMs = 100;
} // namespace

MqttBridge::MqttBridge(MosquittoClient &client, const MqttTopics &topics, QObject *parent)
    : QObject(parent), client(client), topics(topics)
{
    syncTimer.setSingleShot(true);
    syncTimer.setInterval(SyncDelayMs);
    connect(&syncTimer, &QTimer::timeout, this, &MqttBridge::sync);
    connect(&throttle, &CommandThrottle::due, this, &MqttBridge::sendLevel);
}

void MqttBridge::setModel(RootModel *newModel)
{
    if (model) {
        disconnect(model, nullptr, this, nullptr);
    }
    model = newModel;
    configs.clear();
    if (model) {
        // One sync for however many roles the replies of a moment changed.
        connect(model, &QAbstractItemModel::dataChanged, this, &MqttBridge::scheduleSync);
        connect(model, &QAbstractItemModel::rowsInserted, this, &MqttBridge::scheduleSync);
        connect(model, &QAbstractItemModel::rowsRemoved, this, &MqttBridge::scheduleSync);
        connect(model, &QAbstractItemModel::layoutChanged, this, &MqttBridge::scheduleSync);
        connect(model, &QAbstractItemModel::modelReset, this, &MqttBridge::scheduleSync);
    }
    scheduleSync();
}

void MqttBridge::onConnected()
{
    published.clear();
    publishedOwners.clear();
    client.subscribe(topics.commandFilter());
    client.subscribe(topics.homeAssistantStatus());
    sync();
}

void MqttBridge::onMessage(const QString &topic, const QByteArray &payload)
{
    if (topic == topics.homeAssistantStatus()) {
        if (payload == MqttMessages::online()) {
            // Home Assistant restarted: it reads the configs again.
            for (auto it = published.begin(); it != published.end();) {
                it = topics.isConfig(it.key()) ? published.erase(it) : std::next(it);
            }
            // Owners stay: a config is republished under the same one.
            sync();
        }
        return;
    }
    handleCommand(topic, payload);
}

void MqttBridge::scheduleSync()
{
    if (!syncTimer.isActive()) {
        syncTimer.start();
    }
}

void MqttBridge::sync()
{
    if (!client.isConnected()) {
        return;
    }
    const Plan wanted = plan();
    // The bridge first, so that the controllers' topics are not read as
    // available while it still says offline.
    const QString bridge = topics.bridgeAvailability();
    if (published.value(bridge) != wanted.publish.value(bridge)) {
        client.publish(bridge, wanted.publish.value(bridge), true);
        published.insert(bridge, wanted.publish.value(bridge));
    }
    for (auto it = wanted.publish.constBegin(); it != wanted.publish.constEnd(); ++it) {
        const auto sent = published.constFind(it.key());
        if (sent == published.constEnd() || *sent != it.value()) {
            client.publish(it.key(), it.value(), true);
            published.insert(it.key(), it.value());
            publishedOwners.insert(it.key(), wanted.owners.value(it.key()));
        }
    }
    // An empty retained message removes a channel from Home Assistant and its
    // topics from the broker.
    for (auto it = published.begin(); it != published.end();) {
        if (wanted.publish.contains(it.key()) ||
            wanted.silent.contains(publishedOwners.value(it.key()))) {
            ++it;
            continue;
        }
        client.publish(it.key(), QByteArray(), true);
        publishedOwners.remove(it.key());
        it = published.erase(it);
    }
}

MqttBridge::Plan MqttBridge::plan()
{
    Plan result;
    result.publish.insert(topics.bridgeAvailability(), MqttMessages::online());
    if (!model) {
        return result;
    }
    const QModelIndex devices = model->index(0, 0);
    for (int row = 0; row < model->rowCount(devices); ++row) {
        planController(model->index(row, 0, devices), result);
    }
    return result;
}

void MqttBridge::planController(const QModelIndex &controller, Plan &result)
{
    const QString uniqueId = value(controller, "uniqueId").toString();
    if (!MqttTopics::isUsableId(uniqueId)) {
        if (!unusableIds.contains(uniqueId)) {
            unusableIds.insert(uniqueId);
            qCWarning(lcMqtt, "mqtt: unique id \"%s\" cannot stand in a topic; controller left out",
                      qPrintable(uniqueId.left(80)));
        }
        return;
    }
    const bool connected = value(controller, "connection_status").toBool();
    const QString availability = topics.availability(uniqueId);
    result.publish.insert(availability,
                          connected ? MqttMessages::online() : MqttMessages::offline());
    result.owners.insert(availability, uniqueId);
    if (!connected || model->rowCount(controller) == 0) {
        // Its channels may not be known yet: nothing of it is removed.
        result.silent.insert(uniqueId);
    }
    MqttMessages::Channel facts;
    facts.uniqueId = uniqueId;
    facts.controllerName = value(controller, "name").toString();
    facts.controllerVersion = value(controller, "controller_version").toString();
    facts.networkVersion = value(controller, "net_soft_version").toString();
    facts.dimmerVersion = value(controller, "dimm_soft_version").toString();
    for (int row = 0; row < model->rowCount(controller); ++row) {
        const QModelIndex channel = model->index(row, 0, controller);
        facts.lightId = value(channel, "light_id").toInt();
        if (facts.lightId < 1) {
            continue;
        }
        facts.name = value(channel, "name").toString();
        const QString configTopic = topics.config(uniqueId, facts.lightId);
        auto cached = configs.find(configTopic);
        if (cached == configs.end() || !(cached->first == facts)) {
            cached = configs.insert(configTopic, {facts, MqttMessages::config(topics, facts)});
        }
        result.publish.insert(configTopic, cached->second);
        result.owners.insert(configTopic, uniqueId);
        if (!connected) {
            continue;
        }
        const int level = value(channel, "brightness").toInt();
        if (level > 0) {
            lastLit.insert(channelKey(uniqueId, facts.lightId), level);
        }
        const QString stateTopic = topics.state(uniqueId, facts.lightId);
        result.publish.insert(stateTopic, MqttMessages::state(level));
        result.owners.insert(stateTopic, uniqueId);
    }
}

void MqttBridge::handleCommand(const QString &topic, const QByteArray &payload)
{
    QString uniqueId;
    int lightId = 0;
    if (!topics.parseCommand(topic, uniqueId, lightId)) {
        qCWarning(lcMqtt, "mqtt: %s: not a channel's command topic, ignored",
                  qPrintable(topic.left(200)));
        return;
    }
    QString problem;
    const std::optional<LightCommand> command = LightCommand::parse(payload, problem);
    if (!command) {
        qCWarning(lcMqtt, "mqtt: %s: %s, ignored", qPrintable(topic), qPrintable(problem));
        return;
    }
    if (!findChannel(uniqueId, lightId).isValid()) {
        qCWarning(lcMqtt, "mqtt: %s: no such controller or channel, ignored", qPrintable(topic));
        return;
    }
    const QString key = channelKey(uniqueId, lightId);
    const int level = command->level(lastLit.value(key));
    if (level > 0) {
        lastLit.insert(key, level);
    }
    throttle.submit(key, level);
}

// The window's own edit: the root model stores the level and its controller
// sends the same request the window's dimming sends.
void MqttBridge::sendLevel(const QString &key, int level)
{
    const QString uniqueId = key.section(QLatin1Char('/'), 0, 0);
    const int lightId = key.section(QLatin1Char('/'), 1).toInt();
    const QModelIndex channel = findChannel(uniqueId, lightId);
    if (!channel.isValid()) {
        return;
    }
    model->setData(channel, level, model->roleByName("brightness"));
}

QModelIndex MqttBridge::findChannel(const QString &uniqueId, int lightId) const
{
    if (!model) {
        return {};
    }
    const QModelIndex devices = model->index(0, 0);
    for (int row = 0; row < model->rowCount(devices); ++row) {
        const QModelIndex controller = model->index(row, 0, devices);
        if (value(controller, "uniqueId").toString() != uniqueId) {
            continue;
        }
        for (int channelRow = 0; channelRow < model->rowCount(controller); ++channelRow) {
            const QModelIndex channel = model->index(channelRow, 0, controller);
            if (value(channel, "light_id").toInt() == lightId) {
                return channel;
            }
        }
        return {};
    }
    return {};
}

QVariant MqttBridge::value(const QModelIndex &index, const QByteArray &role) const
{
    return model->data(index, model->roleByName(role));
}

QString MqttBridge::channelKey(const QString &uniqueId, int lightId)
{
    return uniqueId + QLatin1Char('/') + QString::number(lightId);
}
