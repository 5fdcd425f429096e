#pragma once

#include "app/deviceentry.h"
#include "link/exchangejournal.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVector>

// The diagnostics file a user attaches to a support request: program, Qt
// and system versions, the device list and the exchange journal, with every
// serial number and taxpayer number masked but for its last four characters
// (IdentifierMask).
namespace Diagnostics {

struct Input
{
    QDateTime created;
    QList<DeviceEntry> devices;
    QStringList profileKeys; // serial numbers that have a stored profile
    QVector<JournalLine> journal;
    int journalCapacity = ExchangeJournal::DefaultCapacity;
};

// What the program holds now: the device list and profiles from the
// settings store, the lines of ExchangeJournal::instance().
Input current();

// The file's text, masked.
QString text(const Input &input);

// Writes the text as UTF-8 through QSaveFile: a file that cannot be written
// is named with the reason in *error, and an existing file stays as it was.
bool save(const QString &path, const QString &text, QString *error = nullptr);

} // namespace Diagnostics
