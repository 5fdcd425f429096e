#include "goodscsv.h"

#include "classes/boundedfile.h"
#include "classes/csv/csvreader.h"
#include "classes/csv/qcsvsource.h"
#include "classes/fileerror.h"
#include "goods/cp1251table.h"
#include "goods/goodstablemodel.h"

#include <QSaveFile>

#include <cmath>
#include <cstring>
#include <memory>
#include <new>

namespace {

const char Bom[] = "\xEF\xBB\xBF";
constexpr int BomSize = 3;

#ifdef Q_OS_WIN
const char LineEnd[] = "\r\n";
#else
const char LineEnd[] = "\n";
#endif

// Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
bool isUtf8(const uchar *p, const uchar *end, bool *nonAscii)
{
    *nonAscii = false;
    while (p < end) {
        // Plain ASCII, eight bytes at a time.
        while (end - p >= 8) {
            quint64 word;
            std::memcpy(&word, p, sizeof word);
            if (word & 0x8080808080808080ULL)
                break;
            p += 8;
        }
        if (p == end)
            break;
        const uchar b = *p;
        if (b < 0x80) {
            ++p;
            continue;
        }
        *nonAscii = true;
        int extra;
        uchar lo = 0x80, hi = 0xBF; // range of the second byte
        if (b >= 0xC2 && b <= 0xDF) {
            extra = 1;
        } else if (b >= 0xE0 && b <= 0xEF) {
            extra = 2;
            if (b == 0xE0)
                lo = 0xA0;
            else if (b == 0xED)
                hi = 0x9F;
        } else if (b >= 0xF0 && b <= 0xF4) {
            extra = 3;
            if (b == 0xF0)
                lo = 0x90;
            else if (b == 0xF4)
                hi = 0x8F;
        } else {
            return false;
        }
        if (end - p <= extra)
            return false;
        if (p[1] < lo || p[1] > hi)
            return false;
        for (int i = 2; i <= extra; ++i)
            if ((p[i] & 0xC0) != 0x80)
                return false;
        p += extra + 1;
    }
    return true;
}

// At most max bytes of UTF-8 text, not ending inside a character.
QByteArray utf8Prefix(const QByteArray &utf8, int max)
{
    if (utf8.size() <= max)
        return utf8;
    int n = max;
    while (n > 0 && (uchar(utf8.at(n)) & 0xC0) == 0x80)
        --n;
    return utf8.left(n);
}

QString decodeField(const char *text, bool utf8)
{
    const int size = int(std::strlen(text));
    return utf8 ? QString::fromUtf8(text, size) : Cp1251Table::decode(text, size);
}

// The reader's message as UTF-8 text: it quotes a field's raw bytes, which in
// a Windows-1251 file are no UTF-8.
QString readerMessage(io::error::base &error, bool utf8)
{
    if (auto *content = dynamic_cast<io::error::with_column_content *>(&error)) {
        const QString text = decodeField(content->column_content, utf8);
        const QByteArray bytes = utf8Prefix(text.toUtf8(), io::error::max_column_content_length);
        content->set_column_content(bytes.constData());
    }
    return QString::fromUtf8(error.what());
}

// The reader's number parser negates an exponent of -2^31 and then loops
// forever; such a number is 0 whatever its digits. Anything else that is no
// number is left to the parser, which reports it.
bool hasRunawayExponent(const char *p)
{
    auto digit = [](char c) { return c >= '0' && c <= '9'; };
    if (*p == '-' || *p == '+')
        ++p;
    while (digit(*p))
        ++p;
    if (*p == '.' || *p == ',')
        for (++p; digit(*p); ++p) { }
    if ((*p != 'e' && *p != 'E') || p[1] != '-')
        return false;
    constexpr qint64 Limit = qint64(1) << 31;
    qint64 e = 0;
    for (p += 2; *p; ++p) {
        if (!digit(*p))
            return false;
        e = e * 10 + (*p - '0');
        if (e > Limit)
            return true; // the parser stops at its underflow, unread digits and all
    }
    return e == Limit;
}

int lineCount(const QByteArray &bytes)
{
    int n = 0;
    const char *p = bytes.constData();
    const char *const end = bytes.constEnd();
    while ((p = static_cast<const char *>(std::memchr(p, '\n', size_t(end - p))))) {
        ++n;
        ++p;
    }
    return n;
}

// Converts a field as the reader's read_row() does, with the same message
// details (the reader itself would take "price" and "dept" as numbers).
template<typename Reader, typename T>
void convertField(const Reader &reader, char *field, const char *column, T &value)
{
    try {
        io::detail::parse<io::throw_on_overflow>(field, value);
    } catch (io::error::base &error) {
        if (auto *e = dynamic_cast<io::error::with_column_content *>(&error))
            e->set_column_content(field);
        if (auto *e = dynamic_cast<io::error::with_column_name *>(&error))
            e->set_column_name(column);
        if (auto *e = dynamic_cast<io::error::with_file_name *>(&error))
            e->set_file_name(reader.get_truncated_file_name());
        if (auto *e = dynamic_cast<io::error::with_file_line *>(&error))
            e->set_file_line(int(reader.get_file_line()));
        throw;
    }
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// The length of a thousands separator at p: a blank, or a no-break space
// (U+00A0 in Windows-1251 or UTF-8, U+202F in UTF-8); 0 for anything else.
int groupSeparatorAt(const char *p)
{
    if (*p == ' ' || *p == '\xA0')
        return 1;
    if (p[0] == '\xC2' && p[1] == '\xA0')
        return 2;
    if (p[0] == '\xE2' && p[1] == '\x80' && p[2] == '\xAF')
        return 3;
    return 0;
}

// Removes thousands separators from a price written as spreadsheets do,
// "1 234 567,50": a sign, one to three digits, then groups of a separator
// and exactly three digits, then the decimals. Anything else is left for
// the number parser, which accepts or reports it.
void dropThousandsSeparators(char *price)
{
    const char *p = price;
    if (*p == '+' || *p == '-')
        ++p;
    const char *digits = p;
    while (isDigit(*p))
        ++p;
    if (p == digits || p - digits > 3 || !groupSeparatorAt(p))
        return;
    while (const int n = groupSeparatorAt(p)) {
        if (!isDigit(p[n]) || !isDigit(p[n + 1]) || !isDigit(p[n + 2]) || isDigit(p[n + 3]))
            return;
        p += n + 3;
    }
    if (*p != '\0' && *p != '.' && *p != ',')
        return;
    char *out = price;
    for (const char *in = price; *in;) {
        if (const int n = groupSeparatorAt(in)) {
            in += n;
            continue;
        }
        *out++ = *in++;
    }
    *out = '\0';
}

// A spreadsheet writes a cell with line breaks as a quoted field spanning
// lines; the reader reads no such field. Each line break inside one becomes
// a blank (what saving writes for it). Only a field that opens with a quote
// (after blanks) and whose quote closes before a separator or the line end,
// within MaxCellBreaks line breaks, is joined: a stray quote elsewhere is
// left for the reader to report as before. lineOf[i] is the file's line
// number of the joined text's line i + 1. A null array: nothing to join.
constexpr int MaxCellBreaks = 16;

QByteArray joinQuotedLineBreaks(const QByteArray &bytes, char separator, QVector<int> *lineOf)
{
    const char *data = bytes.constData();
    const qsizetype n = bytes.size();
    QVector<qsizetype> joins; // offsets of the line breaks that become blanks
    qsizetype pos = 0;
    while (pos < n) {
        const qsizetype lineStart = pos;
        QVector<qsizetype> pending;
        bool inQuote = false, fieldStart = true, quotedField = false, abandon = false;
        qsizetype q = pos;
        while (true) {
            if (q == n) {
                abandon = inQuote;
                break;
            }
            const char c = data[q];
            if (inQuote) {
                if (c == '"') {
                    if (q + 1 < n && data[q + 1] == '"') {
                        q += 2;
                        continue;
                    }
                    inQuote = false;
                    ++q;
                    if (!pending.isEmpty()) {
                        qsizetype r = q;
                        while (r < n && data[r] == ' ')
                            ++r;
                        if (r < n && data[r] != separator && data[r] != '\n' && data[r] != '\r') {
                            abandon = true;
                            break;
                        }
                    }
                } else if (c == '\n') {
                    if (!quotedField || pending.size() >= MaxCellBreaks) {
                        abandon = true;
                        break;
                    }
                    pending.append(q++);
                } else {
                    ++q;
                }
                continue;
            }
            ++q;
            if (c == '\n')
                break;
            if (c == '"') {
                inQuote = true;
                quotedField = fieldStart;
                fieldStart = false;
            } else if (c == separator) {
                fieldStart = true;
            } else if (c != ' ') {
                fieldStart = false;
            }
        }
        if (abandon) {
            // This line reaches the reader as it is; the next starts after it.
            const void *nl = std::memchr(data + lineStart, '\n', size_t(n - lineStart));
            pos = nl ? static_cast<const char *>(nl) - data + 1 : n;
        } else {
            joins += pending;
            pos = q;
        }
    }
    if (joins.isEmpty())
        return QByteArray();

    QByteArray out;
    out.reserve(bytes.size());
    lineOf->clear();
    lineOf->append(1);
    int line = 1;
    qsizetype from = 0;
    int next = 0; // the next join
    for (qsizetype at = 0; at < n; ++at) {
        if (data[at] != '\n')
            continue;
        ++line;
        if (next < joins.size() && joins.at(next) == at) {
            ++next;
            const qsizetype cut = at > from && data[at - 1] == '\r' ? at - 1 : at;
            out.append(data + from, int(cut - from));
            out.append(' ');
            from = at + 1;
        } else {
            lineOf->append(line);
        }
    }
    out.append(data + from, int(n - from));
    return out;
}

// What went wrong, in Russian, naming the line and the column. Call after
// readerMessage(), which leaves the field's text in UTF-8.
QString russianDetail(const io::error::base &error)
{
    const auto *lined = dynamic_cast<const io::error::with_file_line *>(&error);
    const QString line = lined ? QString::number(lined->file_line) : QStringLiteral("?");
    const auto *named = dynamic_cast<const io::error::with_column_name *>(&error);
    const QString column = named ? QString::fromUtf8(named->column_name) : QString();
    const auto *content = dynamic_cast<const io::error::with_column_content *>(&error);
    const QString text = content ? QString::fromUtf8(content->column_content) : QString();
    if (dynamic_cast<const io::error::header_missing *>(&error))
        return QStringLiteral("В файле нет ни одной строки, даже строки заголовка.");
    if (dynamic_cast<const io::error::missing_column_in_header *>(&error))
        return QStringLiteral("Строка 1 (заголовок): нет столбца «%1».").arg(column);
    if (dynamic_cast<const io::error::duplicated_column_in_header *>(&error))
        return QStringLiteral("Строка 1 (заголовок): столбец «%1» указан дважды.").arg(column);
    if (dynamic_cast<const io::error::too_few_columns *>(&error))
        return QStringLiteral("Строка %1: столбцов меньше, чем в заголовке.").arg(line);
    if (dynamic_cast<const io::error::too_many_columns *>(&error))
        return QStringLiteral("Строка %1: столбцов больше, чем в заголовке.").arg(line);
    if (dynamic_cast<const io::error::escaped_string_not_closed *>(&error))
        return QStringLiteral("Строка %1: кавычка открыта, но не закрыта.").arg(line);
    if (dynamic_cast<const io::error::integer_overflow *>(&error))
        return QStringLiteral("Строка %1, столбец «%2»: число «%3» слишком велико.").arg(line, column, text);
    if (dynamic_cast<const io::error::integer_underflow *>(&error))
        return QStringLiteral("Строка %1, столбец «%2»: число «%3» слишком мало.").arg(line, column, text);
    if (dynamic_cast<const io::error::line_length_limit_exceeded *>(&error))
        return QStringLiteral("Строка %1 длиннее 2^24-1 байт.").arg(line);
    if (content)
        return QStringLiteral("Строка %1, столбец «%2»: «%3» — не число.").arg(line, column, text);
    return QStringLiteral("Строка %1: файл не прочитан.").arg(line);
}

// One reading of the file with one separator.
struct Attempt
{
    GoodsList rows;
    bool ok = false;
    bool missingColumn = false;
    bool notClosed = false;
    QString error;
    QString detail;
};

template<char Separator>
Attempt readRows(const QByteArray &bytes, bool utf8, const QByteArray &shownName, const QVector<int> *lineOf)
{
    Attempt result;
    try {
        CsvReader<GoodsColumnCount, Separator> reader(shownName.constData(),
                                                      std::make_unique<QCsvSource>(bytes));
        try {
            reader.read_header(io::ignore_extra_column, "name", "intcode", "barcode", "price", "dept");
        } catch (io::error::with_file_line &error) {
            // The reader leaves the line of a header error unset (-1).
            error.set_file_line(int(reader.get_file_line()));
            throw;
        }
        GoodsList rows;
        rows.reserve(lineCount(bytes));
        char *name = nullptr, *intcode = nullptr, *barcode = nullptr, *priceText = nullptr,
             *deptText = nullptr;
        while (reader.read_row(name, intcode, barcode, priceText, deptText)) {
            double price = 0;
            dropThousandsSeparators(priceText);
            if (!hasRunawayExponent(priceText))
                convertField(reader, priceText, "price", price);
            int dept = 0;
            convertField(reader, deptText, "dept", dept);
            rows.append(Goods { decodeField(name, utf8), decodeField(intcode, utf8),
                                decodeField(barcode, utf8), price, dept });
        }
        result.rows.swap(rows);
        result.ok = true;
    } catch (io::error::base &error) {
        // Lines of the joined text are named as the file numbers them.
        if (auto *lined = dynamic_cast<io::error::with_file_line *>(&error)) {
            if (lineOf && lined->file_line >= 1 && lined->file_line <= lineOf->size())
                lined->set_file_line(lineOf->at(lined->file_line - 1));
        }
        result.error = readerMessage(error, utf8);
        result.detail = russianDetail(error);
        result.missingColumn = dynamic_cast<io::error::missing_column_in_header *>(&error) != nullptr;
        result.notClosed = dynamic_cast<io::error::escaped_string_not_closed *>(&error) != nullptr;
    }
    return result;
}

// Reads with one separator, and again with quoted line breaks joined when
// the reader found a quote not closed.
template<char Separator> Attempt readFile(const QByteArray &bytes, bool utf8, const QByteArray &shownName)
{
    Attempt first = readRows<Separator>(bytes, utf8, shownName, nullptr);
    if (first.ok || !first.notClosed)
        return first;
    QVector<int> lineOf;
    const QByteArray joined = joinQuotedLineBreaks(bytes, Separator, &lineOf);
    if (joined.isNull())
        return first;
    return readRows<Separator>(joined, utf8, shownName, &lineOf);
}

// The header line (the first line, without a byte order mark) holds "," and
// no ";".
bool commaHeader(const QByteArray &bytes, int skip)
{
    int end = bytes.indexOf('\n', skip);
    if (end < 0)
        end = bytes.size();
    const QByteArray header = bytes.mid(skip, end - skip);
    return header.contains(',') && !header.contains(';');
}

} // namespace

QString GoodsCsvLoad::userText() const
{
    if (!readerError)
        return error;
    QString text = QStringLiteral("Файл не загружен, таблица осталась прежней.");
    if (!detail.isEmpty())
        text += QLatin1Char('\n') + detail;
    if (!error.isEmpty() && error != detail)
        text += QStringLiteral("\n\n") + error;
    return text;
}

GoodsCsvLoad readGoodsCsv(const QByteArray &bytes, const QString &fileName)
{
    GoodsCsvLoad result;
    const bool bom = bytes.startsWith(Bom);
    const auto *begin = reinterpret_cast<const uchar *>(bytes.constData()) + (bom ? BomSize : 0);
    bool nonAscii = false;
    const bool utf8
        = isUtf8(begin, reinterpret_cast<const uchar *>(bytes.constEnd()), &nonAscii) && (bom || nonAscii);
    // Cut here, on a character boundary, rather than by the reader.
    const QByteArray shownName = utf8Prefix(fileName.toUtf8(), io::error::max_file_name_length);
    try {
        Attempt read = readFile<';'>(bytes, utf8, shownName);
        if (!read.ok && read.missingColumn && commaHeader(bytes, bom ? BomSize : 0)) {
            Attempt comma = readFile<','>(bytes, utf8, shownName);
            if (comma.ok) {
                result.separator = ',';
                read = comma;
            } else if (comma.missingColumn) {
                read.error = read.detail = QStringLiteral("В файле разделитель «,», ожидается «;».");
            } else {
                read = comma;
                read.detail
                    = QStringLiteral("Файл прочитан с разделителем «,», как в его заголовке. ") + read.detail;
            }
        }
        if (read.ok) {
            result.rows.swap(read.rows);
        } else {
            result.error = read.error;
            result.detail = read.detail;
            result.readerError = true;
        }
    } catch (const std::bad_alloc &) {
        result.error = QStringLiteral("Недостаточно памяти для загрузки файла \"%1\".").arg(fileName);
    }
    return result;
}

GoodsCsvLoad loadGoodsCsv(const QString &path)
{
    const BoundedFile::Result read = BoundedFile::read(path, GoodsCsvMaxFileSize);
    GoodsCsvLoad result;
    switch (read.status) {
    case BoundedFile::Status::Ok:
        return readGoodsCsv(read.bytes, path);
    case BoundedFile::Status::CannotOpen:
        result.error = QStringLiteral("Не удалось открыть файл \"%1\": %2").arg(path, read.error);
        break;
    case BoundedFile::Status::ReadError:
        result.error = QStringLiteral("Не удалось прочитать файл \"%1\": %2").arg(path, read.error);
        break;
    case BoundedFile::Status::NotRegular:
        result.error = QStringLiteral("\"%1\" — не обычный файл, его нельзя загрузить.").arg(path);
        break;
    case BoundedFile::Status::TooLarge:
        result.error = QStringLiteral("Файл \"%1\" больше %2 МБ: это не каталог товаров ККТ.")
                           .arg(path)
                           .arg(GoodsCsvMaxFileSize / (1024 * 1024));
        break;
    }
    return result;
}

GoodsCsvLoad loadGoodsCsv(const QString &path, GoodsTableModel &model)
{
    GoodsCsvLoad result = loadGoodsCsv(path);
    if (result.ok())
        model.setGoods(std::move(result.rows));
    result.rows = GoodsList();
    return result;
}

namespace {

// An output buffer written through a cursor; grows only in reserve().
class Out
{
public:
    explicit Out(int capacity) { m_bytes.resize(qMax(capacity, 256)); }

