#include "model/favouritesfilterproxymodel.h"

#include "model/abstractdevicemodel.h"

#include <algorithm>
#include <iterator>

namespace {

// Marks an index as parked while a rebuild replaces the table: no row of the
// proxy ever has this internal id.
constexpr quintptr ParkedId = 1;

} // namespace

FavouritesFilterProxyModel::FavouritesFilterProxyModel(QObject *parent)
    : QAbstractProxyModel(parent)
{
}

QModelIndex FavouritesFilterProxyModel::index(int row, int column, const QModelIndex &parent) const
{
    if (!hasIndex(row, column, parent)) {
        return {};
    }
    return createIndex(row, column);
}

QModelIndex FavouritesFilterProxyModel::parent(const QModelIndex &) const
{
    return {};
}

int FavouritesFilterProxyModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : favourites.size();
}

int FavouritesFilterProxyModel::columnCount(const QModelIndex &parent) const
{
    const QAbstractItemModel *source = sourceModel();
    return source ? source->columnCount(parent) : 0;
}

QModelIndex FavouritesFilterProxyModel::sourceOfRow(int row) const
{
    if (row < 0 || row >= favourites.size()) {
        return {};
    }
    const auto entry = std::next(favourites.constBegin(), row);
    if (entry.key().row() != row) {
        return {};
    }
    return entry.value();
}

QModelIndex FavouritesFilterProxyModel::mapToSource(const QModelIndex &proxyIndex) const
{
    if (!proxyIndex.isValid() || proxyIndex.model() != this || proxyIndex.column() != 0) {
        return {};
    }
    return sourceOfRow(proxyIndex.row());
}

QModelIndex FavouritesFilterProxyModel::mapFromSource(const QModelIndex &sourceIndex) const
{
    if (!sourceIndex.isValid()) {
        return {};
    }
    for (auto it = favourites.constBegin(); it != favourites.constEnd(); ++it) {
        if (it.value() == sourceIndex) {
            return it.key();
        }
    }
    return {};
}

void FavouritesFilterProxyModel::setSourceModel(QAbstractItemModel *newSource)
{
    if (QAbstractItemModel *old = sourceModel()) {
        disconnect(old, &QAbstractItemModel::dataChanged, this,
                   &FavouritesFilterProxyModel::sourceDataChanged);
        disconnect(old, &QAbstractItemModel::modelReset, this,
                   &FavouritesFilterProxyModel::rebuildFavourites);
    }
    QAbstractProxyModel::setSourceModel(newSource);
    if (!newSource) {
        return;
    }
    connect(newSource, &QAbstractItemModel::dataChanged, this,
            &FavouritesFilterProxyModel::sourceDataChanged);
    connect(newSource, &QAbstractItemModel::modelReset, this,
            &FavouritesFilterProxyModel::rebuildFavourites);
}

AbstractDeviceModel *FavouritesFilterProxyModel::deviceSource() const
{
    return qobject_cast<AbstractDeviceModel *>(sourceModel());
}

bool FavouritesFilterProxyModel::isFavourite(const QModelIndex &sourceIndex) const
{
    const AbstractDeviceModel *source = deviceSource();
    if (!source) {
        return false;
    }
    // Restored marks are the texts "true" and "false", which convert as expected.
    const QVariant value = source->data(sourceIndex, source->roleByName("favourites"));
    return !value.isNull() && value.toBool();
}

void FavouritesFilterProxyModel::rebuildFavourites()
{
    Q_EMIT layoutAboutToBeChanged();

    // Views' persistent indexes follow their channel to its new row, or become
    // invalid. They are parked on ids no row has, so that the new table's keys
    // are never taken for them.
    const QModelIndexList before = persistentIndexList();
    QVector<QPersistentModelIndex> sources;
    QModelIndexList parked;
    sources.reserve(before.size());
    parked.reserve(before.size());
    for (const QModelIndex &index : before) {
        sources.append(QPersistentModelIndex(sourceOfRow(index.row())));
        parked.append(createIndex(index.row(), index.column(), ParkedId));
    }
    changePersistentIndexList(before, parked);

    favourites.clear();
    if (AbstractDeviceModel *source = deviceSource()) {
        collectFavourites(source, QModelIndex());
    }

    QModelIndexList after;
    after.reserve(parked.size());
    for (int i = 0; i < parked.size(); ++i) {
        const QModelIndex row = mapFromSource(sources.at(i));
        after.append(row.isValid() ? createIndex(row.row(), parked.at(i).column()) : QModelIndex());
    }
    changePersistentIndexList(parked, after);

    Q_EMIT layoutChanged();
}

void FavouritesFilterProxyModel::collectFavourites(AbstractDeviceModel *source,
                                                   const QModelIndex &index)
{
    if (isFavourite(index)) {
        favourites.insert(QPersistentModelIndex(createIndex(favourites.size(), 0)),
                          QPersistentModelIndex(index));
    }
    const int rows = source->rowCount(index);
    for (int row = 0; row < rows; ++row) {
        collectFavourites(source, source->index(row, 0, index));
    }
}

void FavouritesFilterProxyModel::appendFavourite(const QModelIndex &sourceIndex)
{
    const int n = favourites.size();
    // The first row arrives as a layout change, like the tree's first child.
    if (n > 0) {
        beginInsertRows(QModelIndex(), n, n);
    } else {
        Q_EMIT layoutAboutToBeChanged();
    }
    favourites.insert(QPersistentModelIndex(createIndex(n, 0)), QPersistentModelIndex(sourceIndex));
    if (n > 0) {
        endInsertRows();
    } else {
        Q_EMIT layoutChanged();
    }
}

void FavouritesFilterProxyModel::removeFavourite(const QModelIndex &proxyIndex)
{
    const int row = proxyIndex.row();
    beginRemoveRows(QModelIndex(), row, row);
    const auto entry = std::next(favourites.begin(), row);
    if (entry.key() == proxyIndex) {
        favourites.erase(entry);
    }
    // Renumbers the keys below the removed row.
    endRemoveRows();
}

void FavouritesFilterProxyModel::sourceDataChanged(const QModelIndex &topLeft,
                                                   const QModelIndex &bottomRight,
                                                   const QVector<int> &roles)
{
    const AbstractDeviceModel *source = deviceSource();
    if (!source || !topLeft.isValid() || !bottomRight.isValid()) {
        return;
    }
    const bool favouriteChanged = roles.contains(source->roleByName("favourites"));

    QModelIndexList affected;
    for (int row = topLeft.row(); row <= bottomRight.row(); ++row) {
        const QModelIndex proxyIndex = mapFromSource(topLeft.sibling(row, topLeft.column()));
        if (proxyIndex.isValid()) {
            affected.append(proxyIndex);
        }
    }

    if (!affected.isEmpty()) {
        if (!favouriteChanged || (isFavourite(topLeft) && isFavourite(bottomRight))) {
            std::sort(affected.begin(), affected.end(),
                      [](const QModelIndex &a, const QModelIndex &b) { return a.row() < b.row(); });
            Q_EMIT dataChanged(affected.first(), affected.last(), roles);
            return;
        }
        if (topLeft == bottomRight) {
            removeFavourite(affected.first());
            return;
        }
        rebuildFavourites();
        return;
    }

    if (!favouriteChanged || (!isFavourite(topLeft) && !isFavourite(bottomRight))) {
        return;
    }
    if (topLeft == bottomRight) {
        appendFavourite(topLeft);
        return;
    }
    rebuildFavourites();
}
