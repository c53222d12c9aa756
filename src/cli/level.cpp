#include "cli/level.h"

std::optional<int> Level::decimal(const QString &digits, int maximum)
{
    // Digits only: no sign, blank or exponent; three are enough for any level.
    if (digits.isEmpty() || digits.size() > 3) {
        return {};
    }
    for (const QChar c : digits) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) {
            return {};
        }
    }
    const int value = digits.toInt();
    if (value > maximum) {
        return {};
    }
    return value;
}

std::optional<int> Level::parse(const QString &text)
{
    if (text.compare(QLatin1String("on"), Qt::CaseInsensitive) == 0) {
        return Full;
    }
    if (text.compare(QLatin1String("off"), Qt::CaseInsensitive) == 0) {
        return 0;
    }
    if (text.endsWith(QLatin1Char('%'))) {
        const std::optional<int> percent = decimal(text.chopped(1), 100);
        if (!percent) {
            return {};
        }
        return ofPercent(*percent);
    }
    return decimal(text, Full);
}

int Level::percentOf(int level)
{
    return level * 100 / Full;
}

int Level::ofPercent(int percent)
{
    // Rounded up, so that the window shows the same percentage afterwards.
    return (percent * Full + 99) / 100;
}
