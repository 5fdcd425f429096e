#pragma once

#include <QByteArray>
#include <QString>

// Registers keep text in the Windows Cyrillic code page whatever the host's
// locale is, so every conversion of register or CSV text goes through here.
namespace TextCodec {

// Characters the code page cannot hold become '?': use only where a lossy
// conversion is acceptable, and encodeStrict() where a person's text is stored.
QByteArray encode(const QString &text);
QString decode(const QByteArray &bytes);

// Whether the code page holds the character (a Unicode code point) and gives
// it back unchanged.
bool canHold(char32_t codePoint);
// The first character of text that the code page cannot hold, or 0 when it
// holds them all (U+0000 itself is held).
char32_t firstUnheld(const QString &text);
// Encodes text without losing a character: false, with the first character
// the code page cannot hold in *unheld, instead of writing '?' for it.
bool encodeStrict(const QString &text, QByteArray *out, char32_t *unheld = nullptr);
// A character as messages name it: «😀» U+1F600.
QString describe(char32_t codePoint);

// The code page as tables: byte -> UTF-16 code unit, and BMP code unit ->
// byte, 0 where the code page has none (U+0000 is 0 as well).
const char16_t *decodeTable();
const uchar *encodeTable();

// Bytes up to the first NUL (all of them when there is none).
QByteArray untilNul(const QByteArray &bytes);

// A fixed-width field: the text encoded, cut to limit bytes, zero-filled to
// width bytes.
QByteArray encodeField(const QString &text, int width, int limit);

} // namespace TextCodec
