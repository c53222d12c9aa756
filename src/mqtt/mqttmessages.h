#ifndef MQTTMESSAGES_H
#define MQTTMESSAGES_H

#include "mqtt/mqtttopics.h"

#include <QByteArray>
#include <QString>

// The payloads the bridge publishes, as compact UTF-8 JSON. Names come from
// the devices and are escaped by the JSON writer.
class MqttMessages
{
public:
    // What Home Assistant's discovery shows of one channel.
    struct Channel
    {
        QString uniqueId;
        int lightId = 0;
        QString name;
        QString controllerName;
        QString controllerVersion;
        QString networkVersion;
        QString dimmerVersion;

        bool operator==(const Channel &other) const;
    };

    static QByteArray online();
    static QByteArray offline();
    // {"brightness":0-255,"state":"ON"|"OFF"}; levels out of range are clamped.
    static QByteArray state(int level);
    static QByteArray config(const MqttTopics &topics, const Channel &channel);
};

#endif // MQTTMESSAGES_H
