#ifndef LEVEL_H
#define LEVEL_H

#include <QString>

#include <optional>

// A channel level as written on the command line, and the percentages the
// window shows for levels.
class Level
{
public:
    static constexpr int Full = 255;

    // "0" to "255", "N%" with N from 0 to 100, "on" or "off"; nothing for any
    // other text.
    static std::optional<int> parse(const QString &text);
    // The percentage the window shows for a level (rounded down).
    static int percentOf(int level);
    // The lowest level at which the window shows this percentage.
    static int ofPercent(int percent);

private:
    static std::optional<int> decimal(const QString &digits, int maximum);
};

#endif // LEVEL_H
