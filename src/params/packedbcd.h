#pragma once

#include <QByteArray>
#include <QString>

// Digit strings of up to 12 digits packed into 6 bytes: leading 0xFF bytes
// for the unused places, one 0xF0-plus-digit byte when the count is odd, then
// two digits a byte, high nibble first.
namespace PackedBcd {

constexpr int Size = 6;
constexpr int MaxDigits = 12;

// Packs the first 12 characters of digits (a 13-digit barcode loses its check
// digit). Characters are taken as their nibble value; callers pass digits.
QByteArray encode(const QString &digits);

// Decodes bytes of any length: 0xFF bytes are skipped, a 0xFn byte is the
// single digit n, any other byte two digits.
QString decode(const QByteArray &bytes);

// The GS1 check digit of the stored digits (weights 1 and 3 from the right
// so that the last stored digit weighs 3), or -1 when nothing is stored.
int checkDigit(const QByteArray &bytes);

// The stored digits followed by their check digit: a stored 12-digit code
// reads back as its EAN-13 code, 11 digits as their UPC-A code.
QString decodeBarcode(const QByteArray &bytes);

} // namespace PackedBcd
