#pragma once

#include "goods/goods.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVector>

class GoodsTableModel;

// Goods CSV files: header "name;intcode;barcode;price;dept", ";" between
// fields. Saved in Windows-1251 (UTF-8 with a byte order mark only when a
// text has a character that code page lacks); loaded as UTF-8 when the bytes
// are valid UTF-8 with non-ASCII characters or start with a byte order mark,
// otherwise as Windows-1251.

struct GoodsCsvLoad
{
    GoodsList rows;
    // Empty on success. Otherwise the reader's own message (English) when
    // readerError is set, or a Russian one for a file that could not be read.
    QString error;
    bool readerError = false;
    // With readerError: what went wrong in Russian, naming the line and the
    // column ("Строка 3, столбец «price»: «12р» — не число."). It may be all
    // there is, then error holds the same text.
    QString detail;
    // The separator the file was read with: ';', or ',' for a file whose
    // header has the five names between commas and no ";".
    char separator = ';';

    bool ok() const { return error.isEmpty(); }
    // The text for the user: that the file was not loaded, the Russian line
    // and the reader's own message; or the Russian message as it is.
    QString userText() const;
};

// Parses a file's contents; fileName is what the reader's messages name.
// Messages are the reader's own, with two repairs: a header error names line
// 1 (the reader says -1), and a quoted field of a Windows-1251 file appears
// decoded. A price whose exponent is -2^31 or below, on which the reader's
// number parser would never return, is read as 0.
//
// Beyond the reader, as spreadsheets write files: a quoted field that spans
// lines is read with a blank for each line break (line numbers in messages
// stay those of the file); a price may group its thousands with blanks or
// no-break spaces ("1 234,50"); a file whose header has the five names
// separated by commas (and no ";") is read with ",", and one whose header
// is otherwise comma-separated is refused with "В файле разделитель «,»,
// ожидается «;»" rather than a missing column.
GoodsCsvLoad readGoodsCsv(const QByteArray &bytes, const QString &fileName);
// Files larger than this are refused unread: a full catalogue of the largest
// goods area is a fraction of it.
constexpr qint64 GoodsCsvMaxFileSize = 64 * 1024 * 1024;

// Reads the file and parses it. Only a regular file of at most
// GoodsCsvMaxFileSize bytes is read (devices and pipes report no size, and
// some never end).
GoodsCsvLoad loadGoodsCsv(const QString &path);
// Loads the file into the model (one model reset) only when all of it parsed;
// otherwise the model keeps its rows. The result's rows are left empty.
GoodsCsvLoad loadGoodsCsv(const QString &path, GoodsTableModel &model);

// The file's bytes for rows in their order, with the platform's line end:
// names always quoted, internal code and barcode quoted only when the reader
// would not give them back otherwise (a ";", a quote, blanks at an end),
// prices in whole hundredths ("12.5", "150"), line breaks inside texts as
// blanks (the reader has no multi-line fields).
QByteArray goodsCsvBytes(const GoodsList &rows);
// Writes the file through a temporary file that replaces it only when whole,
// so a failed save never leaves a truncated file behind. On failure returns
// false and, when error is given, a Russian message naming the file and the
// reason.
bool saveGoodsCsv(const QString &path, const GoodsList &rows, QString *error = nullptr);

// Any table in the goods files' form: ";" between fields, a field quoted
// where the reader would not give it back otherwise, line breaks in texts as
// blanks, and the same choice of Windows-1251 or UTF-8 with a byte order mark.
QByteArray csvTableBytes(const QVector<QStringList> &lines);
// Writes bytes as saveGoodsCsv() writes its file, with the same messages.
bool saveCsvFile(const QString &path, const QByteArray &bytes, QString *error = nullptr);
