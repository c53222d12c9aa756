#include "discovery/addresssweep.h"

AddressSweep::AddressSweep(const AddressRange &range)
    : range(range), answered(range.size(), false), unanswered(range.size())
{
}

QVector<QHostAddress> AddressSweep::nextBatch()
{
    QVector<QHostAddress> batch;
    // One pass at most: no address twice in one tick.
    for (int step = 0; step < range.size() && batch.size() < MaxPerTick; ++step) {
        const int index = cursor;
        cursor = (cursor + 1) % range.size();
        if (!answered.at(index))
            batch.append(range.at(index));
    }
    return batch;
}

void AddressSweep::markAnswered(const QHostAddress &address)
{
    const int index = range.indexOf(address);
    if (index < 0 || answered.at(index))
        return;
    answered[index] = true;
    --unanswered;
}
