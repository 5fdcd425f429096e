#include "textcodec.h"

#include <QTextCodec>
#include <QVector>

#include <array>

namespace {

QTextCodec *codec()
{
    static QTextCodec *const c = QTextCodec::codecForName("Windows-1251");
    Q_ASSERT(c);
    return c;
}

// The converter behind the codec opens itself anew for every call (about half
// a microsecond); the code page is one byte a character, so its mapping is
// read out once into tables and the converter is asked only about characters
// the tables do not hold.
struct Tables
{
    std::array<char16_t, 256> toUnicode {};
    // BMP code unit -> the byte the converter writes for it; 0 where it
    // writes none, or something else than one byte that decodes back to it.
    std::array<uchar, 0x10000> fromUnicode {};

    Tables()
    {
        QByteArray all(256, '\0');
        for (int b = 0; b < 256; ++b)
            all[b] = char(b);
        const QString text = codec()->toUnicode(all);
        Q_ASSERT(text.size() == 256);
        for (int b = 0; b < 256 && b < text.size(); ++b) {
            const char16_t u = text.at(b).unicode();
            if (u == 0xFFFD) {
                // The byte the code page leaves undefined (0x98) is the C1
                // control of its value, as ICU and Windows' own converter
                // have it; Qt's built-in table (a Windows build has no ICU)
                // says U+FFFD, which would come back as "?".
                toUnicode[size_t(b)] = char16_t(b);
                fromUnicode[size_t(b)] = uchar(b);
                continue;
            }
            toUnicode[size_t(b)] = u;
            if (u != 0 && codec()->fromUnicode(QString(QChar(u))) == QByteArray(1, char(b)))
                fromUnicode[u] = uchar(b);
        }
    }
};

const Tables &tables()
{
    static const Tables t;
    return t;
}

// Whether every character of text has a byte in the tables (U+0000 too).
bool allInTables(const QString &text)
{
    const uchar *map = tables().fromUnicode.data();
    for (const QChar c : text) {
        if (c.unicode() != 0 && map[c.unicode()] == 0)
            return false;
    }
    return true;
}

// Text with characters the tables lack: at most one byte a character, the
// converter's, or "?" where it writes more (Qt's own converter, used where
// there is no ICU, writes one for each half of a character beyond U+FFFF).
QByteArray encodeEachCharacter(const QString &text)
{
    const uchar *map = tables().fromUnicode.data();
    QByteArray out;
    out.reserve(text.size());
    for (int i = 0; i < text.size(); ++i) {
        const char16_t u = text.at(i).unicode();
        if (u == 0 || map[u] != 0) {
            out += char(map[u]);
            continue;
        }
        const int units
            = text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate() ? 2 : 1;
        const QByteArray bytes = codec()->fromUnicode(text.constData() + i, units);
        // A lone surrogate within the text is no character: "?", as the
        // converter gives it there (alone it may give nothing).
        if (units == 1 && text.at(i).isSurrogate() && i + 1 < text.size())
            out += '?';
        else
            out += bytes.size() <= 1 ? bytes : QByteArray(1, '?');
        i += units - 1;
    }
    return out;
}

} // namespace

namespace TextCodec {

QByteArray encode(const QString &text)
{
    if (!allInTables(text))
        return encodeEachCharacter(text);
    const uchar *map = tables().fromUnicode.data();
    QByteArray out(text.size(), Qt::Uninitialized);
    char *w = out.data();
    for (const QChar c : text)
        *w++ = char(map[c.unicode()]);
    return out;
}

QString decode(const QByteArray &bytes)
{
    if (bytes.isEmpty())
        return QString();
    const char16_t *map = tables().toUnicode.data();
    QString out(bytes.size(), Qt::Uninitialized);
    auto *w = reinterpret_cast<char16_t *>(out.data());
    for (const char b : bytes)
        *w++ = map[uchar(b)];
    return out;
}

const char16_t *decodeTable()
{
    return tables().toUnicode.data();
}

const uchar *encodeTable()
{
    return tables().fromUnicode.data();
}

bool canHold(char32_t codePoint)
{
    const uint ucs4 = uint(codePoint);
    if (ucs4 > 0 && ucs4 < 0x10000 && tables().fromUnicode[ucs4] != 0)
        return true;
    const QString one = QString::fromUcs4(&ucs4, 1);
    // A lone surrogate or a value beyond Unicode makes no character at all.
    if (one.toUcs4() != QVector<uint> { ucs4 })
        return false;
    QTextCodec::ConverterState state(QTextCodec::ConvertInvalidToNull);
    const QByteArray bytes = codec()->fromUnicode(one.constData(), one.size(), &state);
    // The round trip also refuses any look-alike a converter might put in.
    return state.invalidChars == 0 && bytes.size() == 1 && decode(bytes) == one;
}

char32_t firstUnheld(const QString &text)
{
    if (allInTables(text))
        return 0;
    // Most texts are held whole; look character by character only then.
    QTextCodec::ConverterState state(QTextCodec::ConvertInvalidToNull);
    const QByteArray bytes = codec()->fromUnicode(text.constData(), text.size(), &state);
    if (state.invalidChars == 0 && decode(bytes) == text)
        return 0;
    const QVector<uint> points = text.toUcs4();
    for (const uint point : points) {
        if (!canHold(char32_t(point)))
            return char32_t(point);
    }
    // A lone surrogate: toUcs4() passes it through as a value of its own.
    return U'\uFFFD';
}

bool encodeStrict(const QString &text, QByteArray *out, char32_t *unheld)
{
    const char32_t first = firstUnheld(text);
    if (unheld)
        *unheld = first;
    if (first != 0)
        return false;
    *out = encode(text);
    return true;
}

QString describe(char32_t codePoint)
{
    const uint ucs4 = uint(codePoint);
    return QStringLiteral("«%1» U+%2")
        .arg(QString::fromUcs4(&ucs4, 1),
             QString::number(ucs4, 16).toUpper().rightJustified(4, QLatin1Char('0')));
}

QByteArray untilNul(const QByteArray &bytes)
{
    const int nul = bytes.indexOf('\0');
    return nul < 0 ? bytes : bytes.left(nul);
}

QByteArray encodeField(const QString &text, int width, int limit)
{
    QByteArray field(width, '\0');
    const QByteArray bytes = encode(text).left(qMin(limit, width));
    std::copy(bytes.cbegin(), bytes.cend(), field.begin());
    return field;
}

} // namespace TextCodec
