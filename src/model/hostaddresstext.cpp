#include "model/hostaddresstext.h"

#include "model/devicelimits.h"

#include <QHostAddress>

QString HostAddressText::canonical(const QString &text)
{
    if (text.isEmpty() || text.size() > DeviceLimits::MaxAddressLength) {
        return {};
    }
    QHostAddress address;
    if (!address.setAddress(text)) {
        return {};
    }
    const QString written = address.toString();
    if (written.isEmpty() || written.size() > DeviceLimits::MaxAddressLength) {
        return {};
    }
    return written;
}
