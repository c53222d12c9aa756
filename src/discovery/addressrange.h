#ifndef ADDRESSRANGE_H
#define ADDRESSRANGE_H

#include <QHostAddress>
#include <QString>

// The IPv4 addresses a check greets, typed as one address ("192.168.5.10"), a
// network ("192.168.5.0/24") or a range ("192.168.5.10-192.168.5.60"). Typed
// by people into the window or norvaleo-ctl, so every refusal says why.
class AddressRange
{
public:
    // A /22: wider networks take too long to greet at a bounded rate.
    static constexpr int MaxAddresses = 1024;

    static AddressRange parse(const QString &text);

    bool isValid() const { return count > 0; }
    bool isSingle() const { return count == 1 && !network; }
    int size() const { return count; }
    QHostAddress at(int index) const;
    // The position of an address in the range, or -1.
    int indexOf(const QHostAddress &address) const;
    // Why the text was refused; empty when it was accepted.
    QString errorText() const { return error; }
    // The range written canonically, as the user is shown it back.
    QString text() const;

private:
    static AddressRange refused(const QString &reason);
    static AddressRange parseNetwork(const QString &address, const QString &prefix);
    static AddressRange parseSpan(const QString &from, const QString &to);

    quint32 first = 0;
    int count = 0;
    int prefixLength = -1;
    bool network = false;
    QString error;
};

#endif // ADDRESSRANGE_H
