#include "model/abstractdevicemodel.h"

#include "json/jsontext.h"

#include <QMap>

#include <algorithm>

AbstractDeviceModel::AbstractDeviceModel(const QString &name, int id, QObject *parent)
    : QAbstractItemModel(parent), id(id)
{
    addRoleNames(roleNamesList());
    setNodeProperty("name", name, true);
    setNodeProperty("preffered_delegate", QStringLiteral("VoidItem.qml"), false);
}

AbstractDeviceModel::~AbstractDeviceModel() = default;

QHash<QByteArray, int> &AbstractDeviceModel::roleRegistry()
{
    static QHash<QByteArray, int> registry;
    return registry;
}

QList<QByteArray> AbstractDeviceModel::roleNamesList()
{
    return {QByteArrayLiteral("name"), QByteArrayLiteral("preffered_delegate")};
}

AbstractDeviceModel *AbstractDeviceModel::nodeOf(const QModelIndex &index)
{
    return static_cast<AbstractDeviceModel *>(index.internalPointer());
}

const AbstractDeviceModel *AbstractDeviceModel::nodeOrSelf(const QModelIndex &index) const
{
    return index.isValid() ? nodeOf(index) : this;
}

AbstractDeviceModel *AbstractDeviceModel::nodeOrSelf(const QModelIndex &index)
{
    return index.isValid() ? nodeOf(index) : this;
}

// The registry's own copy of a name, shared by every node that uses it.
static QByteArray registeredName(const QByteArray &name)
{
    const QHash<QByteArray, int> &registry = AbstractDeviceModel::roleRegistry();
    const auto entry = registry.constFind(name);
    return entry == registry.constEnd() ? name : entry.key();
}

// Every node of a class has the same role table; hundreds of controllers
// with their channels share one copy of each instead of building their own.
static QHash<int, QByteArray> sharedRoleTable(const QHash<int, QByteArray> &table)
{
    static QVector<QHash<int, QByteArray>> tables;
    for (const QHash<int, QByteArray> &known : std::as_const(tables)) {
        if (known == table) {
            return known;
        }
    }
    tables.append(table);
    return table;
}

void AbstractDeviceModel::addRoleNames(const QList<QByteArray> &names)
{
    const QHash<QByteArray, int> &registry = roleRegistry();
    QHash<int, QByteArray> table = roles;
    for (const QByteArray &name : names) {
        table.insert(registry.value(name, 0), registeredName(name));
    }
    roles = sharedRoleTable(table);
}

void AbstractDeviceModel::setNodeProperty(const QByteArray &name, const QVariant &value,
                                          bool persistent)
{
    properties.insert(registeredName(name), Property{value, persistent});
    markChanged();
}

void AbstractDeviceModel::markChanged()
{
    for (AbstractDeviceModel *node = this; node; node = node->parentItem) {
        ++node->changeCount;
    }
}

const Property *AbstractDeviceModel::propertyOf(int role) const
{
    const auto name = roles.constFind(role);
    if (name == roles.constEnd()) {
        return nullptr;
    }
    const auto property = properties.constFind(*name);
    return property == properties.constEnd() ? nullptr : &*property;
}

const QVariant *AbstractDeviceModel::storedValue(int role) const
{
    const Property *property = propertyOf(role);
    return property ? &property->value : nullptr;
}

bool AbstractDeviceModel::isPersistentRole(int role) const
{
    const Property *property = propertyOf(role);
    return property && property->persistent;
}

// QVariant's own comparison goes through its type handlers; the types replies
// bring are compared directly.
static bool sameValue(const QVariant &stored, const QVariant &value)
{
    const int type = stored.userType();
    if (type != value.userType()) {
        return stored == value;
    }
    switch (type) {
    case QMetaType::Int:
        return *static_cast<const int *>(stored.constData()) ==
               *static_cast<const int *>(value.constData());
    case QMetaType::Bool:
        return *static_cast<const bool *>(stored.constData()) ==
               *static_cast<const bool *>(value.constData());
    case QMetaType::QString:
        return *static_cast<const QString *>(stored.constData()) ==
               *static_cast<const QString *>(value.constData());
    default:
        return stored == value;
    }
}

bool AbstractDeviceModel::storeValue(int role, const QVariant &value)
{
    if (role <= 2) {
        return false;
    }
    const auto name = roles.constFind(role);
    if (name == roles.constEnd()) {
        return false;
    }
    const auto property = properties.find(*name);
    if (property == properties.end() || sameValue(property->value, value)) {
        return false;
    }
    property->value = value;
    markChanged();
    return true;
}

