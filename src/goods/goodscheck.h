#pragma once

#include "goods/goods.h"

#include <QString>
#include <QVector>

class GoodsSortFilterProxyModel;

// One finding of the goods check: the row as the view shows it (from 0), the
// model column of the offending value, and the text for the user.
struct GoodsFinding
{
    int row = 0;
    int column = 0;
    QString text;
};

// Checks the rows in the given order: viewOrder[i] is the index in rows of
// the row the view shows at position i. Findings: the row count against the
// capacity (at most capacity - 1 rows; a capacity of 0 means the default
// 2000, as the window sets it), then per row its name, internal code,
// barcode, price and department, in that order.
QVector<GoodsFinding> checkGoods(const GoodsList &rows, const QVector<int> &viewOrder, int capacity,
                                 int departmentCount);
// The rows in their own order (a file, the command line).
QVector<GoodsFinding> checkGoods(const GoodsList &rows, int capacity, int departmentCount);
// The rows as the proxy shows them; its source must be a GoodsTableModel, whose
// department names give the department count.
QVector<GoodsFinding> checkGoods(const GoodsSortFilterProxyModel &view, int capacity);
