#ifndef LIGHTCOMMAND_H
#define LIGHTCOMMAND_H

#include <QByteArray>
#include <QString>

#include <optional>

// What a command topic asks of one channel: {"state":"ON"|"OFF",
// "brightness":0-255}, either member missing. Payloads come from anyone who
// may publish to the broker, so everything else is refused with a reason.
class LightCommand
{
public:
    static constexpr int MaxPayloadSize = 4096;
    static constexpr int FullLevel = 255;

    // Nothing, and the reason in `problem`, for a payload that is not such an
    // object.
    static std::optional<LightCommand> parse(const QByteArray &payload, QString &problem);

    // The level to send. "ON" alone restores the last level the channel was
    // lit at, or full when it never was.
    int level(int lastLitLevel) const;

    std::optional<bool> on;
    std::optional<int> brightness;
};

#endif // LIGHTCOMMAND_H
