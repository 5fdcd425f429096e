#include "fieldchecks.h"

#include <array>

namespace {

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool allDigits(const QByteArray &text)
{
    for (const char c : text) {
        if (!isDigit(c))
            return false;
    }
    return true;
}

// The check digit of the first weights.size() digits: the weighted sum mod
// 11, where 10 counts as 0.
template<std::size_t N> int innCheck(const QByteArray &digits, const std::array<int, N> &weights)
{
    int sum = 0;
    for (std::size_t i = 0; i < N; ++i)
        sum += (digits.at(int(i)) - '0') * weights[i];
    return sum % 11 % 10;
}

std::array<quint16, 256> makeCrcTable()
{
    std::array<quint16, 256> table {};
    for (int i = 0; i < 256; ++i) {
        quint16 crc = quint16(i << 8);
        for (int bit = 0; bit < 8; ++bit)
            crc = quint16(crc & 0x8000 ? (crc << 1) ^ 0x1021 : crc << 1);
        table[std::size_t(i)] = crc;
    }
    return table;
}

} // namespace

bool isValidInn(const QByteArray &inn, bool allowEmpty)
{
    const int n = inn.size();
    if (n != 10 && n != 12)
        return n == 0 && allowEmpty;
    // The check digits alone would let letters through in the other places.
    if (!allDigits(inn))
        return false;
    if (n == 10)
        return inn.at(9) - '0' == innCheck(inn, std::array<int, 9> { 2, 4, 10, 3, 5, 9, 4, 6, 8 });
    const int check1 = innCheck(inn, std::array<int, 10> { 7, 2, 4, 10, 3, 5, 9, 4, 6, 8 });
    const int check2 = innCheck(inn, std::array<int, 11> { 3, 7, 2, 4, 10, 3, 5, 9, 4, 6, 8 });
    return inn.at(10) - '0' == check1 && inn.at(11) - '0' == check2;
}

bool isValidBarcode(const QByteArray &barcode, bool allowEmpty)
{
    const int n = barcode.size();
    if (n == 0 && allowEmpty)
        return true;
    if ((n != 8 && n != 12 && n != 13) || !allDigits(barcode))
        return false;
    // The digit just before the check digit weighs 3.
    int sum = 0;
    for (int i = 0; i < n - 1; ++i)
        sum += (barcode.at(i) - '0') * ((n - 1 - i) % 2 ? 3 : 1);
    const int check = (10 - sum % 10) % 10;
    return barcode.at(n - 1) - '0' == check;
}

bool isValidRegNumber(const QByteArray &regNumber, const QByteArray &serial, const QByteArray &inn)
{
    constexpr int InnWidth = 12;
    constexpr int SerialWidth = 20;
    if (regNumber.size() != 16 || !allDigits(regNumber))
        return false;
    if (inn.size() > InnWidth || serial.size() > SerialWidth)
        return false;
    QByteArray text = regNumber.left(10);
    text.append(QByteArray(InnWidth - inn.size(), '0')).append(inn);
    text.append(QByteArray(SerialWidth - serial.size(), '0')).append(serial);
    const quint16 expected = quint16(regNumber.mid(10).toUInt());
    return expected == crc16CcittFalse(text);
}

bool isValidInn(const QString &inn, bool allowEmpty)
{
    return isValidInn(inn.toUtf8(), allowEmpty);
}

bool isValidBarcode(const QString &barcode, bool allowEmpty)
{
    return isValidBarcode(barcode.toUtf8(), allowEmpty);
}

bool isValidRegNumber(const QString &regNumber, const QString &serial, const QString &inn)
{
    return isValidRegNumber(regNumber.toUtf8(), serial.toUtf8(), inn.toUtf8());
}

quint16 crc16CcittFalse(const QByteArray &data)
{
    static const std::array<quint16, 256> table = makeCrcTable();
    quint16 crc = 0xFFFF;
    for (const char c : data)
        crc = quint16((crc << 8) ^ table[std::size_t(((crc >> 8) ^ uchar(c)) & 0xFF)]);
    return crc;
}
