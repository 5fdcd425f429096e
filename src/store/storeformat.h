#pragma once

#include <QSettings>

class QIODevice;

// The settings store's file format: the INI text Qt's own writer makes, byte
// for byte, so older and newer builds (and any Qt program) share the file;
// only reading and writing it is faster.
//
// Qt parses every value on each read of the file and escapes every value on
// each write, which a profile holding megabytes of goods image turns into tens
// of milliseconds per change of the device list. Here large values are kept
// with their file text in a per-process cache: a read whose text for a key is
// unchanged takes the bytes decoded before, and a write of bytes read or
// written before writes their text as it was. A file this reader cannot vouch
// for (a hand edit, damage, types it does not write) is read by Qt's own INI
// reader instead, so it is always read as Qt reads it.
//
// Qt keeps its own logic around the format: the parsed file shared by all
// QSettings of the process, reading again when another process changed the
// file, the lock file and the atomic replacement on write.
class StoreFormat
{
public:
    // Registered with QSettings once per process, extension ".conf".
    // QSettings::InvalidFormat if Qt has no room for another format.
    static QSettings::Format format();

    static bool read(QIODevice &device, QSettings::SettingsMap &map);
    static bool write(QIODevice &device, const QSettings::SettingsMap &map);

    // The keys of a file in exactly the form write() gives it, on Linux
    // ("\n" line ends) or Windows ("\r\n", as Qt writes there); false for
    // anything else, which read() then leaves to Qt.
    static bool parse(const QByteArray &text, QSettings::SettingsMap &map);
};
