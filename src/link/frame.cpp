#include "frame.h"

#include "devicejob.h"

#include <QtEndian>

#include <array>

namespace Frame {

namespace {

// Eight tables: table 0 is the classic byte-wise one, table k advances a byte
// by k more zero bytes, so the update can take eight bytes a step ("slicing by 8").
using CrcTables = std::array<std::array<quint32, 256>, 8>;

constexpr CrcTables makeCrcTables()
{
    CrcTables t {};
    for (quint32 n = 0; n < 256; ++n) {
        quint32 c = n;
        for (int k = 0; k < 8; ++k)
            c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        t[0][n] = c;
    }
    for (size_t k = 1; k < 8; ++k) {
        for (size_t n = 0; n < 256; ++n)
            t[k][n] = (t[k - 1][n] >> 8) ^ t[0][t[k - 1][n] & 0xFF];
    }
    return t;
}

constexpr CrcTables crcTables = makeCrcTables();

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
    const auto *p = reinterpret_cast<const uchar *>(data);
    quint32 c = 0xFFFFFFFFu;
    // Replies carry up to 1 KiB; eight bytes a step keep the check off the profile.
    for (; size >= 8; size -= 8, p += 8) {
        const quint32 low = c ^ qFromLittleEndian<quint32>(p);
        const quint32 high = qFromLittleEndian<quint32>(p + 4);
        c = crcTables[7][low & 0xFF] ^ crcTables[6][(low >> 8) & 0xFF] ^ crcTables[5][(low >> 16) & 0xFF]
            ^ crcTables[4][low >> 24] ^ crcTables[3][high & 0xFF] ^ crcTables[2][(high >> 8) & 0xFF]
            ^ crcTables[1][(high >> 16) & 0xFF] ^ crcTables[0][high >> 24];
    }
    for (; size > 0; --size, ++p)
        c = crcTables[0][(c ^ *p) & 0xFF] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
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
    }
    *identity = id;
    return ResultOk;
}

int acceptRead(const Message &reply, int pageCount)
{
    if (reply.values.size() != 1 || reply.values.at(0) != pageCount)
        return ErrReadMismatch;
    return ResultOk;
}

int acceptWrite(const Message &reply)
{
    if (reply.values.size() != 1 || reply.values.at(0) != 0)
        return ErrWriteRejected;
    return ResultOk;
}

} // namespace Frame
