#include "app/ipv4validator.h"

#include "model/hostaddresstext.h"

Ipv4Validator::Ipv4Validator(QObject *parent) : QValidator(parent)
{
}

void Ipv4Validator::setNetmask(bool netmask)
{
    if (isNetmask == netmask) {
        return;
    }
    isNetmask = netmask;
    Q_EMIT netmaskChanged();
    Q_EMIT changed();
}

QValidator::State Ipv4Validator::validate(QString &input, int & /*position*/) const
{
    const bool complete =
        isNetmask ? HostAddressText::isNetmask(input) : bool(HostAddressText::ipv4(input));
    if (complete) {
        return Acceptable;
    }
    return HostAddressText::canGrowIntoIpv4(input) ? Intermediate : Invalid;
}
