#include "outputfile.h"

#include "classes/fileerror.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QTemporaryFile>

OutputFile::OutputFile(const QString &named)
    : m_named(named)
{
}

OutputFile::~OutputFile() = default;

bool OutputFile::check(QString *error)
{
    if (!m_named.isEmpty()) {
        // Kept open: the file is written through it at the end.
        m_file = std::make_unique<QSaveFile>(m_named);
        if (QFileInfo(m_named).isDir() || !m_file->open(QIODevice::WriteOnly)) {
            *error = QStringLiteral("не удалось записать файл %1: %2")
                         .arg(m_named, FileError::reason(m_file->errorString()));
            return false;
        }
        return true;
    }
    // The default name needs the serial number: here only its folder is tried.
    QTemporaryFile probe(QDir::current().filePath(QStringLiteral("korvant-cli-XXXXXX")));
    if (!probe.open()) {
        *error = QStringLiteral("в папке %1 нельзя создать файл: %2")
                     .arg(QDir::currentPath(), FileError::reason(probe.errorString()));
        return false;
    }
    return true;
}

bool OutputFile::write(const QString &defaultName, const QByteArray &bytes, QString *path, QString *error)
{
    if (m_file) {
        *path = m_file->fileName();
        if (m_file->write(bytes) != bytes.size() || !m_file->commit()) {
            *error = QStringLiteral("не удалось записать файл %1: %2")
                         .arg(*path, FileError::reason(m_file->errorString()));
            return false;
        }
        return true;
    }
    *path = defaultName;
    QFile file(defaultName);
    // NewOnly: no file, and no link to one, is ever replaced.
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        *error = file.exists()
            ? QStringLiteral("файл %1 уже существует, он не заменён; другое имя задаёт -o").arg(defaultName)
            : QStringLiteral("не удалось записать файл %1: %2")
                  .arg(defaultName, FileError::reason(file.errorString()));
        return false;
    }
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        *error = QStringLiteral("не удалось записать файл %1: %2")
                     .arg(defaultName, FileError::reason(file.errorString()));
        file.remove();
        return false;
    }
    return true;
}
