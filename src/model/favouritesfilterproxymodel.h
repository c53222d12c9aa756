#ifndef FAVOURITESFILTERPROXYMODEL_H
#define FAVOURITESFILTERPROXYMODEL_H

#include <QAbstractProxyModel>
#include <QMap>
#include <QPersistentModelIndex>
#include <QVector>

class AbstractDeviceModel;

// A flat list of the device tree's favourite channels. Rows follow the order
// in which channels were marked; a rebuild puts them in tree order.
class FavouritesFilterProxyModel : public QAbstractProxyModel
{
    Q_OBJECT

public:
    explicit FavouritesFilterProxyModel(QObject *parent = nullptr);

    QModelIndex index(int row, int column,
                      const QModelIndex &parent = QModelIndex()) const override;
    QModelIndex parent(const QModelIndex &child) const override;
    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QModelIndex mapToSource(const QModelIndex &proxyIndex) const override;
    QModelIndex mapFromSource(const QModelIndex &sourceIndex) const override;
    void setSourceModel(QAbstractItemModel *sourceModel) override;

    void rebuildFavourites();

public Q_SLOTS:
    void sourceDataChanged(const QModelIndex &topLeft, const QModelIndex &bottomRight,
                           const QVector<int> &roles);

private:
    AbstractDeviceModel *deviceSource() const;
    bool isFavourite(const QModelIndex &sourceIndex) const;
    QModelIndex sourceOfRow(int row) const;
    void collectFavourites(AbstractDeviceModel *source, const QModelIndex &index);
    void appendFavourite(const QModelIndex &sourceIndex);
    void removeFavourite(const QModelIndex &proxyIndex);

    // Key: the proxy row (rows 0 to n-1, renumbered by the framework when a row
    // is removed); value: the favourite node in the source tree.
    QMap<QPersistentModelIndex, QPersistentModelIndex> favourites;
};

#endif // FAVOURITESFILTERPROXYMODEL_H
