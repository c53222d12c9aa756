#ifndef DEVICELIMITS_H
#define DEVICELIMITS_H

#include <QString>

// Bounds on what untrusted input can make the tree hold. Replies and discovery
// create no more than this, a save writes no more, a load restores no more, and
// a settings file of the largest such tree still fits the file-size limit.
struct DeviceLimits
{
    static constexpr int MaxControllers = 256;
    static constexpr int MaxChannels = 256; // per controller
    // Longer names and ids are cut (names) or refused (ids and addresses).
    static constexpr int MaxNameLength = 64;
    static constexpr int MaxUniqueIdLength = 64;
    static constexpr int MaxAddressLength = 64;

    // JSON escapes turn one UTF-16 unit into at most 6 bytes ("\u0001").
    static constexpr qint64 EscapedUnitBytes = 6;
    // A channel entry: member name, favourites, light_id and the name.
    static constexpr qint64 MaxChannelBytes = 128 + EscapedUnitBytes * MaxNameLength;
    static constexpr qint64 MaxControllerBytes =
        256 + EscapedUnitBytes * (2 * MaxAddressLength + MaxNameLength + MaxUniqueIdLength) +
        MaxChannels * MaxChannelBytes;
    static constexpr qint64 MaxSettingsFileSize = 2 + MaxControllers * MaxControllerBytes;

    // A name cut to MaxNameLength, never between the two halves of a character.
    static QString cutName(const QString &name)
    {
        if (name.size() <= MaxNameLength) {
            return name;
        }
        const int length =
            name.at(MaxNameLength - 1).isHighSurrogate() ? MaxNameLength - 1 : MaxNameLength;
        return name.left(length);
    }
};

#endif // DEVICELIMITS_H