    // A cursor with room for at least more bytes; hand it back to commit().
    char *reserve(int more)
    {
        if (m_size + more > m_bytes.size())
            m_bytes.resize(qMax(m_bytes.size() * 2, m_size + more));
        return m_bytes.data() + m_size;
    }
    void commit(const char *cursor) { m_size = int(cursor - m_bytes.constData()); }
    void append(const char *text, int size)
    {
        char *o = reserve(size);
        std::memcpy(o, text, size_t(size));
        commit(o + size);
    }
    QByteArray take()
    {
        m_bytes.resize(m_size);
        return std::move(m_bytes);
    }

private:
    QByteArray m_bytes;
    int m_size = 0;
};

// A field the reader would not give back as it is written, left unquoted: it
// holds a separator or a quote, or has blanks at its ends. Line breaks are
// written as blanks, so they count as blanks (and the same text saved again
// is quoted the same way).
bool needsQuotes(const QString &text)
{
    if (text.isEmpty())
        return false;
    const auto blank
        = [](QChar c) { return c == QLatin1Char(' ') || c == QLatin1Char('\n') || c == QLatin1Char('\r'); };
    if (blank(text.front()) || blank(text.back()))
        return true;
    for (const QChar c : text) {
        if (c == QLatin1Char(';') || c == QLatin1Char('"'))
            return true;
    }
    return false;
}

class CsvWriter
{
public:
    CsvWriter(int rows, bool utf8)
        : m_out(64 + rows * 96)
        , m_utf8(utf8)
        , m_map(Cp1251Table::fromUnicodeTable())
    {
        // Output bytes that need more than a copy: a quote (doubled inside
        // quotes), line breaks (the reader has no multi-line fields, so they
        // become blanks) and 0, which the table gives for "no such byte".
        m_special[uchar('"')] = m_special[uchar('\n')] = m_special[uchar('\r')] = m_special[0] = true;
    }

