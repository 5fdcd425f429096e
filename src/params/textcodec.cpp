#include "textcodec.h"

#include <QTextCodec>

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

QString decodeField(const QByteArray &field, int limit)
{
    return decode(untilNul(field.left(limit)));
}

} // namespace TextCodec
