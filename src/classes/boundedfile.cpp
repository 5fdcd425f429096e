#include "boundedfile.h"

#include "classes/fileerror.h"

#include <QFile>
#include <QFileInfo>

namespace BoundedFile {

Result read(const QString &path, qint64 limit)
{
    Result result;
    // Checked before opening: opening a pipe waits for its writer.
    const QFileInfo info(path);
    if (info.exists() && !info.isFile()) {
        result.status = Status::NotRegular;
        return result;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        result.status = Status::CannotOpen;
        result.error = FileError::reason(file.errorString());
        return result;
    }
    // The reported size only sizes the buffer; the loop decides.
    result.bytes.reserve(int(qBound<qint64>(0, info.size(), limit) + 1));
    char chunk[64 * 1024];
    while (result.bytes.size() <= limit) {
        const qint64 n = file.read(chunk, qMin<qint64>(sizeof chunk, limit + 1 - result.bytes.size()));
        if (n < 0) {
            result.status = Status::ReadError;
            result.error = FileError::reason(file.errorString());
            result.bytes.clear();
            return result;
        }
        if (n == 0)
            break;
        result.bytes.append(chunk, int(n));
    }
    if (result.bytes.size() > limit) {
        result.status = Status::TooLarge;
        result.bytes.clear();
    }
    return result;
}

} // namespace BoundedFile
