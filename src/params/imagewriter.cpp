#include "imagewriter.h"

#include <cstring>

void ImageWriter::zeros(int n)
{
    const QByteArray z(n, '\0');
    put(z.constData(), n);
}

void ImageWriter::checkByte(int recordStart)
{
    char x = 0;
    for (int i = recordStart; i < m_pos; ++i)
        x = char(x ^ m_image.at(i));
    put(&x, 1);
}

void ImageWriter::put(const char *data, int n)
{
    if (m_image.size() < m_pos + n) {
        const int old = m_image.size();
        m_image.resize(m_pos + n);
        std::memset(m_image.data() + old, 0, std::size_t(m_pos + n - old));
    }
    std::memcpy(m_image.data() + m_pos, data, std::size_t(n));
    m_pos += n;
}
