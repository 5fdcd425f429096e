#pragma once

#include "params/fields.h"

#include <QByteArray>

#include <array>
#include <type_traits>

// Writes the fields of one image section in order into the caller's array.
// Untouched runs keep whatever the array holds; an array that is too short
// grows, and a gap in front of a written field is filled with zero bytes.
class ImageWriter
{
public:
    ImageWriter(QByteArray &image, int start)
        : m_image(image)
        , m_pos(start)
    {
    }

    int pos() const { return m_pos; }

    template<class T> void integer(T value)
    {
        static_assert(std::is_integral_v<T>, "integer fields only");
        using U = std::make_unsigned_t<T>;
        char le[sizeof(T)];
        U u = U(value);
        for (std::size_t i = 0; i < sizeof(T); ++i) {
            le[i] = char(u & 0xFF);
            u = U(quint64(u) >> 8);
        }
        put(le, int(sizeof(T)));
    }

    template<std::size_t N> void bytes(const std::array<char, N> &field) { put(field.data(), int(N)); }

    template<int Width, int Limit> void text(const TextField<Width, Limit> &field)
    {
        put(field.field().constData(), Width);
    }
    template<int Size> void raw(const RawField<Size> &field) { bytes(field.bytes); }

    void zeros(int n);
    void untouched(int n) { m_pos += n; }
    // The XOR of the record's bytes written so far.
    void checkByte(int recordStart);

private:
    void put(const char *data, int n);

    QByteArray &m_image;
    int m_pos = 0;
};
