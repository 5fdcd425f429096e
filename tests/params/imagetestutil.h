#pragma once

#include <QByteArray>
#include <QtEndian>

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
