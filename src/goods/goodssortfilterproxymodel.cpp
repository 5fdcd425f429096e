#include "goodssortfilterproxymodel.h"

#include "goods/goodstablemodel.h"

#include <QRegularExpression>

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
    // The base class sorts through lessThan() with two index() calls per
    // comparison; ranks keep that loop on plain integers. They hold for this
    // one call only: later edits re-sort rows through the typed comparison.
    if (typedCompare() && column >= 0 && column < GoodsColumnCount) {
        m_ranks = m_goods->sortRanks(column);
        m_ranked = true;
    }
    QSortFilterProxyModel::sort(column, order);
    m_ranked = false;
    m_ranks = std::vector<int>();
}

bool GoodsSortFilterProxyModel::typedCompare() const
{
    return m_goods && sortRole() == Qt::DisplayRole && sortCaseSensitivity() == Qt::CaseSensitive
        && !isSortLocaleAware();
}

bool GoodsSortFilterProxyModel::lessThan(const QModelIndex &left, const QModelIndex &right) const
{
    if (m_ranked)
        return m_ranks[size_t(left.row())] < m_ranks[size_t(right.row())];
    if (!typedCompare() || left.model() != m_goods || right.model() != m_goods
        || left.column() != right.column())
        return QSortFilterProxyModel::lessThan(left, right);
    return m_goods->lessThan(left.row(), right.row(), left.column());
}

void GoodsSortFilterProxyModel::setFilterText(const QString &text)
{
    if (text == m_filterText)
        return;
    m_filterText = text;
    m_words = text.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
    // One new layout rather than invalidateFilter(): in a sorted view of
    // 100 000 rows the rows a filter hides are scattered, and removing them
    // range by range costs the view seconds.
    invalidate();
}

bool GoodsSortFilterProxyModel::filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const
{
    if (m_words.isEmpty())
        return true;
    if (!m_goods)
        return QSortFilterProxyModel::filterAcceptsRow(sourceRow, sourceParent);
    const Goods &g = m_goods->goods().at(sourceRow);
    for (const QString &word : m_words) {
        if (!g.name.contains(word, Qt::CaseInsensitive) && !g.intcode.contains(word, Qt::CaseInsensitive)
            && !g.barcode.contains(word, Qt::CaseInsensitive))
            return false;
    }
    return true;
}
