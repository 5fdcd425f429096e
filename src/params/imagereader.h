#pragma once

#include "params/imageio.h"

#include <QByteArray>
#include <QVector>

#include <algorithm>
#include <array>
#include <cstring>
#include <type_traits>

// Reads a parameter set from its images by walking its layout. Each section
// and record is read only from its own bytes, as far as the image has them:
// an integer that does not fit reads as 0, a byte field takes what there is
// and keeps the rest of its old content, and list records start zeroed.
class ImageReader : public ImageIo<ImageReader>
{
public:
    ImageReader(const QByteArray &params, const QByteArray &system)
        : m_params(params)
        , m_system(system)
        , m_image(&params)
        , m_end(params.size())
    {
    }

    template<class R, class Layout>
    void section(const char *, int start, int length, R &record, Layout layout)
    {
        const Frame saved = enter(m_params, start, length);
        layout(*this, record);
        leave(saved);
    }

    // A list of count records: cleared, then filled with exactly count.
    template<class R, class Layout>
    void records(const char *, int start, int recordSize, int count, QVector<R> &list, Layout layout)
    {
        list.clear();
        for (int k = 0; k < count; ++k) {
            const Frame saved = enter(m_params, start + k * recordSize, recordSize);
            R record {};
            layout(*this, record);
            list.append(record);
            leave(saved);
        }
    }

    // Records of the system image up to the first slot without the marker,
    // even if later slots hold records.
    template<class R, class Layout>
    void history(const char *, int start, int recordSize, int slotCount, QVector<R> &list, Layout layout)
    {
        list.clear();
        for (int k = 0; k < slotCount; ++k) {
            const Frame saved = enter(m_system, start + k * recordSize, recordSize);
            R record {};
            layout(*this, record);
            leave(saved);
            if (record.marker != R::Marker)
                break;
            list.append(record);
        }
    }

    template<class Image, class T> void integerAt(int at, T &value)
    {
        static_assert(std::is_integral_v<Image> && std::is_integral_v<T>, "integer fields only");
        using U = std::make_unsigned_t<Image>;
        constexpr int n = int(sizeof(Image));
        const int pos = m_base + at;
        U u = 0;
        if (pos + n <= m_end) {
            for (int i = n - 1; i >= 0; --i)
                u = U((quint64(u) << 8) | uchar(m_image->at(pos + i)));
        }
        value = T(Image(u));
    }

    template<std::size_t N> void bytesAt(int at, std::array<char, N> &bytes)
    {
        const int pos = m_base + at;
        const int available = std::clamp(m_end - pos, 0, int(N));
        if (available > 0)
            std::memcpy(bytes.data(), m_image->constData() + pos, std::size_t(available));
    }

    template<class F> void textAt(int at, F &field) { bytesAt(at, field.bytes); }

    // Runs that are written as zeros, left alone, or hold a check byte are
    // not looked at.
    void zeros(int, int) { }
    void untouched(int, int) { }
    void checkByte(int) { }

private:
    struct Frame
    {
        const QByteArray *image;
        int base;
        int end;
    };

    Frame enter(const QByteArray &image, int start, int length)
    {
        const Frame saved { m_image, m_base, m_end };
        m_image = &image;
        m_base = start;
        m_end = std::min(image.size(), start + length);
        return saved;
    }
    void leave(const Frame &saved)
    {
        m_image = saved.image;
        m_base = saved.base;
        m_end = saved.end;
    }

    const QByteArray &m_params;
    const QByteArray &m_system;
    const QByteArray *m_image = nullptr;
    int m_base = 0;
    int m_end = 0;
};
