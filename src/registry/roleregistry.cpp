#include "registry/roleregistry.h"

#include "device/norvaleodimmer.h"
#include "model/abstractdevicemodel.h"
#include "model/dimmer.h"

void RoleRegistry::registerNames(const QList<QByteArray> &names)
{
    QHash<QByteArray, int> &registry = AbstractDeviceModel::roleRegistry();
    for (const QByteArray &name : names) {
        if (!registry.contains(name)) {
            registry.insert(name, Qt::UserRole + 1 + registry.size());
        }
    }
}

void RoleRegistry::fill()
{
    registerNames(AbstractDeviceModel::roleNamesList());
    // The root model's list is the base list.
    registerNames(AbstractDeviceModel::roleNamesList());
    registerNames(NorvaleoDimmer::roleNamesList());
    registerNames(Dimmer::roleNamesList());
}
