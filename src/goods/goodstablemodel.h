#pragma once

#include "goods/goods.h"

#include <QAbstractTableModel>
#include <QPair>
#include <QStringList>
#include <QVector>

#include <vector>

// The goods catalogue in catalogue order. Rows are plain values; data()
// builds no strings and sorting compares the typed values (see lessThan), so
// a catalogue of 100 000 rows stays responsive.
class GoodsTableModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    explicit GoodsTableModel(QObject *parent = nullptr);

    QModelIndex index(int row, int column, const QModelIndex &parent = QModelIndex()) const override;
    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    bool insertRows(int row, int count, const QModelIndex &parent = QModelIndex()) override;
    bool removeRows(int row, int count, const QModelIndex &parent = QModelIndex()) override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

    // Replaces all rows (model reset). The list is implicitly shared: pass it
    // by value or move it in; the old rows are freed before this returns.
    void setGoods(GoodsList goods);
    const GoodsList &goods() const { return m_goods; }

    // Replaces one row's values (the undoing of an edit).
    void setRow(int row, const Goods &goods);
    // Puts rows back where they were: each pair is a row's place in the list
    // it was removed from and its values, in ascending places (the undoing of
    // a removal). Many rows are put back in one model reset.
    void restoreRows(const QVector<QPair<int, Goods>> &rows);

    // Department n is entry n - 1.
    void setDepartments(const QStringList &names);
    const QStringList &departments() const { return m_departments; }

    // The order of two rows in one column. As QSortFilterProxyModel compares
    // display values (case-sensitive texts, the price as a number, department
    // names as texts, a department without a name after every named one),
    // except that internal codes of digits alone compare as numbers (empty
    // codes first, then numbers, then other codes as texts).
    bool lessThan(int leftRow, int rightRow, int column) const;
    // Each row's place in that order, equal values sharing one: row a sorts
    // before row b exactly when ranks[a] < ranks[b].
    std::vector<int> sortRanks(int column) const;

signals:
    // After setData() changed a row; before holds the row as it was.
    void edited(int row, const Goods &before);

private:
    const QString *departmentName(int dept) const;

    GoodsList m_goods;
    QStringList m_departments;
};
