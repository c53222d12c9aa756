#include "searcherlog.h"

#include <algorithm>

namespace {
QString text(const QString &value)
{
    return value.isNull() ? QStringLiteral("-") : value;
}
} // namespace

SearcherLog::SearcherLog(DevicesSearcher *searcher, QObject *parent) : QObject(parent)
{
    connect(searcher, &DevicesSearcher::searchedDevices, this,
            [this](const QVector<DeviceDescription> &devices) {
                QStringList ids;
                for (const DeviceDescription &d : devices)
                    ids.append(d.uniqueId);
                std::sort(ids.begin(), ids.end());
                events.append(QStringLiteral("devices ") + ids.join(QLatin1Char(',')));
                reports.append(devices);
            });
    connect(searcher, &DevicesSearcher::deviceAnswered, this,
            [this](const DeviceDescription &device) { answered.append(device.uniqueId); });
    connect(searcher, &DevicesSearcher::greetingsNotSent, this,
            [this](const QString &trigger, const QString &reason) {
                events.append(QStringLiteral("not sent ") + trigger);
                notSentReason = reason;
            });
    connect(searcher, &DevicesSearcher::searchingFinished, this,
            [this](const QString &trigger, int count) {
                events.append(QStringLiteral("finished %1 %2").arg(trigger).arg(count));
                ++finishes;
            });
}

QStringList SearcherLog::describe(const QVector<DeviceDescription> &devices)
{
    QStringList lines;
    for (const DeviceDescription &d : devices)
        lines.append(
            QStringLiteral("%1|%2|%3|%4|%5")
                .arg(text(d.uniqueId), text(d.name), text(d.ipAddress1), text(d.ipAddress2))
                .arg(d.type));
    std::sort(lines.begin(), lines.end());
    return lines;
}

QStringList SearcherLog::lastReport() const
{
    return reports.isEmpty() ? QStringList() : describe(reports.last());
}
