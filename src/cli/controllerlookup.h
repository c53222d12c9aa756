#ifndef CONTROLLERLOOKUP_H
#define CONTROLLERLOOKUP_H

#include "registry/rootmodel.h"
#include "registry/settingsfile.h"

#include <QModelIndex>
#include <QPersistentModelIndex>
#include <QString>
#include <QVector>

// The controllers the terminal can name: those of the settings file, read as
// the window reads it, and one found at an address. The file is never written
// and no controller is polled.
class ControllerLookup
{
public:
    // What a name stands for: one node, several (an ambiguous name) or none.
    struct Match
    {
        QPersistentModelIndex index;
        QVector<QPersistentModelIndex> candidates;
    };

    explicit ControllerLookup(const SettingsFile &settingsFile);

    RootModel &model() { return root; }
    QVector<QPersistentModelIndex> controllers() const;
    QVector<QPersistentModelIndex> channels(const QModelIndex &controller) const;
    QVariant value(const QModelIndex &index, const QByteArray &role) const;
    QString text(const QModelIndex &index, const QByteArray &role) const;

    // A unique id, a whole name (case-insensitive) or an address of a
    // controller of the file.
    Match findController(const QString &text) const;
    // Asks the address with an address check and adds the controller that
    // answers within the request timeout; an invalid index when none does.
    QPersistentModelIndex addControllerAt(const QString &address);
    // A light_id or a whole channel name (case-insensitive).
    Match findChannel(const QModelIndex &controller, const QString &text) const;

private:
    static bool sameText(const QString &a, const QString &b);

    RootModel root;
};

#endif // CONTROLLERLOOKUP_H
