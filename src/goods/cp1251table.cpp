#include "cp1251table.h"

#include "params/textcodec.h"

namespace {

inline bool isHighSurrogate(char16_t u)
{
    return u >= 0xD800 && u < 0xDC00;
}

inline bool isLowSurrogate(char16_t u)
{
    return u >= 0xDC00 && u < 0xE000;
}

} // namespace

namespace Cp1251Table {

QString decode(const char *bytes, int size)
{
    if (size <= 0)
        return QString();
    const char16_t *map = TextCodec::decodeTable();
    QString out(size, Qt::Uninitialized);
    auto *dst = reinterpret_cast<char16_t *>(out.data());
    const auto *src = reinterpret_cast<const uchar *>(bytes);
    for (int i = 0; i < size; ++i)
        dst[i] = map[src[i]];
    return out;
}

int encodeAppend(const QString &text, char *out, int limit)
{
    const uchar *map = TextCodec::encodeTable();
    const auto *src = reinterpret_cast<const char16_t *>(text.constData());
    const int n = text.size();
    int written = 0;
    for (int i = 0; i < n && written != limit; ++i) {
        const char16_t u = src[i];
        if (u < 0x80) {
            out[written++] = char(u);
            continue;
        }
        const uchar b = map[u];
        out[written++] = b ? char(b) : '?';
        // A surrogate pair is one character, hence one "?".
        if (isHighSurrogate(u) && i + 1 < n && isLowSurrogate(src[i + 1]))
            ++i;
    }
    return written;
}

QByteArray encode(const QString &text)
{
    QByteArray out(text.size(), Qt::Uninitialized);
    out.resize(encodeAppend(text, out.data(), -1));
    return out;
}

const char16_t *toUnicodeTable()
{
    return TextCodec::decodeTable();
}

const uchar *fromUnicodeTable()
{
    return TextCodec::encodeTable();
}

bool canEncode(const QString &text)
{
    const uchar *map = TextCodec::encodeTable();
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u >= 0x80 && map[u] == 0)
            return false;
    }
    return true;
}

} // namespace Cp1251Table
