#include "initext.h"

#include <QStringList>

#include <array>
#include <cstring>

namespace {

// How Qt's INI writer treats a character below 0x80; everything above is Hex.
enum Kind : quint8 {
    Plain, // written as it is
    HexDigit, // written as it is, unless it follows an escape that could swallow it
    Quoting, // ';', ',' and '=': written as they are, but the value is quoted
    Named, // \a \b \f \n \r \t \v
    Backslashed, // '"' and '\'
    Null, // \0
    Hex, // \x and the code in lower-case hex
};

// Where a character may stand as itself in a decoded text.
enum Literal : quint8 { Anywhere = 1, AfterEscape = 2, Quotes = 4 };

struct Tables
{
    std::array<quint8, 128> kind {};
    std::array<char, 128> named {};
    std::array<quint8, 128> unnamed {}; // the character behind a named escape letter, 0 if none
    std::array<quint8, 256> literal {};
    std::array<quint8, 256> digit {}; // lower-case hex digits' values, 16 for anything else
};

constexpr Tables makeTables()
{
    Tables t;
    for (int c = 0; c < 128; ++c)
        t.kind[c] = c < 0x20 || c == 0x7f ? Hex : Plain;
    for (int c = '0'; c <= '9'; ++c)
        t.kind[c] = HexDigit;
    for (int c = 'a'; c <= 'f'; ++c)
        t.kind[c] = HexDigit;
    for (int c = 'A'; c <= 'F'; ++c)
        t.kind[c] = HexDigit;
    t.kind[';'] = t.kind[','] = t.kind['='] = Quoting;
    t.kind['"'] = t.kind['\\'] = Backslashed;
    t.kind[0] = Null;
    const char names[] = "abtnvfr"; // the characters 7 to 13
    for (int c = 7; c <= 13; ++c) {
        t.kind[c] = Named;
        t.named[c] = names[c - 7];
        t.unnamed[uchar(names[c - 7])] = quint8(c);
    }
    for (int c = 0; c < 256; ++c) {
        const int kind = c < 128 ? int(t.kind[c]) : int(Hex);
        t.literal[c] = kind == Plain ? Anywhere | AfterEscape
            : kind == Quoting        ? Anywhere | AfterEscape | Quotes
            : kind == HexDigit       ? Anywhere
                                     : 0;
        t.digit[c] = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : 16;
    }
    return t;
}

constexpr Tables s_tables = makeTables();

inline quint8 kindOf(uint ch)
{
    return ch < 0x80 ? s_tables.kind[ch] : quint8(Hex);
}

inline bool isKeyLiteral(uint ch)
{
    return (ch >= 'a' && ch <= 'z') || (ch >= 'A' && ch <= 'Z') || (ch >= '0' && ch <= '9') || ch == '_'
        || ch == '-' || ch == '.';
}

const char UpperHex[] = "0123456789ABCDEF";
const char LowerHex[] = "0123456789abcdef";

// Lower-case hex without leading zeros, as QByteArray::number(ch, 16).
inline char *putHexEscape(char *w, uint ch)
{
    *w++ = '\\';
    *w++ = 'x';
    int shift = 12;
    while (shift > 0 && (ch >> shift) == 0)
        shift -= 4;
    for (; shift >= 0; shift -= 4)
        *w++ = LowerHex[(ch >> shift) & 0xf];
    return w;
}

inline bool hasQuoting(const uchar *p, int n)
{
    return std::memchr(p, ';', size_t(n)) || std::memchr(p, ',', size_t(n)) || std::memchr(p, '=', size_t(n));
}

inline bool hasQuoting(const ushort *p, int n)
{
    for (const ushort *end = p + n; p != end; ++p) {
        if (*p < 0x80 && s_tables.kind[*p] == Quoting)
            return true;
    }
    return false;
}

// Appends prefix + body + suffix escaped as one string, as Qt's writer
// escapes "@ByteArray(" + bytes + ")". The prefixes and the suffix are plain
// ASCII that neither quotes nor follows an escape.
template<typename Unit>
void appendEscaped(QByteArray &out, const char *prefix, const Unit *body, int n, const char *suffix)
{
    const bool quote = hasQuoting(body, n)
        || (n > 0 && ((!*prefix && body[0] == ' ') || (!*suffix && body[n - 1] == ' ')));
    const int prefixSize = int(std::strlen(prefix));
    const int suffixSize = int(std::strlen(suffix));
    const int at = out.size();
    out.resize(at + prefixSize + n * (sizeof(Unit) == 1 ? 4 : 6) + suffixSize + 2);
    char *w = out.data() + at;
    if (quote)
        *w++ = '"';
    std::memcpy(w, prefix, size_t(prefixSize));
    w += prefixSize;
    bool escaped = false;
    for (const Unit *end = body + n; body != end; ++body) {
        const uint ch = uint(*body);
        const quint8 kind = kindOf(ch);
        if (kind <= Quoting && !(escaped && kind == HexDigit)) {
            *w++ = char(ch);
            escaped = false;
            continue;
        }
        if (kind == HexDigit || kind == Hex) {
            w = putHexEscape(w, ch);
            escaped = true;
            continue;
        }
        *w++ = '\\';
        *w++ = kind == Named ? s_tables.named[ch] : kind == Null ? '0' : char(ch);
        escaped = kind == Null;
    }
    std::memcpy(w, suffix, size_t(suffixSize));
    w += suffixSize;
    if (quote)
        *w++ = '"';
    out.resize(int(w - out.constData()));
}

// A string value as Qt writes it: "@String(...)" around text holding a NUL,
// a second '@' before text starting with one.
void appendString(QByteArray &out, const QString &s)
{
    const auto *units = reinterpret_cast<const ushort *>(s.constData());
    if (s.contains(QChar::Null))
        appendEscaped(out, "@String(", units, s.size(), ")");
    else
        appendEscaped(out, s.startsWith(QLatin1Char('@')) ? "@" : "", units, s.size(), "");
}

// Decoded characters go to a byte array (QString::toLatin1's '?' for wider
// ones, which Qt's reader would apply) or to a QString.
struct ByteSink
{
    char *w;
    void put(uint ch) { *w++ = ch > 0xff ? '?' : char(ch); }
};

struct UnitSink
{
    ushort *w;
    void put(uint ch) { *w++ = ushort(ch); }
};

// Decodes the text between the quotes (if any) when it is exactly what the
// writer makes of some string; false otherwise. quoting: a character that
// makes the writer quote was met.
template<typename Sink> bool unescape(const char *p, const char *end, Sink &sink, bool &quoting)
{
    bool escaped = false;
    while (p != end) {
        const uchar c = uchar(*p);
        const quint8 literal = s_tables.literal[c];
        if (literal & (escaped ? AfterEscape : Anywhere)) {
            quoting |= (literal & Quotes) != 0;
            sink.put(c);
            ++p;
            escaped = false;
            continue;
        }
        if (c != '\\' || ++p == end)
            return false;
        const uchar e = uchar(*p++);
        if (e == 'x') {
            // Qt's reader takes every hex digit that follows; the writer
            // never lets one follow (an upper-case one fails as a literal
            // after an escape), writes lower case and no leading zero.
            const char *first = p;
            uint v = 0;
            for (quint8 d; p != end && (d = s_tables.digit[uchar(*p)]) < 16; ++p)
                v = (v << 4) | d;
            if (p == first || p - first > 4 || *first == '0')
                return false;
            const quint8 kind = kindOf(v);
            if (kind != Hex && !(escaped && kind == HexDigit))
                return false;
            sink.put(v);
            escaped = true;
        } else if (e == '0') {
            sink.put(0);
            escaped = true;
        } else if (e == '"' || e == '\\') {
            sink.put(e);
            escaped = false;
        } else if (e < 0x80 && s_tables.unnamed[e]) {
            sink.put(s_tables.unnamed[e]);
            escaped = false;
        } else {
            return false;
        }
    }
    return true;
}

// Splits off the quotes and checks that the writer would have put them there.
template<typename Sink, typename Begin, typename Size>
bool decodeText(const char *text, int size, Sink &sink, Begin begin, Size count)
{
    const bool quoted = size > 0 && text[0] == '"';
    const char *p = text + (quoted ? 1 : 0);
    const char *end = text + size - (quoted ? 1 : 0);
    if (quoted && (size < 2 || text[size - 1] != '"'))
        return false;
    bool quoting = false;
    if (!unescape(p, end, sink, quoting))
        return false;
    const int n = count();
    const bool blankEdge = n > 0 && (begin()[0] == ' ' || begin()[n - 1] == ' ');
    return quoted == (quoting || blankEdge);
}

bool decodeString(const char *text, int size, QString &s)
{
    s.resize(size);
    ushort *start = reinterpret_cast<ushort *>(s.data());
    UnitSink sink { start };
    if (!decodeText(
            text, size, sink, [&] { return start; }, [&] { return int(sink.w - start); }))
        return false;
    s.resize(int(sink.w - start));
    return true;
}

// Qt's reading of a decoded string: the typed forms this writer produces,
// Qt's fallbacks for the rest; false for the forms Qt reads through a data
// stream or as geometry, which the caller leaves to Qt.
bool toVariant(const QString &s, QVariant &value)
{
    if (!s.startsWith(QLatin1Char('@'))) {
        value = s;
        return true;
    }
    if (s.endsWith(QLatin1Char(')'))) {
        if (s.startsWith(QLatin1String("@ByteArray("))) {
            value = s.midRef(11, s.size() - 12).toLatin1();
            return true;
        }
        if (s.startsWith(QLatin1String("@String("))) {
            value = s.mid(8, s.size() - 9);
            return true;
        }
        for (const char *typed : { "@Variant(", "@DateTime(", "@Rect(", "@Size(", "@Point(" }) {
            if (s.startsWith(QLatin1String(typed)))
                return false;
        }
        if (s == QLatin1String("@Invalid()")) {
            value = QVariant();
            return true;
        }
    }
    value = s.startsWith(QLatin1String("@@")) ? s.mid(1) : s;
    return true;
}

} // namespace

