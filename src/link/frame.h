#pragma once

#include "link/storage.h"

#include <QByteArray>
#include <QVector>

// Request and reply frames of the register protocol:
//   EF BE | u32 payload length | u32 CRC-32 of the payload | payload
// with the payload  u8 head | u8 count k | k x i32 | data bytes.
// All integers are little-endian.
namespace Frame {

enum Command : quint8 {
    CmdInfo = 0xC1,
    CmdReadPages = 0xC2,
    CmdWritePages = 0xC3,
    CmdWriteSystemPages = 0xC5,
};

constexpr int HeaderSize = 10;
constexpr int MaxPagesPerRequest = 4;
// The largest payload a register may legitimately send: 255 values and four pages.
constexpr int MaxReplyPayload = 2 + 4 * 255 + MaxPagesPerRequest * Storage::PageSize;
// Requests carry at most two arguments, but be as lenient as for replies.
constexpr int MaxRequestPayload = MaxReplyPayload;

// CRC-32 of IEEE 802.3 (reflected 0xEDB88320, init and final XOR all ones), by zlib.
quint32 crc32(const char *data, int size);
quint32 crc32(const QByteArray &bytes);

struct Message
{
    quint8 head = 0; // command code in a request, status byte in a reply
    QVector<qint32> values;
    QByteArray data;
};

QByteArray build(const Message &message);
QByteArray request(Command command, const QVector<qint32> &args, const QByteArray &data = {});

enum class Status {
    Incomplete, // more bytes may still complete the frame
    Complete, // the header and the whole declared payload are there
    Malformed, // the declared length can never be legitimate
};

// Looks at the bytes received so far; never trusts the declared length further
// than maxPayload, so nothing is reserved for it.
Status check(const QByteArray &received, int maxPayload = MaxReplyPayload);

// The frame's total size once check() says Complete.
int frameSize(const QByteArray &received);

// Parses one frame at the start of received: header, CRC, values. Bytes after the
// declared payload are ignored. The marker bytes are not compared. False when malformed.
bool parse(const QByteArray &received, Message *message);

// The reply to the one outstanding request, from every byte received since it
// went out. Complete: the bytes are exactly one well-formed frame, parsed into
// *reply. Malformed: a declared length no reply can have, a frame that does
// not parse, or bytes beyond the frame. There are no request numbers: bytes
// beyond the reply are a second frame (a late copy of an earlier reply, or a
// second device talking), and taking either as the reply would shift every
// later answer by one.
Status acceptReply(const QByteArray &received, Message *reply);

// The parameter layout family of firmware the utility can configure: 53 for
// 2.53 (any build), 52 for 2.52 from build 38 on; 0 for any other firmware.
int firmwareFamily(int major, int minor, int build);

// What the identity reply says.
struct Identity
{
    quint32 versionWord = 0;
    qint32 reserved = 1024;
    qint32 goodsCapacity = 2000;
    bool reportsCapacity = false; // the reply carried the capacity (else the default)

    int major() const { return int(versionWord >> 28); }
    int minor() const { return int((versionWord >> 16) & 0x0FFF); }
    int build() const { return int(versionWord & 0xFFFF); }
    int family() const { return firmwareFamily(major(), minor(), build()); }
};

// Reply rules per command; each returns a DeviceResult. A read reply must
// carry exactly pageCount pages of data: fewer (or more) would shift every
// later byte of the image it is appended to.
int acceptInfo(const Message &reply, Identity *identity);
int acceptRead(const Message &reply, int pageCount);
int acceptWrite(const Message &reply);

// The job's closing identity request: its reply must be the register's
// identity again, as the opening one gave it (the same values that name the
// register, and as much data). Replies carry no request number, so a copy of
// an earlier reply taken for a later one shifts every answer after it by one;
// the closing request then meets the reply to the request before it, a page
// reply, which this refuses (ErrBadReply). Only the values that identify the
// register are compared: the status byte and the unused second value may
// change from request to request.
int acceptClosing(const Message &reply, const Message &opening);

// The opening steps' findings taken together: a register that reports a blank
// serial number (nothing but blanks and control bytes), or a goods capacity
// its goods area has no records for, has not identified itself (ErrBadReply).
// A capacity the reply left out is the default and not checked.
int acceptOpening(const Identity &identity, const Storage::Region &goodsArea, const QByteArray &serial);

} // namespace Frame
