#pragma once

#include "params/fields.h"

#include <QByteArray>

#include <algorithm>
#include <array>
#include <cstring>
#include <type_traits>

// Reads the fields of one image section in order. Reading is bounded by the
// section's end and the image's end: an integer that does not fit reads as 0,
// a byte field takes what there is and keeps the rest of its old content.
// The twin of ImageWriter, so one layout function serves both directions.
class ImageReader
{
public:
    ImageReader(const QByteArray &image, int start, int length)
        : m_data(image.constData())
        , m_pos(start)
        , m_end(std::min(image.size(), start + length))
    {
    }

    int pos() const { return m_pos; }

    template<class T> void integer(T &value)
    {
        static_assert(std::is_integral_v<T>, "integer fields only");
        using U = std::make_unsigned_t<T>;
        constexpr int n = int(sizeof(T));
        U u = 0;
        if (m_pos + n <= m_end) {
            for (int i = n - 1; i >= 0; --i)
                u = U((quint64(u) << 8) | uchar(m_data[m_pos + i]));
        }
        value = T(u);
        m_pos += n;
    }

    template<std::size_t N> void bytes(std::array<char, N> &field)
    {
        const int available = std::clamp(m_end - m_pos, 0, int(N));
        if (available > 0)
            std::memcpy(field.data(), m_data + m_pos, std::size_t(available));
        m_pos += int(N);
    }

    template<int Width, int Limit> void text(TextField<Width, Limit> &field) { bytes(field.bytes); }
    template<int Size> void raw(RawField<Size> &field) { bytes(field.bytes); }

    // Runs that are written as zeros, left alone, or hold a check byte are
    // not looked at.
    void zeros(int n) { m_pos += n; }
    void untouched(int n) { m_pos += n; }
    void checkByte(int /*recordStart*/) { m_pos += 1; }

private:
    const char *m_data = nullptr;
    int m_pos = 0;
    int m_end = 0;
};
