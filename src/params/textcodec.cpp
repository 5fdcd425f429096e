#include "textcodec.h"

#include <QTextCodec>
#include <QVector>

namespace {

QTextCodec *codec()
{
    static QTextCodec *const c = QTextCodec::codecForName("Windows-1251");
    Q_ASSERT(c);
    return c;
}

} // namespace

namespace TextCodec {

QByteArray encode(const QString &text)
{
    return codec()->fromUnicode(text);
}

QString decode(const QByteArray &bytes)
{
    return codec()->toUnicode(bytes);
}

bool canHold(char32_t codePoint)
{
    const uint ucs4 = uint(codePoint);
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
