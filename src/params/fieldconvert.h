#pragma once

#include "params/paramfield.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

// Conversions of one field's value between its stored form and the text a
// person reads and enters. The parse and check functions answer false with
// the reason (Russian, without the field's path) in *why.
namespace FieldConvert {

// Integers of the field's width and signedness, in decimal.
bool parseInteger(const QString &text, const FieldInfo &info, qint64 *value, QString *why);
// The name of an integer field's type: "int8", "uint16", ...
QString integerType(const FieldInfo &info);

// Amounts and quantities are stored as value x 10000. Text has at most
// decimals digits after a point.
bool parseFixed(const QString &text, int decimals, qint64 *value, QString *why);
// The exact decimal text of a stored value: 500000000 -> "50000", 12345 -> "1.2345".
QString fixedText(qint64 value);

// Windows-1251 bytes of at most limit bytes; no NUL (it would end the text)
// and no character the code page cannot hold.
bool encodeText(const QString &text, int limit, QByteArray *bytes, QString *why);

// Decimal digits only, at most count of them.
bool checkDigits(const QString &text, int count, QString *why);
// A barcode as stored packed digits: up to count digits, or count digits
// followed by their GS1 check digit (the form it is read back in).
bool checkBarcode(const QString &text, int count, QString *why);

// "yyyy-MM-dd HH:mm", of a year that one byte from 2000 holds.
QString dateTimeText(const QDate &date, const QTime &time);
bool parseDateTime(const QString &text, QDate *date, QTime *time, QString *why);

} // namespace FieldConvert
