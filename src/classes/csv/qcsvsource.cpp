#include "qcsvsource.h"

QCsvSource::QCsvSource(const QByteArray &bytes)
{
    m_buffer.setData(bytes); // shares the bytes, no copy
    m_buffer.open(QIODevice::ReadOnly);
}

int QCsvSource::read(char *buffer, int size)
{
    const qint64 n = m_buffer.read(buffer, size);
    return n > 0 ? int(n) : 0;
}
