#pragma once

#include "goods/goods.h"

#include <QString>
#include <QVector>

class DeviceParams;
class GoodsSortFilterProxyModel;

// One finding of the goods check: the row as the view shows it (from 0), the
// model column of the offending value, and the text for the user.
struct GoodsFinding
{
    int row = 0;
    int column = 0;
    QString text;
};

// What the check knows of the register. Beyond the capacity and the
// department names, the register's own settings are used when known: its
// "Количество отделов" and "Макс. цена".
struct GoodsCheckLimits
{
    int capacity = 0; // at most capacity - 1 rows; 0 means the default 2000, as the window sets it
    int departmentNames = 16; // departments 1..N exist
    int departmentsInUse = 0; // the register's configured department count; 0: not known
    qint64 maxPrice = 0; // the register's maximum price in ten-thousandths; 0: not known

    // The register's settings from its parameter set: the configured
    // department count (when it is 1..16) and the maximum price (when above 0).
    void takeSettings(const DeviceParams &params);
};

// Checks the rows in the given order: viewOrder[i] is the index in rows of
// the row the view shows at position i. Findings: the row count against the
// capacity, then per row in column order: the name (empty, longer than 84
// characters, a character Windows-1251 lacks), the internal code (empty,
// invalid, the same as an earlier row's), the barcode (invalid, the same as
// an earlier row's), the price (not writable, above the maximum price) and
// the department (no such department, beyond the departments in use).
QVector<GoodsFinding> checkGoods(const GoodsList &rows, const QVector<int> &viewOrder,
                                 const GoodsCheckLimits &limits);
// The rows in their own order (a file, the command line).
QVector<GoodsFinding> checkGoods(const GoodsList &rows, const GoodsCheckLimits &limits);
// The rows as the proxy shows them; its source must be a GoodsTableModel, whose
// department names give limits.departmentNames.
QVector<GoodsFinding> checkGoods(const GoodsSortFilterProxyModel &view, GoodsCheckLimits limits);

// The same with only a capacity and a department count known.
QVector<GoodsFinding> checkGoods(const GoodsList &rows, int capacity, int departmentCount);
QVector<GoodsFinding> checkGoods(const GoodsSortFilterProxyModel &view, int capacity);
