#pragma once

#include <QByteArray>
#include <QVector>

// The element in which images travel between the windows and the link:
// i16 tag | u16 length L | L bytes, little-endian.
namespace TaggedRecord {

enum Tag : qint16 {
    SerialTag = 1,
    ParameterImageTag = 2,
    SystemImageTag = 3,
    FirstIndexTag = 4,
    LastIndexTag = 5,
};

constexpr int MaxLength = 0xFFFF;

struct Record
{
    qint16 tag = 0;
    QByteArray bytes;
};

// One record; an empty array when the bytes do not fit a 16-bit length.
QByteArray make(qint16 tag, const QByteArray &bytes);
// A record carrying one little-endian i32.
QByteArray makeInt(qint16 tag, qint32 value);

// The records of a stream in order. A record cut short by the end of the stream
// ends the walk and is not returned; *complete (when given) tells whether that happened.
QVector<Record> parse(const QByteArray &stream, bool *complete = nullptr);

// The bytes of the first record with the tag, or an empty array.
QByteArray find(const QByteArray &stream, qint16 tag);

} // namespace TaggedRecord