    // False once a text had a character Windows-1251 lacks.
    bool lossless() const { return m_lossless; }

    void append(const char *text, int size) { m_out.append(text, size); }

    void field(const QString &text, bool quote)
    {
        const int units = m_utf8 ? text.size() * 3 : text.size();
        char *o = m_out.reserve(2 * units + 2);
        if (quote)
            *o++ = '"';
        if (m_utf8) {
            const QByteArray bytes = text.toUtf8();
            for (const char c : bytes)
                o = put(o, uchar(c), quote);
        } else {
            const auto *src = reinterpret_cast<const char16_t *>(text.constData());
            for (int i = 0; i < units; ++i) {
                uchar b = m_map[src[i]];
                if (Q_UNLIKELY(b == 0 && src[i] != 0)) {
                    m_lossless = false;
                    b = '?';
                }
                o = put(o, b, quote);
            }
        }
        if (quote)
            *o++ = '"';
        m_out.commit(o);
    }

    // The price in whole hundredths, which is what the register keeps:
    // "12.5", "150", "0.29"; then ";", the department and the line end.
    void priceDeptLineEnd(double price, int dept)
    {
        const double h = std::round(price * 100.0);
        if (!std::isfinite(h) || std::fabs(h) >= 9e15) {
            const QByteArray text = QByteArray::number(price, 'g', 17);
            m_out.append(text.constData(), text.size());
        } else {
            char *o = m_out.reserve(24);
            auto v = qint64(h);
            if (v < 0) {
                *o++ = '-';
                v = -v;
            }
            o = writeUnsigned(o, quint64(v / 100));
            const int frac = int(v % 100);
            if (frac) {
                *o++ = '.';
                *o++ = char('0' + frac / 10);
                if (frac % 10)
                    *o++ = char('0' + frac % 10);
            }
            m_out.commit(o);
        }
        char *o = m_out.reserve(16);
        *o++ = ';';
        qint64 d = dept;
        if (d < 0) {
            *o++ = '-';
            d = -d;
        }
        o = writeUnsigned(o, quint64(d));
        for (const char *e = LineEnd; *e; ++e)
            *o++ = *e;
        m_out.commit(o);
    }

