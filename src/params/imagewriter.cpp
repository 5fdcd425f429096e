#include "imagewriter.h"

#include <cstring>

void ImageWriter::zeros(int at, int n)
{
    const QByteArray z(n, '\0');
    put(at, z.constData(), n);
}

void ImageWriter::checkByte(int at)
{
    // Make sure the record's bytes exist even if no field lies in front.
    put(at, "", 1);
    char x = 0;
    for (int i = m_base; i < m_base + at; ++i)
        x = char(x ^ m_image->at(i));
    (*m_image)[m_base + at] = x;
}

void ImageWriter::put(int at, const char *data, int n)
{
    const int pos = m_base + at;
    if (m_image->size() < pos + n) {
        const int old = m_image->size();
        m_image->resize(pos + n);
        std::memset(m_image->data() + old, 0, std::size_t(pos + n - old));
    }
    std::memcpy(m_image->data() + pos, data, std::size_t(n));
}
