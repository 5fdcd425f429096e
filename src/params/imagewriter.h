#pragma once

#include "params/imageio.h"

#include <QByteArray>
#include <QVector>

#include <array>
#include <type_traits>

// Writes a parameter set into the caller's images by walking its layout.
// Untouched runs keep whatever the array holds; an array that is too short
// grows, and a gap in front of a written field is filled with zero bytes.
class ImageWriter : public ImageIo<ImageWriter>
{
public:
    ImageWriter(QByteArray &params, QByteArray &system)
        : m_params(params)
        , m_system(system)
        , m_image(&params)
    {
    }

    template<class R, class Layout> void section(const char *, int start, int, const R &record, Layout layout)
    {
        const Frame saved = enter(m_params, start);
        layout(*this, record);
        leave(saved);
    }

    // Exactly count records; a list that falls short is made up with zeroed
    // records rather than read past its end.
    template<class R, class Layout>
    void records(const char *, int start, int recordSize, int count, const QVector<R> &list, Layout layout)
    {
        for (int k = 0; k < count; ++k) {
            const Frame saved = enter(m_params, start + k * recordSize);
            const R record = k < list.size() ? list.at(k) : R {};
            layout(*this, record);
            leave(saved);
        }
    }

    // Every slot of the system image: the list's records, then zero slots.
    template<class R, class Layout>
    void history(const char *, int start, int recordSize, int slotCount, const QVector<R> &list,
                 Layout layout)
    {
        for (int k = 0; k < slotCount; ++k) {
            const Frame saved = enter(m_system, start + k * recordSize);
            if (k < list.size())
                layout(*this, list.at(k));
            else
                zeros(0, recordSize);
            leave(saved);
        }
    }

    template<class Image, class T> void integerAt(int at, const T &value)
    {
        static_assert(std::is_integral_v<Image> && std::is_integral_v<T>, "integer fields only");
        using U = std::make_unsigned_t<Image>;
        char le[sizeof(Image)];
        U u = U(Image(value));
        for (std::size_t i = 0; i < sizeof(Image); ++i) {
            le[i] = char(u & 0xFF);
            u = U(quint64(u) >> 8);
        }
        put(at, le, int(sizeof(Image)));
    }

    template<std::size_t N> void bytesAt(int at, const std::array<char, N> &bytes)
    {
        put(at, bytes.data(), int(N));
    }

    // The field's bytes: a value set is zero-filled to the width (so it keeps
    // its terminator), one read and left alone goes back as it came.
    template<class F> void textAt(int at, const F &field) { put(at, field.field().constData(), F::width); }

    void zeros(int at, int n);
    void untouched(int, int) { }
    // The XOR of the record's bytes in front of it; listed after the others.
    void checkByte(int at);

private:
    struct Frame
    {
        QByteArray *image;
        int base;
    };

    Frame enter(QByteArray &image, int start)
    {
        const Frame saved { m_image, m_base };
        m_image = &image;
        m_base = start;
        return saved;
    }
    void leave(const Frame &saved)
    {
        m_image = saved.image;
        m_base = saved.base;
    }
    void put(int at, const char *data, int n);

    QByteArray &m_params;
    QByteArray &m_system;
    QByteArray *m_image = nullptr;
    int m_base = 0;
};
