#include "goodscsv.h"

#include "classes/csv/csvreader.h"
#include "classes/csv/qcsvsource.h"
#include "goods/cp1251table.h"
#include "goods/goodstablemodel.h"

#include <QFile>
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

} // namespace

QString GoodsCsvLoad::userText() const
{
    return readerError ? goodsCsvNotLoadedText(error) : error;
}

QString goodsCsvNotLoadedText(const QString &readerMessage)
{
    return QStringLiteral("Файл не загружен, таблица осталась прежней.\n\n%1").arg(readerMessage);
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
    const QByteArray name = utf8Prefix(fileName.toUtf8(), io::error::max_file_name_length);
    try {
        SemicolonCsvReader<GoodsColumnCount> reader(name.constData(), std::make_unique<QCsvSource>(bytes));
        try {
            reader.read_header(io::ignore_extra_column, "name", "intcode", "barcode", "price", "dept");
        } catch (io::error::with_file_line &error) {
            // The reader leaves the line of a header error unset (-1).
            error.set_file_line(int(reader.get_file_line()));
            throw;
        }
        GoodsList rows;
        char *name = nullptr, *intcode = nullptr, *barcode = nullptr, *priceText = nullptr,
             *deptText = nullptr;
        while (reader.read_row(name, intcode, barcode, priceText, deptText)) {
            double price = 0;
            if (!hasRunawayExponent(priceText))
                convertField(reader, priceText, "price", price);
            int dept = 0;
            convertField(reader, deptText, "dept", dept);
            rows.append(Goods { decodeField(name, utf8), decodeField(intcode, utf8),
                                decodeField(barcode, utf8), price, dept });
        }
        result.rows.swap(rows);
    } catch (io::error::base &error) {
        result.error = readerMessage(error, utf8);
        result.readerError = true;
    } catch (const std::bad_alloc &) {
        result.error = QStringLiteral("Недостаточно памяти для загрузки файла \"%1\".").arg(fileName);
    }
    return result;
}

GoodsCsvLoad loadGoodsCsv(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        GoodsCsvLoad result;
        result.error = QStringLiteral("Не удалось открыть файл \"%1\": %2").arg(path, file.errorString());
        return result;
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        GoodsCsvLoad result;
        result.error = QStringLiteral("Не удалось прочитать файл \"%1\": %2").arg(path, file.errorString());
        return result;
    }
    file.close();
    return readGoodsCsv(bytes, path);
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

// An output buffer written through a cursor; grows only in ensure().
class Out
{
public:
    explicit Out(int reserve) { m_bytes.resize(qMax(reserve, 256)); }

    char *ensure(int more)
    {
        if (m_size + more > m_bytes.size())
            m_bytes.resize(qMax(m_bytes.size() * 2, m_size + more));
        return m_bytes.data() + m_size;
    }
    void advance(char *cursor) { m_size = int(cursor - m_bytes.constData()); }
    void append(const char *text, int size)
    {
        char *o = ensure(size);
        std::memcpy(o, text, size_t(size));
        advance(o + size);
    }
    void append(const char *text) { append(text, int(std::strlen(text))); }
    QByteArray take()
    {
        m_bytes.resize(m_size);
        return std::move(m_bytes);
    }

private:
    QByteArray m_bytes;
    int m_size = 0;
};

// A field the reader would not give back as it is, left unquoted: it holds a
// separator, a quote or a line break, or has blanks at its ends.
bool needsQuotes(const QString &text)
{
    if (text.isEmpty())
        return false;
    if (text.front() == QLatin1Char(' ') || text.back() == QLatin1Char(' '))
        return true;
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u == ';' || u == '"' || u == '\n' || u == '\r')
            return true;
    }
    return false;
}

// Writes one field's bytes, quotes doubled inside quotes. A line break would
// end the record (the reader has no multi-line fields), so it is written as a
// blank. Returns false when a character has no Windows-1251 byte.
bool appendField(Out &out, const QString &text, bool quote, bool utf8)
{
    const QByteArray utf8Bytes = utf8 ? text.toUtf8() : QByteArray();
    const int units = utf8 ? utf8Bytes.size() : text.size();
    char *o = out.ensure(2 * units + 2);
    if (quote)
        *o++ = '"';
    bool lossless = true;
    auto put = [&](char c) {
        if (c == '"' && quote) {
            *o++ = '"';
            *o++ = '"';
        } else if (c == '\n' || c == '\r') {
            *o++ = ' ';
        } else {
            *o++ = c;
        }
    };
    if (utf8) {
        for (const char c : utf8Bytes)
            put(c);
    } else {
        const uchar *map = Cp1251Table::fromUnicodeTable();
        for (const QChar qc : text) {
            const char16_t u = qc.unicode();
            if (u < 0x80) {
                put(char(u));
            } else if (const uchar b = map[u]) {
                *o++ = char(b);
            } else {
                lossless = false;
                *o++ = '?';
            }
        }
    }
    if (quote)
        *o++ = '"';
    out.advance(o);
    return lossless;
}

char *writeUnsigned(char *o, quint64 v)
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

// Whole hundredths, which is what the register keeps: "12.5", "150", "0.29".
void appendPrice(Out &out, double price)
{
    const double h = std::round(price * 100.0);
    if (!std::isfinite(h) || std::fabs(h) >= 9e15) {
        out.append(QByteArray::number(price, 'g', 17).constData());
        return;
    }
    auto v = qint64(h);
    char *o = out.ensure(24);
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
    out.advance(o);
}

void appendInt(Out &out, int value)
{
    char *o = out.ensure(12);
    qint64 v = value;
    if (v < 0) {
        *o++ = '-';
        v = -v;
    }
    out.advance(writeUnsigned(o, quint64(v)));
}

QByteArray csvBytes(const GoodsList &rows, bool utf8, bool *lossless)
{
    Out out(64 + rows.size() * 96);
    if (utf8)
        out.append(Bom, BomSize);
    out.append("name;intcode;barcode;price;dept");
    out.append(LineEnd);
    bool all = true;
    for (const Goods &g : rows) {
        all &= appendField(out, g.name, true, utf8);
        out.append(";", 1);
        all &= appendField(out, g.intcode, needsQuotes(g.intcode), utf8);
        out.append(";", 1);
        all &= appendField(out, g.barcode, needsQuotes(g.barcode), utf8);
        out.append(";", 1);
        appendPrice(out, g.price);
        out.append(";", 1);
        appendInt(out, g.dept);
        out.append(LineEnd);
        if (!all)
            break;
    }
    *lossless = all;
    return out.take();
}

} // namespace

QByteArray goodsCsvBytes(const GoodsList &rows)
{
    bool lossless = true;
    QByteArray bytes = csvBytes(rows, false, &lossless);
    // A text Windows-1251 cannot hold would be saved as "?"; UTF-8 keeps it,
    // and the loader recognises it.
    if (!lossless)
        bytes = csvBytes(rows, true, &lossless);
    return bytes;
}

bool saveGoodsCsv(const QString &path, const GoodsList &rows, QString *error)
{
    const QByteArray bytes = goodsCsvBytes(rows);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        if (error)
            *error = QStringLiteral("Не удалось открыть файл \"%1\" для записи: %2")
                         .arg(path, file.errorString());
        return false;
    }
    // Without commit() the temporary file is discarded and the old file stays.
    if (file.write(bytes) != bytes.size() || !file.commit()) {
        if (error)
            *error = QStringLiteral("Не удалось записать файл \"%1\": %2").arg(path, file.errorString());
        return false;
    }
    return true;
}
