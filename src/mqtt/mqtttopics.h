#ifndef MQTTTOPICS_H
#define MQTTTOPICS_H

#include <QString>

// The topics of the bridge under its two prefixes: its own tree
// (<prefix>/bridge/availability, <prefix>/<uniqueId>/availability,
// <prefix>/<uniqueId>/<light_id>/state and /set) and Home Assistant's
// discovery tree (<discovery>/light/<uniqueId>_<light_id>/config,
// <discovery>/status).
class MqttTopics
{
public:
    MqttTopics(const QString &prefix, const QString &discoveryPrefix);

    // A unique id that can stand in a topic and in a Home Assistant object
    // id: letters, digits, "_" and "-", at most 64 of them.
    static bool isUsableId(const QString &uniqueId);

    QString bridgeAvailability() const;
    QString availability(const QString &uniqueId) const;
    QString state(const QString &uniqueId, int lightId) const;
    QString command(const QString &uniqueId, int lightId) const;
    QString config(const QString &uniqueId, int lightId) const;
    QString commandFilter() const;
    QString homeAssistantStatus() const;

    bool isConfig(const QString &topic) const;
    // The channel a command topic names; false for any other topic or a
    // light id that is not a positive decimal number.
    bool parseCommand(const QString &topic, QString &uniqueId, int &lightId) const;

private:
    QString prefix;
    QString discovery;
};

#endif // MQTTTOPICS_H
