#pragma once

#include "classes/csv/csvreader.h"

#include <QBuffer>
#include <QByteArray>

// The CSV reader's byte source over a file already read into memory.
//
// Threads: the reader calls read() first on the thread that constructs it and,
// for data beyond its first two 16 MiB blocks, from its read-ahead thread; the
// reader's lock orders those calls, so only one thread touches the buffer at
// a time. The reader joins that thread before it destroys the source.
class QCsvSource : public io::ByteSourceBase
{
public:
    explicit QCsvSource(const QByteArray &bytes);

    // Copies up to size bytes into buffer; the number copied, 0 at the end.
    int read(char *buffer, int size) override;

private:
    QBuffer m_buffer;
};