    QByteArray take() { return m_out.take(); }

private:
    char *put(char *o, uchar b, bool quote) const
    {
        if (Q_UNLIKELY(m_special[b])) {
            if (b == '"' && quote)
                *o++ = '"';
            else if (b == '\n' || b == '\r')
                b = ' ';
        }
        *o++ = char(b);
        return o;
    }

    static char *writeUnsigned(char *o, quint64 v)
    {
        char digits[20];
        int n = 0;
        do {
            digits[n++] = char('0' + v % 10);
            v /= 10;
        } while (v);
        while (n)
            *o++ = digits[--n];
        return o;
    }

    Out m_out;
    bool m_utf8;
    bool m_lossless = true;
    const uchar *m_map;
    bool m_special[256] = {};
};

QByteArray csvBytes(const GoodsList &rows, bool utf8, bool *lossless)
{
    CsvWriter w(rows.size(), utf8);
    if (utf8)
        w.append(Bom, BomSize);
    const QByteArray header = QByteArray("name;intcode;barcode;price;dept") + LineEnd;
    w.append(header.constData(), header.size());
    for (const Goods &g : rows) {
        w.field(g.name, true);
        w.append(";", 1);
        w.field(g.intcode, needsQuotes(g.intcode));
        w.append(";", 1);
        w.field(g.barcode, needsQuotes(g.barcode));
        w.append(";", 1);
        w.priceDeptLineEnd(g.price, g.dept);
        if (!w.lossless())
            break;
    }
    *lossless = w.lossless();
    return w.take();
}

} // namespace

QByteArray goodsCsvBytes(const GoodsList &rows)
{
    bool lossless = true;
    QByteArray bytes = csvBytes(rows, false, &lossless);
    // A text Windows-1251 cannot hold would be saved as "?"; UTF-8 keeps it,
    // and the loader recognises it. So it does for Windows-1251 bytes that
    // happen to form valid UTF-8 ("ВЁ" is C2 A8), which would load as other
    // text: the mark tells the loader.
    bool nonAscii = false;
    const bool looksUtf8 = isUtf8(reinterpret_cast<const uchar *>(bytes.constData()),
                                  reinterpret_cast<const uchar *>(bytes.constEnd()), &nonAscii)
        && nonAscii;
    if (!lossless || looksUtf8)
        bytes = csvBytes(rows, true, &lossless);
    return bytes;
}

QByteArray csvTableBytes(const QVector<QStringList> &lines)
{
    QString text;
    for (const QStringList &fields : lines) {
        for (int i = 0; i < fields.size(); ++i) {
            if (i > 0)
                text += QLatin1Char(';');
            // The reader has no multi-line fields: line breaks are written as blanks.
            QString field = fields.at(i);
            field.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
            if (needsQuotes(field))
                text += QLatin1Char('"') + field.replace(QLatin1Char('"'), QLatin1String("\"\""))
                    + QLatin1Char('"');
            else
                text += field;
        }
        text += QLatin1String(LineEnd);
    }
    // The goods files' rule: Windows-1251 unless it cannot hold the text or its
    // bytes would read back as UTF-8.
    if (Cp1251Table::canEncode(text)) {
        const QByteArray bytes = Cp1251Table::encode(text);
        bool nonAscii = false;
        const bool looksUtf8 = isUtf8(reinterpret_cast<const uchar *>(bytes.constData()),
                                      reinterpret_cast<const uchar *>(bytes.constEnd()), &nonAscii)
            && nonAscii;
        if (!looksUtf8)
            return bytes;
    }
    return QByteArray(Bom, BomSize) + text.toUtf8();
}

bool saveGoodsCsv(const QString &path, const GoodsList &rows, QString *error)
{
    return saveCsvFile(path, goodsCsvBytes(rows), error);
}

bool saveCsvFile(const QString &path, const QByteArray &bytes, QString *error)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        if (error)
            *error = QStringLiteral("Не удалось открыть файл \"%1\" для записи: %2")
                         .arg(path, FileError::reason(file.errorString()));
        return false;
    }
    // Without commit() the temporary file is discarded and the old file stays.
    if (file.write(bytes) != bytes.size() || !file.commit()) {
        if (error)
            *error = QStringLiteral("Не удалось записать файл \"%1\": %2")
                         .arg(path, FileError::reason(file.errorString()));
        return false;
    }
    return true;
}