QVariant AbstractDeviceModel::propertyValue(const QByteArray &name) const
{
    return properties.value(name).value;
}

QModelIndex AbstractDeviceModel::index(int row, int column, const QModelIndex &parent) const
{
    if (!hasIndex(row, column, parent)) {
        return {};
    }
    const QVector<AbstractDeviceModel *> &list = nodeOrSelf(parent)->children;
    if (row < 0 || row >= list.size()) {
        return {};
    }
    return createIndex(row, column, list.at(row));
}

QModelIndex AbstractDeviceModel::parent(const QModelIndex &child) const
{
    if (!child.isValid()) {
        return {};
    }
    AbstractDeviceModel *above = nodeOf(child)->parentItem;
    if (!above) {
        return {};
    }
    return createIndex(rowOfItem(above), 0, above);
}

int AbstractDeviceModel::rowCount(const QModelIndex &parent) const
{
    return nodeOrSelf(parent)->children.size();
}

int AbstractDeviceModel::columnCount(const QModelIndex &) const
{
    return roles.size();
}

QVariant AbstractDeviceModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid()) {
        return {};
    }
    const AbstractDeviceModel *node = nodeOf(index);
    const auto name = node->roles.constFind(role);
    if (name == node->roles.constEnd()) {
        return {};
    }
    return node->propertyValue(*name);
}

bool AbstractDeviceModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (role <= 2 || !index.isValid()) {
        return false;
    }
    AbstractDeviceModel *node = nodeOf(index);
    const auto name = node->roles.constFind(role);
    if (name == node->roles.constEnd()) {
        return false;
    }
    const auto property = node->properties.find(*name);
    if (property == node->properties.end()) {
        return false;
    }
    if (property->value == value) {
        return true;
    }
    property->value = value;
    node->markChanged();
    Q_EMIT dataChanged(index, index, {role});
    return true;
}

Qt::ItemFlags AbstractDeviceModel::flags(const QModelIndex &index) const
{
    if (!index.isValid()) {
        return Qt::ItemIsEnabled;
    }
    return Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsEditable;
}

QHash<int, QByteArray> AbstractDeviceModel::roleNames() const
{
    return roles;
}

int AbstractDeviceModel::roleByName(const QByteArray &roleName) const
{
    // Role numbers come from the registry, so its number is tried first: this
    // runs several times for every value of every reply. Names a table holds
    // under another number are still found by the search below.
    const int registered = roleRegistry().value(roleName, -1);
    const auto entry = roles.constFind(registered);
    if (entry != roles.constEnd() && *entry == roleName) {
        return registered;
    }
    for (auto it = roles.constBegin(); it != roles.constEnd(); ++it) {
        if (it.value() == roleName) {
            return it.key();
        }
    }
    return -1;
}

QString AbstractDeviceModel::itemType() const
{
    return QStringLiteral("ABSTRACT");
}

QByteArray AbstractDeviceModel::nameOfRole(int role) const
{
    return roles.value(role);
}

int AbstractDeviceModel::runningCount(const QModelIndex &parent) const
{
    return nodeOrSelf(parent)->runningCounter;
}

void AbstractDeviceModel::insertChild(const QModelIndex &parent, AbstractDeviceModel *item)
{
    AbstractDeviceModel *target = this;
    if (parent.isValid()) {
        target = nodeOf(parent);
        item->parentItem = target;
        item->model = model;
    }
    const int n = target->children.size();
    // The first child is announced as a layout change, not as a row insertion.
    if (n > 0) {
        beginInsertRows(parent, n, n);
    } else {
        Q_EMIT layoutAboutToBeChanged();
    }
    target->children.append(item);
    ++target->runningCounter;
    target->markChanged();
    if (n > 0) {
        endInsertRows();
    } else {
        Q_EMIT layoutChanged();
    }
}

void AbstractDeviceModel::removeChildrenFrom(const QModelIndex &parent, int first)
{
    AbstractDeviceModel *target = nodeOrSelf(parent);
    const int last = target->children.size() - 1;
    if (first < 0 || first > last) {
        return;
    }
    beginRemoveRows(parent, first, last);
    for (int row = first; row <= last; ++row) {
        AbstractDeviceModel *child = target->children.at(row);
        deleteChildren(indexOfItem(this, child), false);
        child->deleteLater();
    }
    target->children.resize(first);
    target->markChanged();
    endRemoveRows();
}

QModelIndex AbstractDeviceModel::indexOfItem(const AbstractDeviceModel *model,
                                             AbstractDeviceModel *item)
{
    if (!item) {
        return {};
    }
    return model->createIndex(rowOfItem(item), 0, item);
}

