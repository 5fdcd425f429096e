#pragma once

#include <QString>

#include <memory>

class QSaveFile;

// The file a read command writes (read-params, read-goods), checked before
// the transfer so that a place no file can go fails at once, not after
// seconds of reading. A name given with -o is written whole at the end or
// not at all, and may replace a file. Without one the name is made from the
// serial number the register reports (ParamFile::safeName()), in the current
// folder, and never replaces a file: a register chooses that name, not the
// user.
class OutputFile
{
public:
    // named: the -o value; empty for the default name.
    explicit OutputFile(const QString &named);
    ~OutputFile();

    // False with a Russian message when the place takes no file.
    bool check(QString *error);
    // Writes bytes to the named file, or to defaultName in the current
    // folder; *path says where they went.
    bool write(const QString &defaultName, const QByteArray &bytes, QString *path, QString *error);

private:
    QString m_named;
    std::unique_ptr<QSaveFile> m_file;
};
