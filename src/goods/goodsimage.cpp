#include "goodsimage.h"

#include "goods/cp1251table.h"

#include <QLocale>
#include <QObject>
#include <QtEndian>

#include <cmath>
#include <cstring>
#include <limits>

namespace {

constexpr int NumberOffset = 0;
constexpr int DeptOffset = 2;
constexpr int IntcodeOffset = 3;
constexpr int IntcodeWidth = 6;
constexpr int BarcodeOffset = 9;
constexpr int BarcodeWidth = 7;
constexpr int NameOffset = 16;
constexpr int NameWidth = 85;
constexpr int PriceOffset = 101;
constexpr int CheckOffset = GoodsRecordSize - 1;
constexpr qint16 TerminatorNumber = -1;

// Below 10^15 currency units; far inside the field's 64 bits and exact as a double.
constexpr double PriceHundredthsLimit = 1e17;

double priceHundredths(double price)
{
    // -0.0 (a rounded tiny negative) compares equal to 0 and is written as 0.
    return std::round(price * 100.0);
}

char checkByte(const char *record)
{
    quint64 acc = 0;
    int i = 0;
    for (; i + 8 <= CheckOffset; i += 8) {
        quint64 word;
        std::memcpy(&word, record + i, sizeof word);
        acc ^= word;
    }
    acc ^= acc >> 32;
    acc ^= acc >> 16;
    acc ^= acc >> 8;
    char x = char(acc);
    for (; i < CheckOffset; ++i)
        x ^= record[i];
    return x;
}

void packBarcode(const QString &barcode, char *out)
{
    char bytes[GoodsBarcodeDigits];
    const int count = Cp1251Table::encodeAppend(barcode, bytes, GoodsBarcodeDigits);
    const int filler = GoodsBarcodeDigits - count;
    std::memset(out, 0xFF, size_t(filler / 2));
    char *dst = out + filler / 2;
    int i = 0;
    if (filler % 2) {
        *dst++ = char(0xF0 | (bytes[0] & 0x0F));
        i = 1;
    }
    for (; i < count; i += 2)
        *dst++ = char(((bytes[i] & 0x0F) << 4) | (bytes[i + 1] & 0x0F));
}

// Saturates rather than wraps: a wrapped 65535 would read as the terminator
// and cut a long catalogue short. Readers do not need the numbers in sequence.
qint16 recordNumber(int row)
{
    return qint16(qMin(row + 1, int(std::numeric_limits<qint16>::max())));
}

void writeRecord(char *r, qint16 number, const Goods &g, quint64 price)
{
    std::memset(r, 0, GoodsRecordSize);
    qToLittleEndian<qint16>(number, r + NumberOffset);
    r[DeptOffset] = char(g.dept & 0xFF);
    Cp1251Table::encodeAppend(g.intcode, r + IntcodeOffset, GoodsIntcodeBytes);
    packBarcode(g.barcode, r + BarcodeOffset);
    Cp1251Table::encodeAppend(g.name, r + NameOffset, GoodsNameBytes);
    qToLittleEndian<quint64>(price, r + PriceOffset);
    r[CheckOffset] = checkByte(r);
}

// Text the record holds exactly: at most limit characters, each one byte of
// Windows-1251 other than 0 (a NUL would end the text when read).
bool textFits(const QString &text, int limit)
{
    if (text.size() > limit)
        return false;
    const uchar *map = Cp1251Table::fromUnicodeTable();
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u == 0 || (u >= 0x80 && map[u] == 0))
            return false;
    }
    return true;
}

// Why textFits() refused, naming the first character that cannot go in, or
// the length.
QString textFault(const QString &what, const QString &text, int limit)
{
    const uchar *map = Cp1251Table::fromUnicodeTable();
    for (int i = 0; i < text.size(); ++i) {
        const char16_t u = text.at(i).unicode();
        if (u == 0)
            return QObject::tr("%1: символ U+0000 оборвал бы текст в записи ККТ").arg(what);
        if (u >= 0x80 && map[u] == 0) {
            const uint code = text.at(i).isHighSurrogate() && i + 1 < text.size()
                ? QChar::surrogateToUcs4(text.at(i), text.at(i + 1))
                : uint(u);
            return QObject::tr("%1: символ «%2» U+%3 не представим в кодировке Windows-1251")
                .arg(what, QString::fromUcs4(&code, 1),
                     QString::number(code, 16).toUpper().rightJustified(4, QLatin1Char('0')));
        }
    }
    return QObject::tr("%1 длиннее %2 байт в кодировке Windows-1251 (%3 байт)")
        .arg(what)
        .arg(limit)
        .arg(text.size());
}

// The barcode as it would read back from the record, compared without
// building it: pack into the field, then walk it as unpackGoodsBarcode() does.
bool barcodeFits(const QString &barcode)
{
    if (barcode.size() > GoodsBarcodeDigits)
        return false;
    char field[BarcodeWidth];
    packBarcode(barcode, field);
    int at = 0;
    const auto expect = [&](int digit) {
        return at < barcode.size() && barcode.at(at++).unicode() == char16_t('0' + digit);
    };
    for (const char c : field) {
        const auto b = uchar(c);
        if (b == 0xFF)
            continue;
        if ((b & 0xF0) != 0xF0 && !expect(b >> 4))
            return false;
        if (!expect(b & 0x0F))
            return false;
    }
    return at == barcode.size();
}

bool rowFits(const Goods &g)
{
    return isEncodablePrice(g.price) && g.dept >= 0 && g.dept <= 0xFF && textFits(g.name, GoodsNameBytes)
        && textFits(g.intcode, GoodsIntcodeBytes) && barcodeFits(g.barcode);
}

