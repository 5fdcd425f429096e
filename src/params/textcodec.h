#pragma once

#include <QByteArray>
#include <QString>

// Registers keep text in the Windows Cyrillic code page whatever the host's
// locale is, so every conversion of register or CSV text goes through here.
namespace TextCodec {

QByteArray encode(const QString &text);
QString decode(const QByteArray &bytes);

// Bytes up to the first NUL (all of them when there is none).
QByteArray untilNul(const QByteArray &bytes);

// A fixed-width field: the text encoded, cut to limit bytes, zero-filled to
// width bytes.
QByteArray encodeField(const QString &text, int width, int limit);
// The field's bytes up to the first NUL, at most limit of them, decoded.
QString decodeField(const QByteArray &field, int limit);

} // namespace TextCodec
