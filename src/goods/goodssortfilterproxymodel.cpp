#include "goodssortfilterproxymodel.h"

#include "goods/goodstablemodel.h"

GoodsSortFilterProxyModel::GoodsSortFilterProxyModel(QObject *parent)
    : QSortFilterProxyModel(parent)
{
}

void GoodsSortFilterProxyModel::setSourceModel(QAbstractItemModel *sourceModel)
{
    m_goods = qobject_cast<const GoodsTableModel *>(sourceModel);
    QSortFilterProxyModel::setSourceModel(sourceModel);
}

QVariant GoodsSortFilterProxyModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Vertical && role == Qt::DisplayRole)
        return section + 1;
    return QSortFilterProxyModel::headerData(section, orientation, role);
}

void GoodsSortFilterProxyModel::sort(int column, Qt::SortOrder order)
{
    emit sorting();
    QSortFilterProxyModel::sort(column, order);
}

bool GoodsSortFilterProxyModel::lessThan(const QModelIndex &left, const QModelIndex &right) const
{
    if (!m_goods || left.model() != m_goods || right.model() != m_goods || left.column() != right.column()
        || sortRole() != Qt::DisplayRole || sortCaseSensitivity() != Qt::CaseSensitive || isSortLocaleAware())
        return QSortFilterProxyModel::lessThan(left, right);
    return m_goods->lessThan(left.row(), right.row(), left.column());
}