QString decodeText(const char *field, int width)
{
    const void *nul = std::memchr(field, 0, size_t(width));
    const int size = nul ? int(static_cast<const char *>(nul) - field) : width;
    return Cp1251Table::decode(field, size);
}

} // namespace

bool isEncodablePrice(double price)
{
    const double h = priceHundredths(price);
    return std::isfinite(h) && h >= 0 && h < PriceHundredthsLimit;
}

GoodsRowFault goodsRowFault(const Goods &g)
{
    GoodsRowFault fault;
    const auto refuse = [&fault](int column, const QString &reason) {
        fault.column = column;
        fault.reason = reason;
        return fault;
    };
    if (!textFits(g.name, GoodsNameBytes))
        return refuse(GoodsNameColumn, textFault(QObject::tr("наименование"), g.name, GoodsNameBytes));
    if (!textFits(g.intcode, GoodsIntcodeBytes))
        return refuse(GoodsIntcodeColumn,
                      textFault(QObject::tr("внутренний код"), g.intcode, GoodsIntcodeBytes));
    if (!barcodeFits(g.barcode)) {
        if (g.barcode.size() > GoodsBarcodeDigits)
            return refuse(GoodsBarcodeColumn,
                          QObject::tr("штрихкод длиннее %1 цифр (%2 символов)")
                              .arg(GoodsBarcodeDigits)
                              .arg(g.barcode.size()));
        return refuse(
            GoodsBarcodeColumn,
            QObject::tr("штрихкод «%1»: запись ККТ хранит в штрихкоде только цифры").arg(g.barcode));
    }
    if (!isEncodablePrice(g.price))
        return refuse(GoodsPriceColumn,
                      QObject::tr("цена %1: допустимы цены от 0 и меньше 10^15")
                          .arg(QLocale::c().toString(g.price, 'f', 2)));
    if (g.dept < 0 || g.dept > 0xFF)
        return refuse(
            GoodsDeptColumn,
            QObject::tr("отдел %1: номер отдела в записи ККТ занимает один байт (от 0 до 255)").arg(g.dept));
    return fault;
}

GoodsRowFault firstUnholdableGoodsRow(const GoodsList &rows)
{
    for (int i = 0; i < rows.size(); ++i) {
        if (!rowFits(rows.at(i))) {
            GoodsRowFault fault = goodsRowFault(rows.at(i));
            fault.row = i;
            return fault;
        }
    }
    return {};
}

QByteArray buildGoodsImage(const GoodsList &rows, bool withHeader, int *badRow)
{
    if (badRow)
        *badRow = -1;
    const int terminators = rows.size() % 2 ? 2 : 1;
    const int records = (withHeader ? 1 : 0) + rows.size() + terminators;
    // Every byte is written below: records in full, header and terminators
    // zeroed first.
    QByteArray image(records * GoodsRecordSize, Qt::Uninitialized);
    char *r = image.data();
    if (withHeader) {
        std::memset(r, 0, GoodsRecordSize);
        r += GoodsRecordSize;
    }
    for (int i = 0; i < rows.size(); ++i, r += GoodsRecordSize) {
        const Goods &g = rows.at(i);
        if (!rowFits(g)) {
            if (badRow)
                *badRow = i;
            return QByteArray();
        }
        const auto price = quint64(priceHundredths(g.price)) * 100;
        writeRecord(r, recordNumber(i), g, price);
    }
    for (int t = 0; t < terminators; ++t, r += GoodsRecordSize) {
        std::memset(r, 0, GoodsRecordSize);
        qToLittleEndian<qint16>(TerminatorNumber, r + NumberOffset);
    }
    return image;
}

GoodsList parseGoodsImage(const QByteArray &image)
{
    GoodsList rows;
    rows.reserve(image.size() / GoodsRecordSize);
    char tail[GoodsRecordSize];
    for (int at = 0; at < image.size(); at += GoodsRecordSize) {
        const char *r = image.constData() + at;
        const int left = image.size() - at;
        if (left < GoodsRecordSize) {
            std::memset(tail, 0, sizeof tail);
            std::memcpy(tail, r, size_t(left));
            r = tail;
        }
        if (qFromLittleEndian<qint16>(r + NumberOffset) == TerminatorNumber)
            break;
        Goods g;
        g.dept = uchar(r[DeptOffset]);
        g.intcode = decodeText(r + IntcodeOffset, IntcodeWidth);
        g.barcode = unpackGoodsBarcode(r + BarcodeOffset, BarcodeWidth);
        g.name = decodeText(r + NameOffset, NameWidth);
        g.price = double(qFromLittleEndian<quint64>(r + PriceOffset) / 100) / 100.0;
        rows.append(std::move(g));
    }
    return rows;
}

QByteArray packGoodsBarcode(const QString &barcode)
{
    QByteArray field(BarcodeWidth, '\0');
    packBarcode(barcode, field.data());
    return field;
}

QString unpackGoodsBarcode(const char *field, int size)
{
    // PackedBcd::decode's rule, written straight into a string of the final
    // size: this runs once per row of a 100 000-row image.
    const auto *bytes = reinterpret_cast<const uchar *>(field);
    int count = 0;
    for (int i = 0; i < size; ++i)
        count += bytes[i] == 0xFF ? 0 : (bytes[i] & 0xF0) == 0xF0 ? 1 : 2;
    if (count == 0)
        return QString();
    QString out(count, Qt::Uninitialized);
    auto *o = reinterpret_cast<char16_t *>(out.data());
    for (int i = 0; i < size; ++i) {
        const uchar b = bytes[i];
        if (b == 0xFF)
            continue;
        if ((b & 0xF0) != 0xF0)
            *o++ = char16_t('0' + (b >> 4));
        *o++ = char16_t('0' + (b & 0x0F));
    }
    return out;
}
