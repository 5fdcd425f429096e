#include "taggedrecord.h"

#include <QtEndian>

namespace TaggedRecord {

QByteArray make(qint16 tag, const QByteArray &bytes)
{
    if (bytes.size() > MaxLength)
        return {};
    QByteArray out(4, Qt::Uninitialized);
    qToLittleEndian<qint16>(tag, out.data());
    qToLittleEndian<quint16>(quint16(bytes.size()), out.data() + 2);
    return out + bytes;
}

QByteArray makeInt(qint16 tag, qint32 value)
{
    QByteArray bytes(4, Qt::Uninitialized);
    qToLittleEndian<qint32>(value, bytes.data());
    return make(tag, bytes);
}

QVector<Record> parse(const QByteArray &stream, bool *complete)
{
    QVector<Record> records;
    int pos = 0;
    while (stream.size() - pos >= 4) {
        const qint16 tag = qFromLittleEndian<qint16>(stream.constData() + pos);
        const int length = qFromLittleEndian<quint16>(stream.constData() + pos + 2);
        if (stream.size() - pos - 4 < length)
            break;
        records.append({ tag, stream.mid(pos + 4, length) });
        pos += 4 + length;
    }
    if (complete)
        *complete = pos == stream.size();
    return records;
}

QByteArray find(const QByteArray &stream, qint16 tag)
{
    const QVector<Record> records = parse(stream);
    for (const Record &r : records) {
        if (r.tag == tag)
            return r.bytes;
    }
    return {};
}

} // namespace TaggedRecord
