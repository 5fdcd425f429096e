// Fuzz targets for what a register sends: frames and their acceptance, the
// storage directory, tagged records and discovery replies. Each is checked
// against a plain reading of its format, written here without the code it
// checks.
#include "fuzz/fuzztargets.h"

#include "link/devicefinder.h"
#include "link/devicejob.h"
#include "link/frame.h"
#include "link/ipv4address.h"
#include "link/storage.h"
#include "link/taggedrecord.h"

#include <QByteArray>
#include <QVector>

namespace {

QByteArray bytesOf(const uint8_t *data, std::size_t size)
{
    return QByteArray(reinterpret_cast<const char *>(data), int(size));
}

quint32 u32(const QByteArray &b, int at)
{
    return quint32(quint8(b.at(at))) | quint32(quint8(b.at(at + 1))) << 8
        | quint32(quint8(b.at(at + 2))) << 16 | quint32(quint8(b.at(at + 3))) << 24;
}

quint16 u16(const QByteArray &b, int at)
{
    return quint16(quint8(b.at(at)) | quint8(b.at(at + 1)) << 8);
}

// CRC-32 of IEEE 802.3 one bit at a time: no table, no library.
quint32 bitwiseCrc(const QByteArray &bytes)
{
    quint32 crc = 0xFFFFFFFF;
    for (const char c : bytes) {
        crc ^= quint8(c);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? (crc >> 1) ^ 0xEDB88320 : crc >> 1;
    }
    return ~crc;
}

struct PlainReply
{
    Frame::Status status = Frame::Status::Incomplete;
    Frame::Message message;
};

// The reply rules read straight from the protocol description, plus the
// strict turn: nothing may follow the reply.
PlainReply plainReply(const QByteArray &b)
{
    PlainReply r;
    if (b.size() < 10)
        return r;
    const quint32 length = u32(b, 2);
    if (length > quint32(2 + 4 * 255 + 4 * 256)) {
        r.status = Frame::Status::Malformed;
        return r;
    }
    if (quint32(b.size() - 10) < length)
        return r;
    r.status = Frame::Status::Malformed;
    if (quint32(b.size() - 10) > length)
        return r;
    const QByteArray payload = b.mid(10);
    if (bitwiseCrc(payload) != u32(b, 6) || payload.size() < 2)
        return r;
    const int count = quint8(payload.at(1));
    if (payload.size() < 2 + 4 * count)
        return r;
    r.message.head = quint8(payload.at(0));
    for (int i = 0; i < count; ++i)
        r.message.values.append(qint32(u32(payload, 2 + 4 * i)));
    r.message.data = payload.mid(2 + 4 * count);
    r.status = Frame::Status::Complete;
    return r;
}

bool sameMessage(const Frame::Message &a, const Frame::Message &b)
{
    return a.head == b.head && a.values == b.values && a.data == b.data;
}

} // namespace

