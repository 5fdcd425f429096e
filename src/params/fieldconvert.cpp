#include "fieldconvert.h"

#include "params/packedbcd.h"
#include "params/textcodec.h"

#include <QObject>
#include <QRegularExpression>

#include <algorithm>
#include <limits>

namespace {

constexpr qint64 Scale = 10000;
const QString DateTimeFormat = QStringLiteral("yyyy-MM-dd HH:mm");

bool isDigits(const QString &text)
{
    for (const QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    }
    return true;
}

} // namespace

namespace FieldConvert {

QString integerType(const FieldInfo &info)
{
    return QStringLiteral("%1int%2").arg(info.isSigned ? QString() : QStringLiteral("u")).arg(info.size * 8);
}

bool parseInteger(const QString &text, const FieldInfo &info, qint64 *value, QString *why)
{
    static const QRegularExpression pattern(QStringLiteral("^[+-]?[0-9]+$"));
    if (!pattern.match(text).hasMatch()) {
        *why = QObject::tr("ожидается целое число, получено «%1»").arg(text);
        return false;
    }
    // Value bits of the field; a 64-bit field is held within qint64.
    const int bits = std::min(info.size * 8 - (info.isSigned ? 1 : 0), 63);
    const qint64 high = qint64((quint64(1) << bits) - 1);
    const qint64 low = info.isSigned ? -high - 1 : 0;
    bool ok = false;
    const qint64 n = text.toLongLong(&ok);
    if (!ok || n < low || n > high) {
        *why = QObject::tr("значение %1 вне диапазона %2…%3 (%4)")
                   .arg(text)
                   .arg(low)
                   .arg(high)
                   .arg(integerType(info));
        return false;
    }
    *value = n;
    return true;
}

bool parseFixed(const QString &text, int decimals, qint64 *value, QString *why)
{
    static const QRegularExpression pattern(QStringLiteral("^([+-]?)([0-9]+)(?:\\.([0-9]+))?$"));
    const QRegularExpressionMatch m = pattern.match(text);
    if (!m.hasMatch()) {
        *why = QObject::tr("ожидается десятичное число с точкой (например, 1234.5), получено «%1»").arg(text);
        return false;
    }
    const QString fraction = m.captured(3);
    if (fraction.size() > decimals) {
        *why = QObject::tr("не больше %1 знаков после точки, получено «%2»").arg(decimals).arg(text);
        return false;
    }
    bool ok = false;
    const quint64 whole = m.captured(2).toULongLong(&ok);
    const quint64 limit = quint64(std::numeric_limits<qint64>::max());
    quint64 parts = fraction.isEmpty() ? 0 : fraction.toULongLong();
    for (int i = fraction.size(); i < 4; ++i)
        parts *= 10;
    if (!ok || whole > (limit - parts) / Scale) {
        *why = QObject::tr("значение «%1» не помещается в поле").arg(text);
        return false;
    }
    const qint64 magnitude = qint64(whole * Scale + parts);
    *value = m.captured(1) == QLatin1String("-") ? -magnitude : magnitude;
    return true;
}

QString fixedText(qint64 value)
{
    // The magnitude of the smallest qint64 does not fit a qint64.
    const quint64 magnitude = value < 0 ? quint64(0) - quint64(value) : quint64(value);
    QString text = QString::number(magnitude / Scale);
    const quint64 parts = magnitude % Scale;
    if (parts != 0) {
        QString fraction = QString::number(parts).rightJustified(4, QLatin1Char('0'));
        while (fraction.endsWith(QLatin1Char('0')))
            fraction.chop(1);
        text += QLatin1Char('.') + fraction;
    }
    return value < 0 ? QLatin1Char('-') + text : text;
}

bool encodeText(const QString &text, int limit, QByteArray *bytes, QString *why)
{
    if (text.contains(QChar(0))) {
        *why = QObject::tr("нулевой символ U+0000 оборвал бы текст");
        return false;
    }
    char32_t unheld = 0;
    QByteArray encoded;
    if (!TextCodec::encodeStrict(text, &encoded, &unheld)) {
        *why = QObject::tr("символ %1 не представим в кодировке Windows-1251")
                   .arg(TextCodec::describe(unheld));
        return false;
    }
    if (encoded.size() > limit) {
        *why = QObject::tr("текст длиннее %1 байт (%2 байт в кодировке Windows-1251)")
                   .arg(limit)
                   .arg(encoded.size());
        return false;
    }
    *bytes = encoded;
    return true;
}

bool checkDigits(const QString &text, int count, QString *why)
{
    if (!isDigits(text)) {
        *why = QObject::tr("ожидаются только цифры, получено «%1»").arg(text);
        return false;
    }
    if (text.size() > count) {
        *why = QObject::tr("не больше %1 цифр, получено %2").arg(count).arg(text.size());
        return false;
    }
    return true;
}

bool checkBarcode(const QString &text, int count, QString *why)
{
    if (text.size() != count + 1)
        return checkDigits(text, count, why);
    if (!checkDigits(text.left(count), count, why) || !checkDigits(text.right(1), 1, why))
        return false;
    // The last digit is the check digit the stored digits read back with.
    const QString expected = PackedBcd::decodeBarcode(PackedBcd::encode(text.left(count))).right(1);
    if (text.right(1) != expected) {
        *why = QObject::tr("контрольная цифра штрихкода %1 неверна, ожидается %2")
                   .arg(text.right(1), expected);
        return false;
    }
    return true;
}

QString dateTimeText(const QDate &date, const QTime &time)
{
    // As a QDateTime shows them: nothing for an impossible date, midnight for
    // an impossible time. UTC, so that no clock change shifts the time.
    return QDateTime(date, time, Qt::UTC).toString(DateTimeFormat);
}

bool parseDateTime(const QString &text, QDate *date, QTime *time, QString *why)
{
    const QDate d = QDate::fromString(text.left(10), QStringLiteral("yyyy-MM-dd"));
    const QTime t = QTime::fromString(text.mid(11), QStringLiteral("HH:mm"));
    if (text.size() != 16 || text.at(10) != QLatin1Char(' ') || !d.isValid() || !t.isValid()
        || d.year() < 2000 || d.year() > 2255) {
        *why = QObject::tr("ожидаются дата и время вида 2024-03-05 14:07 (годы 2000–2255), получено «%1»")
                   .arg(text);
        return false;
    }
    *date = d;
    *time = t;
    return true;
}

} // namespace FieldConvert
