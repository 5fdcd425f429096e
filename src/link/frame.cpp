#include "frame.h"

#include "devicejob.h"

#include <QtEndian>

#include <algorithm>
#include <zlib.h>

namespace Frame {

namespace {

constexpr quint8 MarkerLow = 0xEF;
constexpr quint8 MarkerHigh = 0xBE;

// Old firmware sends no version in the upper half; it is 2.51.26.
constexpr quint32 LegacyVersionWord = 0x2033001A;

quint32 readU32(const char *p)
{
    return qFromLittleEndian<quint32>(p);
}

} // namespace

quint32 crc32(const char *data, int size)
{
    // 0 is zlib's starting value (what crc32(0, Z_NULL, 0) returns).
    return quint32(::crc32(0L, reinterpret_cast<const Bytef *>(data), uInt(qMax(0, size))));
}

quint32 crc32(const QByteArray &bytes)
{
    return crc32(bytes.constData(), bytes.size());
}

QByteArray build(const Message &message)
{
    const int payloadSize = 2 + 4 * message.values.size() + message.data.size();
    QByteArray out(HeaderSize + payloadSize, Qt::Uninitialized);
    char *p = out.data();
    p[0] = char(MarkerLow);
    p[1] = char(MarkerHigh);
    qToLittleEndian<quint32>(quint32(payloadSize), p + 2);
    char *payload = p + HeaderSize;
    payload[0] = char(message.head);
    payload[1] = char(quint8(message.values.size()));
    char *v = payload + 2;
    for (qint32 value : message.values) {
        qToLittleEndian<qint32>(value, v);
        v += 4;
    }
    if (!message.data.isEmpty())
        memcpy(v, message.data.constData(), size_t(message.data.size()));
    qToLittleEndian<quint32>(crc32(payload, payloadSize), p + 6);
    return out;
}

QByteArray request(Command command, const QVector<qint32> &args, const QByteArray &data)
{
    return build(Message { command, args, data });
}

Status check(const QByteArray &received, int maxPayload)
{
    if (received.size() < HeaderSize)
        return Status::Incomplete;
    const quint32 length = readU32(received.constData() + 2);
    if (length > quint32(maxPayload))
        return Status::Malformed;
    if (received.size() - HeaderSize < int(length))
        return Status::Incomplete;
    return Status::Complete;
}

int frameSize(const QByteArray &received)
{
    return HeaderSize + int(readU32(received.constData() + 2));
}

bool parse(const QByteArray &received, Message *message)
{
    if (received.size() < HeaderSize)
        return false;
    const quint32 length = readU32(received.constData() + 2);
    if (quint32(received.size() - HeaderSize) < length)
        return false;
    const char *payload = received.constData() + HeaderSize;
    if (crc32(payload, int(length)) != readU32(received.constData() + 6))
        return false;
    if (length < 2)
        return false;
    const int count = quint8(payload[1]);
    if (int(length) < 2 + 4 * count)
        return false;
    message->head = quint8(payload[0]);
    message->values.resize(count);
    for (int i = 0; i < count; ++i)
        message->values[i] = qFromLittleEndian<qint32>(payload + 2 + 4 * i);
    const int dataStart = 2 + 4 * count;
    message->data = QByteArray(payload + dataStart, int(length) - dataStart);
    return true;
}

Status acceptReply(const QByteArray &received, Message *reply)
{
    const Status status = check(received);
    if (status != Status::Complete)
        return status;
    if (received.size() != frameSize(received) || !parse(received, reply))
        return Status::Malformed;
    return Status::Complete;
}

int firmwareFamily(int major, int minor, int build)
{
    if (major != 2)
        return 0;
    if (minor == 53 || (minor == 52 && build > 37))
        return minor;
    return 0;
}

int acceptInfo(const Message &reply, Identity *identity)
{
    if (reply.values.isEmpty())
        return ErrBadReply;
    Identity id;
    id.versionWord = quint32(reply.values.at(0));
    if ((id.versionWord >> 16) == 0)
        id.versionWord = LegacyVersionWord;
    if (reply.values.size() == 3) {
        id.reserved = reply.values.at(1);
        id.goodsCapacity = reply.values.at(2);
        id.reportsCapacity = true;
    }
    *identity = id;
    return ResultOk;
}

int acceptRead(const Message &reply, int pageCount)
{
    if (reply.values.size() != 1 || reply.values.at(0) != pageCount)
        return ErrReadMismatch;
    if (reply.data.size() != pageCount * Storage::PageSize)
        return ErrBadReply;
    return ResultOk;
}

int acceptWrite(const Message &reply)
{
    if (reply.values.size() != 1 || reply.values.at(0) != 0)
        return ErrWriteRejected;
    return ResultOk;
}

int acceptClosing(const Message &reply, const Message &opening)
{
    const QVector<qint32> &got = reply.values;
    const QVector<qint32> &want = opening.values;
    if (got.size() != want.size() || got.isEmpty() || got.first() != want.first()
        || (want.size() == 3 && got.at(2) != want.at(2)) || reply.data.size() != opening.data.size())
        return ErrBadReply;
    return ResultOk;
}

int acceptOpening(const Identity &identity, const Storage::Region &goodsArea, const QByteArray &serial)
{
    const bool blank = std::all_of(serial.cbegin(), serial.cend(),
                                   [](char c) { return quint8(c) <= 0x20 || quint8(c) == 0x7F; });
    if (blank)
        return ErrBadReply;
    // Record 0 of the area is the header; records 1 .. 2n - 1 can hold rows.
    const qint64 rowRecords = qMax<qint64>(0, 2 * qint64(goodsArea.pageCount) - 1);
    if (identity.reportsCapacity && (identity.goodsCapacity < 0 || identity.goodsCapacity > rowRecords))
        return ErrBadReply;
    return ResultOk;
}

} // namespace Frame
