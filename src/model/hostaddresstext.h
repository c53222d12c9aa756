#ifndef HOSTADDRESSTEXT_H
#define HOSTADDRESSTEXT_H

#include <QString>
#include <QtGlobal>

#include <optional>

// Addresses as text: from the user, devices, discovery or the settings file.
// IPv4 is always four decimal numbers; QHostAddress would also read "10.1"
// as 10.0.0.1 and "010" as octal eight, and a controller given either is lost.
class HostAddressText
{
public:
    // The address written canonically, or a null text when the text is empty,
    // too long or no host address. An empty address means a missing one.
    static QString canonical(const QString &text);
    // Four numbers 0-255 of one to three decimal digits ("010" is ten).
    static std::optional<quint32> ipv4(const QString &text);
    // A complete address whose ones are contiguous from the left.
    static bool isNetmask(const QString &text);
    // Whether more typing may still make an IPv4 address of the text.
    static bool canGrowIntoIpv4(const QString &text);
    // Whether a static address, mask and gateway can go to a controller.
    static bool isStaticNetwork(const QString &address, const QString &mask,
                                const QString &gateway);
};

#endif // HOSTADDRESSTEXT_H
