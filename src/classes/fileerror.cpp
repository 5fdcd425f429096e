#include "fileerror.h"

#include <QCoreApplication>

namespace FileError {

QString reason(const QString &systemText)
{
    // The texts Qt and the C library give on Linux and macOS; Windows gives
    // its own, in the language of the system.
    static const struct
    {
        const char *system;
        const char *russian;
    } known[] = {
        { "No such file or directory", QT_TRANSLATE_NOOP("FileError", "нет такого файла или папки") },
        { "Permission denied", QT_TRANSLATE_NOOP("FileError", "нет прав на доступ") },
        { "Operation not permitted", QT_TRANSLATE_NOOP("FileError", "нет прав на доступ") },
        { "No space left on device", QT_TRANSLATE_NOOP("FileError", "на диске нет места") },
        { "Disk quota exceeded", QT_TRANSLATE_NOOP("FileError", "превышена дисковая квота") },
        { "Read-only file system", QT_TRANSLATE_NOOP("FileError", "диск доступен только для чтения") },
        { "Not a directory", QT_TRANSLATE_NOOP("FileError", "часть пути — не папка, а файл") },
        { "Is a directory", QT_TRANSLATE_NOOP("FileError", "это папка, а не файл") },
        { "File too large", QT_TRANSLATE_NOOP("FileError", "файл слишком велик") },
        { "File name too long", QT_TRANSLATE_NOOP("FileError", "слишком длинное имя файла") },
        { "Too many open files", QT_TRANSLATE_NOOP("FileError", "открыто слишком много файлов") },
        { "Input/output error", QT_TRANSLATE_NOOP("FileError", "ошибка ввода-вывода") },
        // The commonest of Windows' own texts, as an English system words
        // them (and Wine, more tersely); a Russian system's stay as they are.
        { "cannot find the path specified", QT_TRANSLATE_NOOP("FileError", "нет такого файла или папки") },
        { "cannot find the file specified", QT_TRANSLATE_NOOP("FileError", "нет такого файла или папки") },
        { "Path not found", QT_TRANSLATE_NOOP("FileError", "нет такого файла или папки") },
        { "File not found", QT_TRANSLATE_NOOP("FileError", "нет такого файла или папки") },
        { "Access is denied", QT_TRANSLATE_NOOP("FileError", "нет прав на доступ") },
        { "Access denied", QT_TRANSLATE_NOOP("FileError", "нет прав на доступ") },
        { "not enough space on the disk", QT_TRANSLATE_NOOP("FileError", "на диске нет места") },
        // What Qt says when the system gave no reason it kept.
        { "Unknown error", QT_TRANSLATE_NOOP("FileError", "причина не известна") },
    };
    for (const auto &k : known) {
        if (systemText.contains(QLatin1String(k.system), Qt::CaseInsensitive))
            return QCoreApplication::translate("FileError", k.russian);
    }
    return systemText;
}

} // namespace FileError