int AbstractDeviceModel::rowOfItem(const AbstractDeviceModel *item)
{
    const AbstractDeviceModel *above = item->parentItem;
    if (!above) {
        return 0;
    }
    const auto &siblings = above->children;
    const auto found =
        std::find_if(siblings.cbegin(), siblings.cend(),
                     [item](const AbstractDeviceModel *s) { return s->id == item->id; });
    return int(found - siblings.cbegin());
}

bool AbstractDeviceModel::isChildOf(const AbstractDeviceModel *node) const
{
    return parentItem == node;
}

bool AbstractDeviceModel::applyValues(const QMap<int, QVariant> &values, QVector<int> *changedRoles)
{
    bool changed = false;
    for (auto it = values.constBegin(); it != values.constEnd(); ++it) {
        if (it.key() <= 2) {
            continue;
        }
        const auto name = roles.constFind(it.key());
        if (name == roles.constEnd()) {
            continue;
        }
        const auto property = properties.find(*name);
        if (property == properties.end() || property->value == it.value()) {
            continue;
        }
        property->value = it.value();
        markChanged();
        changed = true;
        if (changedRoles) {
            changedRoles->append(it.key());
        }
    }
    return changed;
}

bool AbstractDeviceModel::setItemValues(const QModelIndex &index, const QMap<int, QVariant> &values)
{
    if (!index.isValid()) {
        return false;
    }
    QVector<int> changedRoles;
    nodeOf(index)->applyValues(values, &changedRoles);
    if (changedRoles.isEmpty()) {
        return false;
    }
    Q_EMIT dataChanged(index, index, changedRoles);
    return true;
}

bool AbstractDeviceModel::setItemsValues(const QVector<QModelIndex> &indexes,
                                         const QMap<int, QVariant> &values)
{
    if (indexes.isEmpty() || values.isEmpty()) {
        return false;
    }
    bool changed = false;
    for (const QModelIndex &index : indexes) {
        if (index.isValid() && nodeOf(index)->applyValues(values, nullptr)) {
            changed = true;
        }
    }
    if (changed) {
        Q_EMIT dataChanged(indexes.first(), indexes.last(), {});
    }
    return changed;
}

void AbstractDeviceModel::deleteChildren(const QModelIndex &parent, bool needChangeLayout)
{
    if (!parent.isValid()) {
        return;
    }
    AbstractDeviceModel *node = nodeOf(parent);
    const bool signalLayout = needChangeLayout && !node->children.isEmpty();
    if (signalLayout) {
        Q_EMIT layoutAboutToBeChanged();
    }
    for (AbstractDeviceModel *child : std::as_const(node->children)) {
        deleteChildren(indexOfItem(this, child), false);
        child->deleteLater();
    }
    node->children.clear();
    node->markChanged();
    if (signalLayout) {
        Q_EMIT layoutChanged();
    }
}

void AbstractDeviceModel::startCommunication()
{
}

void AbstractDeviceModel::transferDataToDevice(const QModelIndex &, const QVariant &, int)
{
}

void AbstractDeviceModel::writeNode(QString &out, int &number)
{
    ++number;
    out += QLatin1Char('"') + itemType() + QLatin1Char('_') + QString::number(number) +
           QStringLiteral("\":{");
    int count = 0;
    writeOwnFields(out, count);
    writeChildren(out, count);
    out += QLatin1Char('}');
}

static QString valueText(const QVariant &value)
{
    if (!value.isValid()) {
        return {};
    }
    switch (value.userType()) {
    case QMetaType::QVariantMap:
    case QMetaType::QVariantList:
    case QMetaType::QStringList:
        return {};
    default:
        return value.toString();
    }
}

void AbstractDeviceModel::writeOwnFields(QString &out, int &count)
{
    QMap<QString, QString> fields;
    for (auto it = properties.constBegin(); it != properties.constEnd(); ++it) {
        if (it->persistent) {
            fields.insert(QString::fromUtf8(it.key()), valueText(it->value));
        }
    }
    for (auto it = fields.constBegin(); it != fields.constEnd(); ++it) {
        if (count > 0) {
            out += QLatin1Char(',');
        }
        out += JsonText::quoted(it.key()) + QLatin1Char(':') + JsonText::quoted(it.value());
        ++count;
    }
}

void AbstractDeviceModel::writeChildren(QString &out, int &count)
{
    int childNumber = 0;
    for (AbstractDeviceModel *child : std::as_const(children)) {
        if (count > 0) {
            out += QLatin1Char(',');
        }
        child->writeNode(out, childNumber);
        ++count;
    }
}
