#ifndef IPV4VALIDATOR_H
#define IPV4VALIDATOR_H

#include <QValidator>

// The address fields of the network pages: text that can grow into an IPv4
// address may stand, and only a complete one (a netmask with contiguous ones
// where `netmask` is set) is acceptable input. The rule is the one every
// request that carries network settings is checked by.
class Ipv4Validator : public QValidator
{
    Q_OBJECT
    Q_PROPERTY(bool netmask READ netmask WRITE setNetmask NOTIFY netmaskChanged)

public:
    explicit Ipv4Validator(QObject *parent = nullptr);

    bool netmask() const { return isNetmask; }
    void setNetmask(bool netmask);

    State validate(QString &input, int &position) const override;

Q_SIGNALS:
    void netmaskChanged();

private:
    bool isNetmask = false;
};

#endif // IPV4VALIDATOR_H
