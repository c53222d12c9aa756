#include "discovery/addressrange.h"

#include "model/hostaddresstext.h"

#include <QCoreApplication>
#include <QStringList>

#include <optional>

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("AddressRange", text);
}

bool isIpv6(const QString &text)
{
    return text.contains(QLatin1Char(':')) &&
           QHostAddress(text).protocol() == QAbstractSocket::IPv6Protocol;
}

QString examples()
{
    return tr("Примеры: 192.168.5.10, 192.168.5.0/24, 192.168.5.10-192.168.5.60");
}

} // namespace

AddressRange AddressRange::parse(const QString &text)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return refused(tr("Введите адрес, сеть или диапазон."));

    const int slash = trimmed.indexOf(QLatin1Char('/'));
    const int dash = trimmed.indexOf(QLatin1Char('-'));
    const QString head = trimmed.left(slash >= 0 ? slash : dash >= 0 ? dash : trimmed.size());
    if (isIpv6(head.trimmed()))
        return refused(tr("Адреса IPv6 не поддерживаются: введите адрес IPv4."));
    if (slash >= 0 && dash < 0)
        return parseNetwork(trimmed.left(slash).trimmed(), trimmed.mid(slash + 1).trimmed());
    if (dash >= 0 && slash < 0)
        return parseSpan(trimmed.left(dash).trimmed(), trimmed.mid(dash + 1).trimmed());

    const auto address = HostAddressText::ipv4(trimmed);
    if (slash >= 0 || !address)
        return refused(tr("Это не адрес, не сеть и не диапазон. ") + examples());
    AddressRange range;
    range.first = *address;
    range.count = 1;
    return range;
}

AddressRange AddressRange::parseNetwork(const QString &address, const QString &prefix)
{
    const auto base = HostAddressText::ipv4(address);
    bool numeric = !prefix.isEmpty() && prefix.size() <= 2;
    const int length = prefix.toInt(&numeric);
    if (!base || !numeric || length < 0 || length > 32)
        return refused(tr("Сеть пишется как 192.168.5.0/24: адрес и длина префикса от 22 до 32."));
    if (length < 22)
        return refused(
            tr("Сеть /%1 слишком велика: можно не больше 1024 адресов (/22).").arg(length));
    const quint32 hostMask = length == 32 ? 0 : (quint32(1) << (32 - length)) - 1;
    if (*base & hostMask) {
        const QString fixed = QHostAddress(*base & ~hostMask).toString();
        return refused(
            tr("В адресе сети заняты биты узла: для /%1 это %2/%1.").arg(length).arg(fixed));
    }
    AddressRange range;
    range.first = *base;
    range.count = int(hostMask) + 1;
    range.prefixLength = length;
    range.network = true;
    return range;
}

AddressRange AddressRange::parseSpan(const QString &from, const QString &to)
{
    if (isIpv6(to))
        return refused(tr("Адреса IPv6 не поддерживаются: введите адрес IPv4."));
    const auto start = HostAddressText::ipv4(from);
    const auto end = HostAddressText::ipv4(to);
    if (!start || !end)
        return refused(tr("Диапазон пишется как 192.168.5.10-192.168.5.60: два полных адреса."));
    if (*start > *end)
        return refused(tr("Диапазон задан наоборот: первый адрес больше последнего."));
    const quint64 span = quint64(*end) - *start + 1;
    if (span > quint64(MaxAddresses))
        return refused(tr("В диапазоне %1 адресов: можно не больше 1024.").arg(span));
    AddressRange range;
    range.first = *start;
    range.count = int(span);
    range.network = true;
    return range;
}

AddressRange AddressRange::refused(const QString &reason)
{
    AddressRange range;
    range.error = reason;
    return range;
}

QHostAddress AddressRange::at(int index) const
{
    if (index < 0 || index >= count)
        return {};
    return QHostAddress(first + quint32(index));
}

int AddressRange::indexOf(const QHostAddress &address) const
{
    bool ipv4 = false;
    const quint32 value = address.toIPv4Address(&ipv4);
    if (!ipv4 || value < first || value - first >= quint32(count))
        return -1;
    return int(value - first);
}

QString AddressRange::text() const
{
    if (!isValid())
        return {};
    const QString start = QHostAddress(first).toString();
    if (prefixLength >= 0)
        return QStringLiteral("%1/%2").arg(start).arg(prefixLength);
    if (count == 1)
        return start;
    return QStringLiteral("%1-%2").arg(start, QHostAddress(first + quint32(count) - 1).toString());
}
