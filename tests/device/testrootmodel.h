#ifndef TESTROOTMODEL_H
#define TESTROOTMODEL_H

#include "device/norvaleodimmer.h"
#include "model/abstractdevicemodel.h"

// Stands in for the root model until it exists: the root of a tree with one
// top node, which adopts the channels controllers hand over, forwards their
// change signals and passes edits on to the controller above the edited node.
class TestRootModel : public AbstractDeviceModel
{
public:
    TestRootModel() : AbstractDeviceModel(QStringLiteral("root_model"), -1, nullptr)
    {
        const QHash<QByteArray, int> &registry = roleRegistry();
        for (auto it = registry.constBegin(); it != registry.constEnd(); ++it) {
            roles.insert(it.value(), it.key());
        }
        model = this;
        top = new AbstractDeviceModel(QStringLiteral("Устройства"), runningCount({}), this);
        insertChild({}, top);
    }

    QModelIndex topIndex() const { return index(0, 0); }

    NorvaleoDimmer *addController(const QString &wired, const QString &wifi,
                                  const QString &uniqueId, const QString &name)
    {
        auto *controller =
            new NorvaleoDimmer(wired, wifi, uniqueId, name, runningCount(topIndex()), top);
        connect(controller, &AbstractDeviceModel::itemPreparedToInsert, this,
                [this](const QModelIndex &parent, std::shared_ptr<AbstractDeviceModel> item) {
                    adopt(parent, item);
                });
        connect(controller, &QAbstractItemModel::dataChanged, this,
                &QAbstractItemModel::dataChanged);
        insertChild(topIndex(), controller);
        return controller;
    }

    QModelIndex controllerIndex(int row = 0) const { return index(row, 0, topIndex()); }
    QModelIndex channelIndex(int channelRow, int controllerRow = 0) const
    {
        return index(channelRow, 0, controllerIndex(controllerRow));
    }

    // The value of a role of any node, by name.
    QVariant value(const QModelIndex &index, const QByteArray &role) const
    {
        return data(index, roleByName(role));
    }
    bool write(const QModelIndex &index, const QByteArray &role, const QVariant &value)
    {
        return setData(index, value, roleByName(role));
    }

    bool setData(const QModelIndex &index, const QVariant &value, int role) override
    {
        if (!AbstractDeviceModel::setData(index, value, role)) {
            return false;
        }
        auto *node = static_cast<AbstractDeviceModel *>(index.internalPointer());
        for (int row = 0; row < rowCount(topIndex()); ++row) {
            auto *controller =
                static_cast<AbstractDeviceModel *>(controllerIndex(row).internalPointer());
            if (node == controller || node->isChildOf(controller)) {
                controller->transferDataToDevice(index, value, role);
                break;
            }
        }
        return true;
    }

    AbstractDeviceModel *top;

private:
    void adopt(const QModelIndex &parent, const std::shared_ptr<AbstractDeviceModel> &item)
    {
        if (!parent.isValid() || !item) {
            return;
        }
        std::get_deleter<DeviceDeleter>(item)->armed = false;
        insertChild(parent, item.get());
    }
};

#endif // TESTROOTMODEL_H
