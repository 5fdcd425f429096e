#pragma once

#include "goods/goods.h"

#include <QString>
#include <QStringList>
#include <QVector>

// One row that differs between two catalogues.
struct GoodsRowChange
{
    enum Kind { Added, Removed, Changed };

    Kind kind = Changed;
    int beforeRow = -1; // index in the first catalogue; -1 for an added row
    int afterRow = -1; // index in the second; -1 for a removed row
    Goods before; // empty for an added row
    Goods after; // empty for a removed row
    QVector<int> columns; // Changed: the GoodsColumn values that differ, in column order
};

// What differs between two catalogues, `before` and `after`, row by row:
//
//     12345 "Хлеб": цена 45.00 -> 47.50, отдел 1 -> 2
//     12346 "Батон": добавлен, штрихкод 4600000000015, цена 30.00, отдел 1
//     без кода "Кефир": удалён, штрихкод —, цена 60.00, отдел 2
//
// A line names the row by its internal code and name (the second
// catalogue's, except for removed rows), in the quoting of korvant-cli diff.
//
// Rows equal in every field pair up first, wherever they stand; then rows
// with the same internal code; then, where at least one of two rows has no
// internal code, rows with the same barcode, then with the same name. Two
// rows with different internal codes are never one row: the register tells
// goods apart by that code. What is left was added or removed. Prices
// compare in whole hundredths, as the register keeps them. Changes come in
// the order of `after`'s rows, the removed ones last in `before`'s order.
// Linear in the rows.
struct GoodsComparison
{
    QVector<GoodsRowChange> changes;
    int added = 0;
    int removed = 0;
    int changed = 0;
    int unchanged = 0; // rows paired and equal

    bool isEmpty() const { return changes.isEmpty(); }
    // One line per change, as above.
    QStringList lines() const;
    // "Добавлено: 1, удалено: 0, изменено: 2, без изменений: 17"
    QString summary() const;
};

// "12345 "Хлеб"": a row named as the lines above name it.
QString goodsRowName(const Goods &g);

GoodsComparison compareGoods(const GoodsList &before, const GoodsList &after);