namespace IniText {

void appendKey(QByteArray &out, const QString &key)
{
    for (const QChar qc : key) {
        const uint ch = qc.unicode();
        if (ch == '/') {
            out += '\\';
        } else if (isKeyLiteral(ch)) {
            out += char(ch);
        } else if (ch <= 0xff) {
            out += '%';
            out += UpperHex[ch >> 4];
            out += UpperHex[ch & 0xf];
        } else {
            out += "%U";
            for (int shift = 12; shift >= 0; shift -= 4)
                out += UpperHex[(ch >> shift) & 0xf];
        }
    }
}

bool decodeKey(const char *text, int size, QString &key)
{
    key.clear();
    if (size <= 0)
        return false;
    key.reserve(size);
    for (int i = 0; i < size;) {
        const uchar c = uchar(text[i]);
        if (c == '\\') {
            key += QLatin1Char('/');
            ++i;
            continue;
        }
        if (isKeyLiteral(c)) {
            key += QLatin1Char(char(c));
            ++i;
            continue;
        }
        if (c != '%')
            return false;
        const bool wide = i + 1 < size && text[i + 1] == 'U';
        const int first = i + (wide ? 2 : 1);
        const int digits = wide ? 4 : 2;
        if (first + digits > size)
            return false;
        uint v = 0;
        for (int d = first; d < first + digits; ++d) {
            const char *at = std::strchr(UpperHex, text[d]);
            if (!at || !*at)
                return false;
            v = (v << 4) | uint(at - UpperHex);
        }
        // Only the escape the writer would choose for this character.
        if (wide ? v <= 0xff : (isKeyLiteral(v) || v == '/'))
            return false;
        key += QChar(ushort(v));
        i = first + digits;
    }
    return true;
}

bool appendValue(QByteArray &out, const QVariant &value)
{
    switch (value.userType()) {
    case QMetaType::UnknownType:
        out += "@Invalid()";
        return true;
    case QMetaType::QByteArray: {
        const QByteArray bytes = value.toByteArray();
        appendEscaped(out, "@ByteArray(", reinterpret_cast<const uchar *>(bytes.constData()), bytes.size(),
                      ")");
        return true;
    }
    case QMetaType::QString:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Bool:
    case QMetaType::Double:
        appendString(out, value.toString());
        return true;
    case QMetaType::QStringList: {
        const QStringList list = value.toStringList();
        if (list.isEmpty())
            out += "@Invalid()";
        for (int i = 0; i < list.size(); ++i) {
            if (i > 0)
                out += ", ";
            appendString(out, list.at(i));
        }
        return true;
    }
    default:
        return false;
    }
}

bool decodeValue(const char *text, int size, QVariant &value)
{
    // A byte array goes straight to bytes, without a QString of twice its
    // size. The prefix is plain text: no escape state, no blank edge.
    static const char prefix[] = "@ByteArray(";
    const int quoted = size > 0 && text[0] == '"' ? 1 : 0;
    if (size >= 2 * quoted + 12 && std::memcmp(text + quoted, prefix, 11) == 0
        && (!quoted || text[size - 1] == '"')) {
        QByteArray bytes(size, Qt::Uninitialized);
        ByteSink sink { bytes.data() };
        bool quoting = false;
        if (unescape(text + quoted + 11, text + size - quoted, sink, quoting) && bool(quoted) == quoting
            && sink.w[-1] == ')') {
            bytes.resize(int(sink.w - bytes.constData()) - 1);
            bytes.squeeze();
            value = bytes;
            return true;
        }
    }
    QString s;
    return decodeString(text, size, s) && toVariant(s, value);
}

} // namespace IniText
