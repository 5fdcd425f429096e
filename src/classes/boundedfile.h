#pragma once

#include <QByteArray>
#include <QString>

// Reading a file that someone else may have made: only a regular file, and
// never more than a limit, whatever size the file reports (devices and pipes
// report 0, and /dev/zero never ends).
namespace BoundedFile {

enum class Status {
    Ok,
    CannotOpen, // error holds the system's reason
    NotRegular, // a folder, device, pipe or socket: not even opened
    TooLarge, // more than limit bytes
    ReadError, // error holds the system's reason
};

struct Result
{
    Status status = Status::Ok;
    QByteArray bytes; // the whole file when status is Ok
    QString error;
};

// Reads at most limit + 1 bytes of the file at path.
Result read(const QString &path, qint64 limit);

} // namespace BoundedFile
