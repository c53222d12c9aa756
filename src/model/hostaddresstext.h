#ifndef HOSTADDRESSTEXT_H
#define HOSTADDRESSTEXT_H

#include <QString>

// Addresses that arrive as text from devices, discovery or the settings file.
class HostAddressText
{
public:
    // The address written canonically, or a null text when the text is empty,
    // too long or no host address. An empty address means a missing one.
    static QString canonical(const QString &text);
};

#endif // HOSTADDRESSTEXT_H
