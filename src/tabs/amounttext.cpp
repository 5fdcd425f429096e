#include "amounttext.h"

#include <QLocale>

#include <cmath>

namespace {

// value x 10000 = round(value x perUnit) x (10000 / perUnit)
qint64 storedFrom(const QString &text, double top, int perUnit)
{
    bool ok = false;
    double value = AmountText::parseDecimal(text, &ok);
    if (!ok || !std::isfinite(value))
        return 0;
    value = qBound(0.0, value, top);
    return qRound64(value * perUnit) * (10000 / perUnit);
}

} // namespace

namespace AmountText {

QString amount(qint64 stored)
{
    return QString::number(double(stored / 100) / 100.0, 'f', 2);
}

QString quantity(qint64 stored)
{
    return QString::number(double(stored / 10) / 1000.0, 'f', 3);
}

qint64 amountFrom(const QString &text, double top)
{
    return storedFrom(text, top, 100);
}

qint64 quantityFrom(const QString &text, double top)
{
    return storedFrom(text, top, 1000);
}

double parseDecimal(const QString &text, bool *ok)
{
    QString point = text.trimmed();
    point.replace(QLatin1Char(','), QLatin1Char('.'));
    return QLocale::c().toDouble(point, ok);
}

} // namespace AmountText
