#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

// A register's parameter set carried outside the settings store: a small,
// versioned JSON document (see docs/file-formats.md, "Parameter files").
struct ParamFile
{
    static constexpr int FormatVersion = 1;
    // The most rows any goods area has records for (65535 pages, two records
    // a page, the first one the header): a goodsCapacity beyond it, below 0
    // or not whole is refused.
    static constexpr int MaxGoodsCapacity = 2 * 65535 - 1;

    QString serial;
    QString version; // "2.53.10", or a family pattern such as "2.52.*"
    int goodsCapacity = 0;
    QByteArray params; // parameter image
    QByteArray system; // system image (may be empty)
    QByteArray goods; // goods image without header; optional, profiles only
    QString source; // where it came from, for people reading the file
    QDateTime saved;

    // Firmware family from the version text: 52, 53, or 0 when unsupported.
    int family() const;

    QByteArray toJson() const;
    // Parses and checks a document; on failure returns false with a message
    // (in Russian, naming what is wrong) and leaves out untouched.
    static bool fromJson(const QByteArray &json, ParamFile *out, QString *error);

    // Files are read only when regular and at most MaxFileSize bytes.
    static constexpr qint64 MaxFileSize = 16 * 1024 * 1024;

    // Writes the file whole or not at all; replaces a file at path.
    bool save(const QString &path, QString *error) const;
    // The same, but never replaces a file: fails when one exists at path.
    bool saveNew(const QString &path, QString *error) const;
    static bool load(const QString &path, ParamFile *out, QString *error);

    // The name read-params and profile export give a register's file when
    // none is named: safeName(serial) + ".params.json".
    static QString defaultFileName(const QString &serial);
    // The serial number, which the register or a file chose, with every
    // character but ASCII letters, digits, "-" and "_" replaced by "_", and
    // "_" added to a name Windows keeps for a device (CON, NUL, COM1, ...),
    // so that it names one file or folder in a given folder and nothing else.
    static QString safeName(const QString &serial);
};
