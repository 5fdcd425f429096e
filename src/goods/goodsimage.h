#pragma once

#include "goods/goods.h"

#include <QByteArray>

// The goods image: 128-byte records, one per row, as the register's goods
// area and the profiles hold them.
//
// Record: number (int16, 0 header, 1.. rows up to 32767 and 32767 after
// that, never -1; -1 terminator), dept (uint8),
// intcode (6 bytes, at most 5 used), barcode (7 bytes packed BCD,
// right-aligned), name (85 bytes, at most 84 used), price in ten-thousandths
// (uint64, a multiple of 100), 18 reserved zero bytes, XOR of bytes 0-126.
// Little-endian; texts in Windows-1251.

// Prices the unsigned field can carry: finite, not below zero once rounded to
// whole hundredths, and below 10^15 currency units. Anything else would be
// written wrapped or truncated.
bool isEncodablePrice(double price);

// A row the record cannot hold as it is: which row (from 0), which column
// (GoodsColumn) and why, for the user (Russian, naming the value where it is
// short). row is -1 when every row fits.
struct GoodsRowFault
{
    int row = -1;
    int column = -1;
    QString reason;
};

// The first value of a row that would change on its way into the record (the
// fault's row stays -1): a name or internal code longer than its field in
// Windows-1251 bytes (84, 5), or with a character that code page lacks or a
// NUL, which would end it early; a barcode that does not read back as it is
// (the record keeps at most 14 digits); a price isEncodablePrice() refuses; a
// department outside a byte (0 to 255). column -1 when the row fits.
GoodsRowFault goodsRowFault(const Goods &row);
// The first such row of rows.
GoodsRowFault firstUnholdableGoodsRow(const GoodsList &rows);

// The image of rows in their order, with the header record (the form sent to
// the register) or without (the form kept in profiles), ending with one
// terminator record, or two when the number of rows is odd.
//
// A row the record cannot hold as it is (goodsRowFault()) is never written,
// cut or wrapped: the result is empty (no valid image is) and *badRow, when
// given, names that row.
[[nodiscard]] QByteArray buildGoodsImage(const GoodsList &rows, bool withHeader, int *badRow = nullptr);

// The rows of an image from the register or a profile, up to the first
// terminator record (or the end of the data). Never fails.
GoodsList parseGoodsImage(const QByteArray &image);

// The 7-byte barcode field: the first 14 characters' low nibbles, filler 0xF
// nibbles on the left.
QByteArray packGoodsBarcode(const QString &barcode);
// 0xFF bytes skipped, 0xF0-0xFE one digit, other bytes two.
QString unpackGoodsBarcode(const char *field, int size);
