#include "mqtt/lightcommand.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>

std::optional<LightCommand> LightCommand::parse(const QByteArray &payload, QString &problem)
{
    if (payload.size() > MaxPayloadSize) {
        problem = QStringLiteral("payload of %1 bytes is over %2")
                      .arg(payload.size())
                      .arg(MaxPayloadSize);
        return std::nullopt;
    }
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(payload, &error);
    if (error.error != QJsonParseError::NoError) {
        problem = QStringLiteral("payload is not JSON (%1)").arg(error.errorString());
        return std::nullopt;
    }
    if (!document.isObject()) {
        problem = QStringLiteral("payload is not a JSON object");
        return std::nullopt;
    }
    const QJsonObject object = document.object();
    LightCommand command;
    const QJsonValue state = object.value(QLatin1String("state"));
    if (!state.isUndefined()) {
        if (state != QLatin1String("ON") && state != QLatin1String("OFF")) {
            problem = QStringLiteral("\"state\" is neither \"ON\" nor \"OFF\"");
            return std::nullopt;
        }
        command.on = state == QLatin1String("ON");
    }
    const QJsonValue brightness = object.value(QLatin1String("brightness"));
    if (!brightness.isUndefined()) {
        const double number = brightness.toDouble(-1);
        if (!brightness.isDouble() || number < 0 || number > FullLevel ||
            std::floor(number) != number) {
            problem = QStringLiteral("\"brightness\" is not a whole number from 0 to 255");
            return std::nullopt;
        }
        command.brightness = int(number);
    }
    if (!command.on && !command.brightness) {
        problem = QStringLiteral("payload has neither \"state\" nor \"brightness\"");
        return std::nullopt;
    }
    return command;
}

int LightCommand::level(int lastLitLevel) const
{
    if (on == false) {
        return 0;
    }
    if (brightness) {
        return *brightness;
    }
    return lastLitLevel > 0 ? lastLitLevel : FullLevel;
}
