#ifndef DEVICETREE_H
#define DEVICETREE_H

#include "discovery/devicedescription.h"
#include "model/dimmer.h"
#include "registry/rootmodel.h"

#include <QModelIndex>

#include <memory>

// Builds device trees in a root model without contacting any device: controllers
// are added without starting their communication, and only roles that have no
// setter on the device are written.
namespace DeviceTree {

inline int role(const QByteArray &name)
{
    return AbstractDeviceModel::roleRegistry().value(name, -1);
}

inline DeviceDescription description(const QString &uniqueId, const QString &name,
                                     const QString &ipAddress1, const QString &ipAddress2,
                                     int type = 1)
{
    DeviceDescription d;
    d.uniqueId = uniqueId;
    d.name = name;
    d.ipAddress1 = ipAddress1;
    d.ipAddress2 = ipAddress2;
    d.type = type;
    return d;
}

inline QModelIndex devices(const RootModel &root)
{
    return root.index(0, 0);
}

inline QModelIndex controller(const RootModel &root, int row)
{
    return root.index(row, 0, devices(root));
}

inline QModelIndex channel(const RootModel &root, int controllerRow, int row)
{
    return root.index(row, 0, controller(root, controllerRow));
}

inline QModelIndex addController(RootModel &root, const QString &uniqueId, const QString &name,
                                 const QString &ipAddress1, const QString &ipAddress2)
{
    return root.addDevice(description(uniqueId, name, ipAddress1, ipAddress2), false);
}

inline QModelIndex addChannel(RootModel &root, const QModelIndex &controller, const QString &name,
                              int lightId, bool favourite = false)
{
    auto *node = static_cast<AbstractDeviceModel *>(controller.internalPointer());
    auto *channel = new Dimmer(name, root.runningCount(controller), node);
    root.addItemToModel(controller, std::shared_ptr<AbstractDeviceModel>(channel, DeviceDeleter()));
    const QModelIndex index = root.index(root.rowCount(controller) - 1, 0, controller);
    root.setData(index, lightId, role("light_id"));
    if (favourite) {
        root.setData(index, true, role("favourites"));
    }
    return index;
}

inline QString text(const QModelIndex &index, const QByteArray &roleName)
{
    return index.data(role(roleName)).toString();
}

} // namespace DeviceTree

#endif // DEVICETREE_H
