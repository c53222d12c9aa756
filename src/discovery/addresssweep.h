#ifndef ADDRESSSWEEP_H
#define ADDRESSSWEEP_H

#include "discovery/addressrange.h"

#include <QVector>

// Which addresses of a range the next tick greets: at most MaxPerTick, going
// round the range and leaving out those that have answered, so a wide range
// is spread over the ticks instead of flooding the network at once.
class AddressSweep
{
public:
    static constexpr int MaxPerTick = 256;

    explicit AddressSweep(const AddressRange &range = AddressRange());

    QVector<QHostAddress> nextBatch();
    // No effect for an address outside the range.
    void markAnswered(const QHostAddress &address);
    bool allAnswered() const { return unanswered == 0; }

private:
    AddressRange range;
    QVector<bool> answered;
    int unanswered = 0;
    int cursor = 0;
};

#endif // ADDRESSSWEEP_H
