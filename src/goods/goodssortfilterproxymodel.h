#pragma once

#include <QSortFilterProxyModel>
#include <QStringList>

#include <vector>

class GoodsTableModel;

// The goods view's sorting proxy. The vertical header counts 1..n from the
// top whatever the order; sorting() announces a new order before it is made,
// so that findings holding view rows can be dropped. A filter text hides the
// rows that do not match it: every word typed must appear, in any letter
// case, in the name, the internal code or the barcode.
class GoodsSortFilterProxyModel : public QSortFilterProxyModel
{
    Q_OBJECT

public:
    explicit GoodsSortFilterProxyModel(QObject *parent = nullptr);

    void setSourceModel(QAbstractItemModel *sourceModel) override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

    QString filterText() const { return m_filterText; }
    void setFilterText(const QString &text);

signals:
    void sorting();

protected:
    // Over a GoodsTableModel with the default sort settings the typed values
    // are compared directly, in the order the base class would give.
    bool lessThan(const QModelIndex &left, const QModelIndex &right) const override;
    bool filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const override;

private:
    bool typedCompare() const;

    const GoodsTableModel *m_goods = nullptr;
    // During sort(): each source row's place among the column's values, equal
    // values sharing one, so the base class's stable sort compares integers.
    std::vector<int> m_ranks;
    bool m_ranked = false;
    QString m_filterText;
    QStringList m_words;
};
