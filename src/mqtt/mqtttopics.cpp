#include "mqtt/mqtttopics.h"

#include <QRegularExpression>
#include <QStringList>

namespace {
constexpr int MaxIdLength = 64;
constexpr int MaxLightIdDigits = 9;
} // namespace

MqttTopics::MqttTopics(const QString &prefix, const QString &discoveryPrefix)
    : prefix(prefix), discovery(discoveryPrefix)
{
}

bool MqttTopics::isUsableId(const QString &uniqueId)
{
    static const QRegularExpression usable(QStringLiteral("^[A-Za-z0-9_-]+$"));
    return uniqueId.size() <= MaxIdLength && usable.match(uniqueId).hasMatch();
}

QString MqttTopics::bridgeAvailability() const
{
    return prefix + QStringLiteral("/bridge/availability");
}

QString MqttTopics::availability(const QString &uniqueId) const
{
    return QStringLiteral("%1/%2/availability").arg(prefix, uniqueId);
}

QString MqttTopics::state(const QString &uniqueId, int lightId) const
{
    return QStringLiteral("%1/%2/%3/state").arg(prefix, uniqueId).arg(lightId);
}

QString MqttTopics::command(const QString &uniqueId, int lightId) const
{
    return QStringLiteral("%1/%2/%3/set").arg(prefix, uniqueId).arg(lightId);
}

QString MqttTopics::config(const QString &uniqueId, int lightId) const
{
    return QStringLiteral("%1/light/%2_%3/config").arg(discovery, uniqueId).arg(lightId);
}

QString MqttTopics::commandFilter() const
{
    return prefix + QStringLiteral("/+/+/set");
}

QString MqttTopics::homeAssistantStatus() const
{
    return discovery + QStringLiteral("/status");
}

bool MqttTopics::isConfig(const QString &topic) const
{
    return topic.startsWith(discovery + QStringLiteral("/light/")) &&
           topic.endsWith(QLatin1String("/config"));
}

bool MqttTopics::parseCommand(const QString &topic, QString &uniqueId, int &lightId) const
{
    if (!topic.startsWith(prefix + QLatin1Char('/'))) {
        return false;
    }
    const QStringList levels = topic.mid(prefix.size() + 1).split(QLatin1Char('/'));
    if (levels.size() != 3 || levels.at(2) != QLatin1String("set")) {
        return false;
    }
    const QString &number = levels.at(1);
    bool ok = false;
    const int value = number.toInt(&ok);
    const bool decimal = number.size() <= MaxLightIdDigits &&
                         !number.contains(QRegularExpression(QStringLiteral("[^0-9]")));
    if (!ok || !decimal || value < 1) {
        return false;
    }
    uniqueId = levels.at(0);
    lightId = value;
    return true;
}
