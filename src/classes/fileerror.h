#pragma once

#include <QString>

// The reason a file could not be opened, read or written, for a Russian
// message. Qt gives the system's reason in English ("No such file or
// directory"); the common ones are said in Russian, any other is kept as the
// system gave it.
namespace FileError {

QString reason(const QString &systemText);

} // namespace FileError
