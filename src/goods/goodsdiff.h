#pragma once

#include "goods/goods.h"

#include <QStringList>

// The differences between two goods catalogues, one Russian line per row
// added, removed or changed, for people to read (the goods history dialog):
//
//     Изменён товар (строка 5): «Молоко»: цена 80.00 -> 85.50, отдел 1 -> 2
//     Добавлен товар (строка 12): «Хлеб», код 12, штрихкод 4600000000012, цена 45.00, отдел 1
//     Удалён товар (была строка 3): «Кефир», код 7, штрихкод —, цена 60.00, отдел 2
//
// Rows equal in every field pair up first, wherever they stand; the rest
// pair up by internal code, then barcode, then name, and what is left was
// added or removed. Row numbers count from 1 in the catalogue's own order:
// those of `after`, except for removed rows. Lines come in the order of
// `after`'s rows, the removed ones last. Prices compare in whole hundredths,
// as the register keeps them. Linear in the rows.
QStringList goodsDifferences(const GoodsList &before, const GoodsList &after);
