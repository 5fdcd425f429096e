#pragma once

#include "params/packedbcd.h"
#include "params/textcodec.h"

#include <QByteArray>
#include <QString>

#include <algorithm>
#include <array>
#include <type_traits>

// Building blocks of the parameter records. Each holds the bytes of its field
// exactly as the image has them, so fields the program does not understand
// (and bytes a code page cannot map) go back to the register unchanged.

// A fixed-width text field: written with at most Limit bytes of
// Windows-1251 text, zero filled to Width bytes, so a text set here always
// keeps a terminator when Width > Limit. Read, it is taken up to its first
// zero byte or its whole width: a register that filled the field to the end
// shows (and keeps) every byte it wrote.
template<int Width, int Limit = Width> struct TextField
{
    static_assert(Limit > 0 && Limit <= Width, "a text field's limit lies within its width");
    static constexpr int width = Width;
    static constexpr int limit = Limit;

    std::array<char, Width> bytes {};

    // The stored text bytes: up to the first zero byte, at most Width of them.
    QByteArray value() const { return TextCodec::untilNul(QByteArray(bytes.data(), Width)); }
    // Callers refuse a longer value before it gets here (the editors' and
    // korvant-cli set's limits); what still comes is cut to Limit bytes,
    // never past the terminator.
    void setValue(const QByteArray &value)
    {
        bytes.fill('\0');
        const int n = std::min<int>(value.size(), Limit);
        std::copy(value.cbegin(), value.cbegin() + n, bytes.begin());
    }

    QString text() const { return TextCodec::decode(value()); }
    void setText(const QString &text) { setValue(TextCodec::encode(text)); }

    // The field as it is written: its bytes as read or as set. A value set
    // here is zero-filled; one read and left alone goes back byte for byte.
    QByteArray field() const { return QByteArray(bytes.data(), Width); }
};

template<class T> struct IsTextField : std::false_type
{
};
template<int Width, int Limit> struct IsTextField<TextField<Width, Limit>> : std::true_type
{
};

// Bytes the program carries without interpreting them.
template<int Size> struct RawField
{
    static constexpr int size = Size;

    std::array<char, Size> bytes {};

    QByteArray toByteArray() const { return QByteArray(bytes.data(), Size); }
    // Copies the first Size bytes, zero-filling what the array lacks.
    void setBytes(const QByteArray &data)
    {
        bytes.fill('\0');
        const int n = std::min<int>(data.size(), Size);
        std::copy(data.cbegin(), data.cbegin() + n, bytes.begin());
    }
};

// Six bytes of packed BCD digits (family 2.52). Zero bytes, like any new
// record, until set.
struct PackedDigits : RawField<PackedBcd::Size>
{
    // Setting the digits read back keeps the stored bytes, also where they
    // are not in the packed form (a 0xFF between digits).
    QString digits() const { return PackedBcd::decode(toByteArray()); }
    void setDigits(const QString &digits)
    {
        if (digits != this->digits())
            setBytes(PackedBcd::encode(digits));
    }

    // The digits followed by their GS1 check digit (user barcodes). Setting
    // the code read back keeps the stored bytes: packing it anew would store
    // an 11-digit code as 12 digits, its check digit included.
    QString barcode() const { return PackedBcd::decodeBarcode(toByteArray()); }
    void setBarcode(const QString &barcode)
    {
        if (barcode != this->barcode())
            setBytes(PackedBcd::encode(barcode));
    }
};

// Tags an integer field whose width in the image differs from its record
// member (a one-byte field kept in a 16-bit member): io.integer(at, name, v, As<qint8>()).
template<class Image> struct As
{
};
