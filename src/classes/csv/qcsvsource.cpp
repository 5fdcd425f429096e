#include "qcsvsource.h"

QCsvSource::QCsvSource(const QByteArray &bytes)
{
    m_buffer.setData(bytes); // shares the bytes, no copy
    m_buffer.open(QIODevice::ReadOnly);
}

int QCsvSource::read(char *buffer, int size)
{
    const qint64 n = m_buffer.read(buffer, size);
    const int copied = n > 0 ? int(n) : 0;
    // The reader looks at the byte just past the data before it checks for the
    // end, and takes a '\n' there for a line break: then it scans on through
    // memory never filled. A fresh buffer from the system is zeroed, a reused
    // one is not, so the end is marked here, inside what the reader lent.
    if (copied < size)
        buffer[copied] = '\0';
    return copied;
}
