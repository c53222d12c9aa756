#ifndef ABSTRACTDEVICEMODEL_H
#define ABSTRACTDEVICEMODEL_H

#include "model/disarmabledelete.h"
#include "model/property.h"

#include <QAbstractItemModel>
#include <QByteArray>
#include <QHash>
#include <QMap>
#include <QVector>

#include <memory>

class AbstractDeviceModel;

using DeviceDeleter =
    DisarmableDelete<AbstractDeviceModel, std::default_delete<AbstractDeviceModel>>;

// A node of the device tree that is at the same time a complete item model.
// Views use the root model only; an index's internal pointer is its node.
class AbstractDeviceModel : public QAbstractItemModel
{
    Q_OBJECT

public:
    AbstractDeviceModel(const QString &name, int id, QObject *parent);
    ~AbstractDeviceModel() override;

    // Process-wide numbering of role names, filled once before any node exists.
    static QHash<QByteArray, int> &roleRegistry();
    static QList<QByteArray> roleNamesList();

    QModelIndex index(int row, int column,
                      const QModelIndex &parent = QModelIndex()) const override;
    QModelIndex parent(const QModelIndex &child) const override;
    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    QHash<int, QByteArray> roleNames() const override;

    Q_INVOKABLE int roleByName(const QByteArray &roleName) const;
    Q_INVOKABLE virtual QString itemType() const;
    Q_INVOKABLE virtual void deleteChildren(const QModelIndex &parent,
                                            bool needChangeLayout = true);

    QByteArray nameOfRole(int role) const;
    int runningCount(const QModelIndex &parent) const;
    void insertChild(const QModelIndex &parent, AbstractDeviceModel *item);
    // Removes the children of parent from row first to the end.
    void removeChildrenFrom(const QModelIndex &parent, int first);
    static QModelIndex indexOfItem(const AbstractDeviceModel *model, AbstractDeviceModel *item);
    static int rowOfItem(const AbstractDeviceModel *item);
    bool isChildOf(const AbstractDeviceModel *node) const;
    bool setItemValues(const QModelIndex &index, const QMap<int, QVariant> &values);
    bool setItemsValues(const QVector<QModelIndex> &indexes, const QMap<int, QVariant> &values);
    // The stored value of a role, read without a copy; nullptr when the node has none.
    const QVariant *storedValue(int role) const;
    // Whether the settings file holds this node's value of the role.
    bool isPersistentRole(int role) const;
    // Stores a value that differs from the stored one and says whether it did.
    // Sends no signal: the caller reports each changed range once.
    bool storeValue(int role, const QVariant &value);
    // Grows whenever a value of this node or of a node below it changes, or a
    // child comes or goes.
    quint64 revision() const { return changeCount; }

    virtual void startCommunication();
    virtual void transferDataToDevice(const QModelIndex &index, const QVariant &value, int role);
    virtual void writeNode(QString &out, int &number);
    virtual void writeOwnFields(QString &out, int &count);
    virtual void writeChildren(QString &out, int &count);

Q_SIGNALS:
    void itemPreparedToInsert(QModelIndex parent, std::shared_ptr<AbstractDeviceModel> item);

protected:
    static AbstractDeviceModel *nodeOf(const QModelIndex &index);
    const AbstractDeviceModel *nodeOrSelf(const QModelIndex &index) const;
    AbstractDeviceModel *nodeOrSelf(const QModelIndex &index);
    void addRoleNames(const QList<QByteArray> &names);
    void setNodeProperty(const QByteArray &name, const QVariant &value, bool persistent);
    QVariant propertyValue(const QByteArray &name) const;
    const Property *propertyOf(int role) const;
    bool applyValues(const QMap<int, QVariant> &values, QVector<int> *changedRoles);
    void markChanged();

    int id;
    int runningCounter = 0; // children ever inserted: the id the next child gets
    AbstractDeviceModel *parentItem = nullptr;
    AbstractDeviceModel *model = nullptr;
    QVector<AbstractDeviceModel *> children;
    QHash<QByteArray, Property> properties;
    QHash<int, QByteArray> roles;
    quint64 changeCount = 0;

    friend class RootModel;
};

#endif // ABSTRACTDEVICEMODEL_H
