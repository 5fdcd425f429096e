#pragma once

#include <QByteArray>
#include <QString>

// Table-driven Windows-1251 conversion for bulk goods text (100 000-row
// catalogues), on TextCodec's tables, so the code page has one definition.
namespace Cp1251Table {

QString decode(const char *bytes, int size);
inline QString decode(const QByteArray &bytes)
{
    return decode(bytes.constData(), bytes.size());
}

// Writes at most limit bytes of text's encoding to out (negative: no limit)
// and returns how many it wrote. A character the code page lacks becomes "?"
// (TextCodec::encode drops a few invisible ones, such as U+200B, instead).
int encodeAppend(const QString &text, char *out, int limit);
QByteArray encode(const QString &text);

// Whether every character of text has a Windows-1251 byte.
bool canEncode(const QString &text);

// The tables themselves, for loops that do more per character: byte -> code
// unit, and BMP code unit -> byte (0 where the code page has none; U+0000
// is 0 as well).
const char16_t *toUnicodeTable();
const uchar *fromUnicodeTable();

} // namespace Cp1251Table
