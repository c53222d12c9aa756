#include "model/hostaddresstext.h"

#include "model/devicelimits.h"

#include <QHostAddress>
#include <QStringList>

namespace {

constexpr int MaxPartDigits = 3;
constexpr uint MaxPart = 255;

// A number of one to three decimal digits up to 255; empty when it is not.
std::optional<uint> part(const QString &text)
{
    if (text.isEmpty() || text.size() > MaxPartDigits) {
        return std::nullopt;
    }
    for (const QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) {
            return std::nullopt;
        }
    }
    const uint number = text.toUInt();
    if (number > MaxPart) {
        return std::nullopt;
    }
    return number;
}

} // namespace

QString HostAddressText::canonical(const QString &text)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty() || trimmed.size() > DeviceLimits::MaxAddressLength) {
        return {};
    }
    if (!trimmed.contains(QLatin1Char(':'))) {
        const auto value = ipv4(trimmed);
        return value ? QHostAddress(*value).toString() : QString();
    }
    QHostAddress address;
    if (!address.setAddress(trimmed) || address.protocol() != QAbstractSocket::IPv6Protocol) {
        return {};
    }
    const QString written = address.toString();
    if (written.isEmpty() || written.size() > DeviceLimits::MaxAddressLength) {
        return {};
    }
    return written;
}

std::optional<quint32> HostAddressText::ipv4(const QString &text)
{
    const QStringList parts = text.split(QLatin1Char('.'));
    if (parts.size() != 4) {
        return std::nullopt;
    }
    quint32 value = 0;
    for (const QString &piece : parts) {
        const auto number = part(piece);
        if (!number) {
            return std::nullopt;
        }
        value = (value << 8) | *number;
    }
    return value;
}

bool HostAddressText::isNetmask(const QString &text)
{
    const auto value = ipv4(text);
    if (!value) {
        return false;
    }
    // Contiguous ones from the left: the inverted mask plus one is a power of two.
    const quint32 hosts = ~*value;
    return (hosts & (hosts + 1)) == 0;
}

bool HostAddressText::canGrowIntoIpv4(const QString &text)
{
    const QStringList parts = text.split(QLatin1Char('.'));
    if (parts.size() > 4) {
        return false;
    }
    for (int i = 0; i < parts.size(); ++i) {
        // Only the part being typed may still be empty.
        if (parts.at(i).isEmpty() && i == parts.size() - 1) {
            continue;
        }
        if (!part(parts.at(i))) {
            return false;
        }
    }
    return true;
}

bool HostAddressText::isStaticNetwork(const QString &address, const QString &mask,
                                      const QString &gateway)
{
    return ipv4(address) && isNetmask(mask) && ipv4(gateway);
}
