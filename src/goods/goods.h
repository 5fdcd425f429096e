#pragma once

#include "link/storage.h"

#include <QString>
#include <QVector>

// One row of the register's goods catalogue.
struct Goods
{
    QString name;
    QString intcode; // internal code
    QString barcode;
    double price = 0; // currency units
    int dept = 1; // department number, counted from 1
};
Q_DECLARE_TYPEINFO(Goods, Q_MOVABLE_TYPE);

// Equal in every field, the price exactly.
inline bool operator==(const Goods &a, const Goods &b)
{
    return a.name == b.name && a.intcode == b.intcode && a.barcode == b.barcode && a.price == b.price
        && a.dept == b.dept;
}
inline bool operator!=(const Goods &a, const Goods &b)
{
    return !(a == b);
}

using GoodsList = QVector<Goods>;

// One row's record in the register's goods area and in profiles.
constexpr int GoodsRecordSize = Storage::GoodsRecordSize;
// Byte limits of the record's text fields and the barcode's digit places.
constexpr int GoodsNameBytes = 84;
constexpr int GoodsIntcodeBytes = 5;
constexpr int GoodsBarcodeDigits = 14;

// The row limit used when the register reports no goods capacity.
constexpr int DefaultGoodsCapacity = 2000;
inline int effectiveGoodsCapacity(int reported)
{
    return reported > 0 ? reported : DefaultGoodsCapacity;
}

// Model columns, also used by the checks' findings.
enum GoodsColumn : int {
    GoodsNameColumn = 0,
    GoodsIntcodeColumn = 1,
    GoodsBarcodeColumn = 2,
    GoodsPriceColumn = 3,
    GoodsDeptColumn = 4,
    GoodsColumnCount = 5,
};
