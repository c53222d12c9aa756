#ifndef MQTTBRIDGE_H
#define MQTTBRIDGE_H

#include "mqtt/commandthrottle.h"
#include "mqtt/mqttmessages.h"
#include "mqtt/mqtttopics.h"

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QPair>
#include <QPointer>
#include <QSet>
#include <QTimer>

class MosquittoClient;
class RootModel;

// Mirrors the controllers of a root model on an MQTT broker and turns the
// commands it receives into the edits the window makes. Every retained
// message is published when its payload differs from the last one sent, so
// a poll that changes nothing publishes nothing.
class MqttBridge : public QObject
{
    Q_OBJECT

public:
    MqttBridge(MosquittoClient &client, const MqttTopics &topics, QObject *parent = nullptr);

    // The model whose controllers are published; a new one (the settings
    // file read again) replaces the old, and channels it lacks are removed
    // from Home Assistant.
    void setModel(RootModel *model);

public Q_SLOTS:
    // Everything again: a broker restarted without persistence knows nothing.
    void onConnected();
    void onMessage(const QString &topic, const QByteArray &payload);

private:
    // What the broker should hold: topics to publish, each with the unique id
    // of its controller, and the controllers that have not answered (since
    // the file was read, or lately), whose other topics stay as they were.
    struct Plan
    {
        QHash<QString, QByteArray> publish;
        QHash<QString, QString> owners;
        QSet<QString> silent;
    };

    void scheduleSync();
    void sync();
    Plan plan();
    void planController(const QModelIndex &controller, Plan &result);
    void handleCommand(const QString &topic, const QByteArray &payload);
    void sendLevel(const QString &key, int level);
    QModelIndex findChannel(const QString &uniqueId, int lightId) const;
    QVariant value(const QModelIndex &index, const QByteArray &role) const;
    static QString channelKey(const QString &uniqueId, int lightId);

    MosquittoClient &client;
    MqttTopics topics;
    QPointer<RootModel> model;
    QTimer syncTimer;
    CommandThrottle throttle;
    // Retained topics as the broker holds them from this connection.
    QHash<QString, QByteArray> published;
    QHash<QString, QString> publishedOwners;
    // The last level each channel was lit at, for "ON" without a level.
    QHash<QString, int> lastLit;
    QSet<QString> unusableIds;
    // Configs as last written, by topic: most syncs find every channel's
    // facts unchanged and need no new JSON.
    QHash<QString, QPair<MqttMessages::Channel, QByteArray>> configs;
};

#endif // MQTTBRIDGE_H
