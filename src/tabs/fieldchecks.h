#pragma once

#include <QByteArray>
#include <QString>

// Checks shared by the tabs, the goods checks and the command-line tool. They
// take the text as UTF-8, so lengths count bytes.

// Taxpayer number: 10 or 12 decimal digits whose check digits match.
bool isValidInn(const QByteArray &inn, bool allowEmpty);
// GS1 barcode of 8, 12 or 13 decimal digits (EAN-8, UPC-A, EAN-13).
bool isValidBarcode(const QByteArray &barcode, bool allowEmpty);
// Registration number: 16 decimal digits whose last six hold the CRC of the
// number's first ten digits, the taxpayer number and the serial number, each
// padded with leading zeros (to 12 and 20 characters). A taxpayer number over
// 12 bytes or a serial over 20 cannot be padded: no registration number can
// match them, and the answer is false.
bool isValidRegNumber(const QByteArray &regNumber, const QByteArray &serial, const QByteArray &inn);

bool isValidInn(const QString &inn, bool allowEmpty);
bool isValidBarcode(const QString &barcode, bool allowEmpty);
bool isValidRegNumber(const QString &regNumber, const QString &serial, const QString &inn);

// CRC-16/CCITT-FALSE: polynomial 0x1021, initial 0xFFFF, not reflected, no
// final XOR.
quint16 crc16CcittFalse(const QByteArray &data);
