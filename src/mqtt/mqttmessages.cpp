#include "mqtt/mqttmessages.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>

namespace {

constexpr int FullLevel = 255;

QByteArray compact(const QJsonObject &object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

QString softwareVersion(const MqttMessages::Channel &channel)
{
    if (channel.networkVersion.isEmpty() || channel.dimmerVersion.isEmpty()) {
        return channel.networkVersion + channel.dimmerVersion;
    }
    return channel.networkVersion + QStringLiteral(" / ") + channel.dimmerVersion;
}

QJsonObject device(const MqttMessages::Channel &channel)
{
    QJsonObject object{{QStringLiteral("identifiers"), QJsonArray{channel.uniqueId}},
                       {QStringLiteral("name"), channel.controllerName},
                       {QStringLiteral("manufacturer"), QStringLiteral("Norvaleo")},
                       {QStringLiteral("model"), QStringLiteral("NORVALEO_DIMMER")}};
    const QString version = softwareVersion(channel);
    if (!version.isEmpty()) {
        object.insert(QStringLiteral("sw_version"), version);
    }
    if (!channel.controllerVersion.isEmpty()) {
        object.insert(QStringLiteral("hw_version"), channel.controllerVersion);
    }
    return object;
}

} // namespace

bool MqttMessages::Channel::operator==(const Channel &other) const
{
    return uniqueId == other.uniqueId && lightId == other.lightId && name == other.name &&
           controllerName == other.controllerName && controllerVersion == other.controllerVersion &&
           networkVersion == other.networkVersion && dimmerVersion == other.dimmerVersion;
}

QByteArray MqttMessages::online()
{
    return QByteArrayLiteral("online");
}

QByteArray MqttMessages::offline()
{
    return QByteArrayLiteral("offline");
}

QByteArray MqttMessages::state(int level)
{
    const int clamped = std::clamp(level, 0, FullLevel);
    return compact(
        {{QStringLiteral("state"), clamped > 0 ? QStringLiteral("ON") : QStringLiteral("OFF")},
         {QStringLiteral("brightness"), clamped}});
}

QByteArray MqttMessages::config(const MqttTopics &topics, const Channel &channel)
{
    const QString objectId = QStringLiteral("%1_%2").arg(channel.uniqueId).arg(channel.lightId);
    const QJsonArray availability{
        QJsonObject{{QStringLiteral("topic"), topics.bridgeAvailability()}},
        QJsonObject{{QStringLiteral("topic"), topics.availability(channel.uniqueId)}}};
    return compact(
        {{QStringLiteral("schema"), QStringLiteral("json")},
         {QStringLiteral("supported_color_modes"), QJsonArray{QStringLiteral("brightness")}},
         {QStringLiteral("brightness_scale"), FullLevel},
         {QStringLiteral("unique_id"), objectId},
         {QStringLiteral("name"), channel.name},
         {QStringLiteral("command_topic"), topics.command(channel.uniqueId, channel.lightId)},
         {QStringLiteral("state_topic"), topics.state(channel.uniqueId, channel.lightId)},
         {QStringLiteral("availability"), availability},
         {QStringLiteral("availability_mode"), QStringLiteral("all")},
         {QStringLiteral("device"), device(channel)}});
}
