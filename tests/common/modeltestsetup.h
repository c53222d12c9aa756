#ifndef MODELTESTSETUP_H
#define MODELTESTSETUP_H

#include "registry/roleregistry.h"

#include <QAbstractItemModel>
#include <QList>
#include <QMetaType>
#include <QPersistentModelIndex>

// What every tree test needs before its first node: the role numbers, and
// the argument types of the layout signals so QSignalSpy can record them.
inline void prepareModelTests()
{
    RoleRegistry::fill();
    qRegisterMetaType<QList<QPersistentModelIndex>>();
    qRegisterMetaType<QAbstractItemModel::LayoutChangeHint>();
}

#endif // MODELTESTSETUP_H
