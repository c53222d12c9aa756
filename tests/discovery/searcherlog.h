#ifndef SEARCHERLOG_H
#define SEARCHERLOG_H

#include "discovery/devicessearcher.h"

#include <QObject>
#include <QStringList>
#include <QVector>

// Records what a searcher emits, in order, as short texts that one comparison
// can check: "devices A,B" (the reported ids, sorted), "not sent check" (no
// greeting of the first round went out) and "finished search 2".
class SearcherLog : public QObject
{
    Q_OBJECT

public:
    explicit SearcherLog(DevicesSearcher *searcher, QObject *parent = nullptr);

    QStringList events;
    QList<QVector<DeviceDescription>> reports;
    int finishes = 0;
    // Unique ids in the order they first answered.
    QStringList answered;
    QString notSentReason;

    // Every field of each record, sorted by unique id; a null text shows as "-".
    static QStringList describe(const QVector<DeviceDescription> &devices);
    QStringList lastReport() const;
    int reportCount() const { return reports.size(); }
};

#endif // SEARCHERLOG_H
