#pragma once

#include "params/records.h"

#include <QByteArray>
#include <QtEndian>
#include <QtTest>

// Helpers for hand-built image fixtures.

// An image whose every byte is non-zero and differs from its neighbours, so
// each field reads a value that tells where it was read from, and every
// text field is full.
inline QByteArray patternImage(int size)
{
    QByteArray image(size, '\0');
    for (int i = 0; i < size; ++i)
        image[i] = char((i * 31 + 7) % 255 + 1);
    return image;
}

template<class T> T le(const QByteArray &image, int offset)
{
    return qFromLittleEndian<T>(image.constData() + offset);
}

template<class T> QByteArray leBytes(T value)
{
    QByteArray out(int(sizeof(T)), '\0');
    qToLittleEndian<T>(value, out.data());
    return out;
}

// An integer field holds the little-endian value at its offset.
#define COMPARE_AT(field, T, image, offset) QCOMPARE(qint64(field), qint64(le<T>(image, offset)))
// A full text or raw field holds the bytes at its offset.
#define COMPARE_BYTES_AT(bytes, image, offset, size) QCOMPARE(bytes, (image).mid(offset, size))

// The trade settings fields at 0x10 to 0x4F, the same in both families.
inline void compareSharedTradeFields(const TradeConfig &t, const QByteArray &img)
{
    COMPARE_BYTES_AT(t.opaque1.toByteArray(), img, 0x10, 4);
    COMPARE_BYTES_AT(t.opaque2.toByteArray(), img, 0x14, 4);
    COMPARE_BYTES_AT(t.opaque3.toByteArray(), img, 0x18, 4);
    COMPARE_BYTES_AT(t.opaque4.toByteArray(), img, 0x1C, 4);
    COMPARE_AT(t.defaultDepartment, qint8, img, 0x20);
    COMPARE_AT(t.departmentCount, qint8, img, 0x21);
    COMPARE_AT(t.internalCodeLength, qint8, img, 0x22);
    COMPARE_AT(t.weightPrefix, qint8, img, 0x23);
    COMPARE_AT(t.printDensity, qint8, img, 0x24);
    COMPARE_AT(t.fontFlags, quint8, img, 0x25);
    COMPARE_AT(t.keyboardSensitivity, qint8, img, 0x26);
    COMPARE_AT(t.keySound, qint8, img, 0x27);
    COMPARE_AT(t.powerOffTimer, qint8, img, 0x28);
    COMPARE_AT(t.displayMode, qint8, img, 0x29);
    COMPARE_AT(t.printFlags, quint16, img, 0x2A);
    COMPARE_AT(t.maxPrice, qint64, img, 0x2C);
    COMPARE_AT(t.maxDeposit, qint64, img, 0x3C);
    COMPARE_AT(t.maxQuantity, qint64, img, 0x44);
    COMPARE_AT(t.tradeFlags, quint32, img, 0x4C);
}
