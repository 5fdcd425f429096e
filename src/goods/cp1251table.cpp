#include "cp1251table.h"

#include "params/textcodec.h"

#include <array>

namespace {

struct Tables
{
    std::array<char16_t, 256> toUnicode {};
    // Unicode BMP code unit -> byte; 0 marks "no byte" except for U+0000.
    std::array<uchar, 0x10000> fromUnicode {};

    Tables()
    {
        QByteArray all(256, '\0');
        for (int b = 0; b < 256; ++b)
            all[b] = char(b);
        const QString text = TextCodec::decode(all);
        Q_ASSERT(text.size() == 256);
        for (int b = 0; b < 256 && b < text.size(); ++b) {
            const char16_t u = text.at(b).unicode();
            toUnicode[size_t(b)] = u;
            // A byte the code page leaves undefined may decode to U+FFFD; it
            // must not claim that character.
            if (u != 0xFFFD && (fromUnicode[u] == 0 || u == b))
                fromUnicode[u] = uchar(b);
        }
    }
};

const Tables &tables()
{
    static const Tables t;
    return t;
}

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
    const auto &map = tables().toUnicode;
    QString out(size, Qt::Uninitialized);
    auto *dst = reinterpret_cast<char16_t *>(out.data());
    const auto *src = reinterpret_cast<const uchar *>(bytes);
    for (int i = 0; i < size; ++i)
        dst[i] = map[src[i]];
    return out;
}

int encodeAppend(const QString &text, char *out, int limit)
{
    const auto &map = tables().fromUnicode;
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
    return tables().toUnicode.data();
}

const uchar *fromUnicodeTable()
{
    return tables().fromUnicode.data();
}

bool canEncode(const QString &text)
{
    const auto &map = tables().fromUnicode;
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u >= 0x80 && map[u] == 0)
            return false;
    }
    return true;
}

} // namespace Cp1251Table