namespace FuzzTargets {

bool frame(const uint8_t *data, std::size_t size)
{
    const QByteArray bytes = bytesOf(data, size);
    if (Frame::crc32(bytes) != bitwiseCrc(bytes))
        return false;

    Frame::Message reply;
    const Frame::Status status = Frame::acceptReply(bytes, &reply);
    const PlainReply plain = plainReply(bytes);
    if (status != plain.status)
        return false;
    if (status != Frame::Status::Complete)
        return true;
    if (!sameMessage(reply, plain.message))
        return false;

    // The per-command rules.
    const QVector<qint32> &v = reply.values;
    for (int count = 1; count <= Frame::MaxPagesPerRequest; ++count) {
        const int expected = (v.size() != 1 || v.at(0) != count) ? ErrReadMismatch
            : reply.data.size() != count * Storage::PageSize     ? ErrBadReply
                                                                 : ResultOk;
        if (Frame::acceptRead(reply, count) != expected)
            return false;
    }
    if (Frame::acceptWrite(reply) != ((v.size() == 1 && v.at(0) == 0) ? ResultOk : ErrWriteRejected))
        return false;
    Frame::Identity id;
    const int info = Frame::acceptInfo(reply, &id);
    if (info != (v.isEmpty() ? ErrBadReply : ResultOk))
        return false;
    if (info == ResultOk) {
        const quint32 word = (quint32(v.at(0)) >> 16) ? quint32(v.at(0)) : 0x2033001A;
        const bool three = v.size() == 3;
        if (id.versionWord != word || id.reportsCapacity != three
            || id.goodsCapacity != (three ? v.at(2) : 2000) || id.major() != int(word >> 28)
            || id.minor() != int((word >> 16) & 0xFFF) || id.build() != int(word & 0xFFFF))
            return false;
        // The data bytes stand in for the serial number, the head byte for the
        // size of the goods area.
        Storage::Region area;
        area.pageCount = quint16(reply.head * 9);
        bool blank = true;
        for (const char c : reply.data)
            blank = blank && (quint8(c) <= 0x20 || quint8(c) == 0x7F);
        const qint64 rows = qMax<qint64>(0, 2 * qint64(area.pageCount) - 1);
        const bool badCapacity = three && (id.goodsCapacity < 0 || id.goodsCapacity > rows);
        if (Frame::acceptOpening(id, area, reply.data) != ((blank || badCapacity) ? ErrBadReply : ResultOk))
            return false;
    }

    // A frame built from the message is the input, marker bytes aside (the
    // utility does not compare them on replies).
    QByteArray rebuilt = Frame::build(reply);
    rebuilt[0] = bytes.at(0);
    rebuilt[1] = bytes.at(1);
    return rebuilt == bytes;
}

bool taggedRecords(const uint8_t *data, std::size_t size)
{
    const QByteArray stream = bytesOf(data, size);
    bool complete = false;
    const QVector<TaggedRecord::Record> records = TaggedRecord::parse(stream, &complete);

    int pos = 0;
    int n = 0;
    QByteArray remade;
    while (stream.size() - pos >= 4) {
        const int length = u16(stream, pos + 2);
        if (stream.size() - pos - 4 < length)
            break;
        if (n >= records.size() || records.at(n).tag != qint16(u16(stream, pos))
            || records.at(n).bytes != stream.mid(pos + 4, length))
            return false;
        remade += TaggedRecord::make(records.at(n).tag, records.at(n).bytes);
        pos += 4 + length;
        ++n;
    }
    if (n != records.size() || complete != (pos == stream.size()) || remade != stream.left(pos))
        return false;
    // find() walks the stream again for each tag: a few of them are enough.
    for (const TaggedRecord::Record &r : records.mid(0, 8)) {
        QByteArray first;
        for (const TaggedRecord::Record &s : records) {
            if (s.tag == r.tag) {
                first = s.bytes;
                break;
            }
        }
        if (TaggedRecord::find(stream, r.tag) != first)
            return false;
    }
    const QByteArray four = stream.size() >= 4 ? stream.left(4) : QByteArray(4, '\0');
    return TaggedRecord::find(TaggedRecord::makeInt(7, qint32(u32(four, 0))), 7) == four;
}

bool directory(const uint8_t *data, std::size_t size)
{
    const QByteArray page = bytesOf(data, size);
    bool valid = page.size() >= 46 && u32(page, 0) == 0xAA005500;
    for (int n = 1; valid && n <= 5; ++n)
        valid = qint16(u16(page, 6 + 8 * (n - 1))) == n;
    Storage::Directory d;
    if (Storage::parseDirectory(page, &d) != valid)
        return false;
    if (valid) {
        if (d.value != qint16(u16(page, 4)))
            return false;
        for (int n = 1; n <= 5; ++n) {
            const int entry = 6 + 8 * (n - 1);
            if (d.region(n).firstPage != u16(page, entry + 2) || d.region(n).pageCount != u16(page, entry + 4)
                || d.region(n).byteSize() != d.region(n).pageCount * 256)
                return false;
        }
        // Written back: the same directory, reserved words zeroed.
        const QByteArray built = Storage::buildDirectory(d);
        QByteArray expected = page.left(46);
        for (int n = 1; n <= 5; ++n)
            expected.replace(6 + 8 * (n - 1) + 6, 2, QByteArray(2, '\0'));
        Storage::Directory again;
        if (built.size() != 256 || built.left(46) != expected || !Storage::parseDirectory(built, &again)
            || again.value != d.value)
            return false;
    }
    // The serial number's place, for the minor version the first byte names.
    const int minor = page.isEmpty() ? 0 : quint8(page.at(0));
    const int first = page.size() < 3 ? 0 : u16(page, 1);
    const Storage::SerialPlace place = Storage::serialPlace(minor, first);
    const bool is53 = minor > 52;
    if (place.page != first + (is53 ? 1 : 0) || place.offset != (is53 ? 0 : 4)
        || place.length != (is53 ? 20 : 12))
        return false;
    const QByteArray field = page.mid(place.offset, place.length);
    const int nul = field.indexOf('\0');
    return Storage::serialFromPage(page, place) == (nul < 0 ? field : field.left(nul));
}

bool discovery(const uint8_t *data, std::size_t size)
{
    const QByteArray datagram = bytesOf(data, size);
    const int nul = datagram.indexOf('\0');
    const QByteArray t = nul < 0 ? datagram : datagram.left(nul);

    // "<digits> <MAC> <dotted IPv4, no leading zeros>\n" from the start.
    int pos = 0;
    const auto isDigit = [&t](int at) { return at < t.size() && t.at(at) >= '0' && t.at(at) <= '9'; };
    const auto isHex = [&t, &isDigit](int at) {
        return isDigit(at)
            || (at < t.size()
                && ((t.at(at) >= 'a' && t.at(at) <= 'f') || (t.at(at) >= 'A' && t.at(at) <= 'F')));
    };
    const auto expect = [&t, &pos](char c) {
        if (pos >= t.size() || t.at(pos) != c)
            return false;
        ++pos;
        return true;
    };
    bool match = true;
    const int serialStart = pos;
    while (isDigit(pos))
        ++pos;
    const QByteArray serial = t.mid(serialStart, pos - serialStart);
    match = !serial.isEmpty() && expect(' ');
    const int macStart = pos;
    for (int pair = 0; match && pair < 6; ++pair) {
        match = isHex(pos) && isHex(pos + 1);
        pos += 2;
        if (match && pair < 5) {
            match = pos < t.size() && (t.at(pos) == ':' || t.at(pos) == '-');
            ++pos;
        }
    }
    const QByteArray mac = t.mid(macStart, 17);
    match = match && expect(' ');
    const int ipStart = pos;
    for (int part = 0; match && part < 4; ++part) {
        const int start = pos;
        while (isDigit(pos))
            ++pos;
        const QByteArray digits = t.mid(start, pos - start);
        match = !digits.isEmpty() && digits.size() <= 3 && (digits.size() == 1 || digits.at(0) != '0')
            && digits.toInt() <= 255 && expect(part < 3 ? '.' : '\n');
    }
    const QByteArray ip = t.mid(ipStart, pos - ipStart - 1);
    match = match && serial.size() <= DeviceFinder::MaxSerialLength;

    const std::optional<DeviceFinder::Reply> reply = DeviceFinder::parseReply(datagram);
    if (reply.has_value() != match)
        return false;
    if (!match)
        return true;
    return reply->device == QString::fromLatin1(serial) && reply->mac == QString::fromLatin1(mac)
        && reply->ip == QString::fromLatin1(ip) && Ipv4Address::isValid(reply->ip);
}

} // namespace FuzzTargets
