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

// The image of rows in their order, with the header record (the form sent to
// the register) or without (the form kept in profiles), ending with one
// terminator record, or two when the number of rows is odd.
//
// A row whose price isEncodablePrice() refuses is never written: the result is
// empty (no valid image is) and *badPriceRow, when given, names that row.
[[nodiscard]] QByteArray buildGoodsImage(const GoodsList &rows, bool withHeader, int *badPriceRow = nullptr);

// The rows of an image from the register or a profile, up to the first
// terminator record (or the end of the data). Never fails.
GoodsList parseGoodsImage(const QByteArray &image);

// The 7-byte barcode field: the first 14 characters' low nibbles, filler 0xF
// nibbles on the left.
QByteArray packGoodsBarcode(const QString &barcode);
// 0xFF bytes skipped, 0xF0-0xFE one digit, other bytes two.
QString unpackGoodsBarcode(const char *field, int size);
