#pragma once

#include <QByteArray>
#include <QString>
#include <QVariant>

// Keys and values of the settings file in exactly the text Qt's own INI
// writer gives them (no text codec: every character outside printable ASCII
// becomes a \x escape, a hex digit right after such an escape is escaped
// too, values holding ';', ',' or '=' or starting or ending with a blank are
// quoted, keys use %XX, %UXXXX and '\' for '/').
//
// The decoders accept only that form, so whatever they accept, Qt's reader
// reads the same way; anything else (a hand edit, a damaged line) they
// refuse, and the caller lets Qt read the file.
namespace IniText {

void appendKey(QByteArray &out, const QString &key);
bool decodeKey(const char *text, int size, QString &key);

// False for a type whose text this writer does not produce itself (geometry
// types, variant lists, anything Qt writes through a data stream).
bool appendValue(QByteArray &out, const QVariant &value);
bool decodeValue(const char *text, int size, QVariant &value);

} // namespace IniText
