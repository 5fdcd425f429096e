#include "decimalvalidator.h"

#include "tabs/amounttext.h"

DecimalValidator::DecimalValidator(double bottom, double top, int decimals, QObject *parent)
    : QDoubleValidator(bottom, top, decimals, parent)
{
    setNotation(StandardNotation);
    setLocale(QLocale::c());
}

QValidator::State DecimalValidator::validate(QString &input, int &pos) const
{
    input.replace(QLatin1Char(','), QLatin1Char('.'));
    return QDoubleValidator::validate(input, pos);
}

void DecimalValidator::fixup(QString &input) const
{
    bool ok = false;
    const double value = AmountText::parseDecimal(input, &ok);
    if (ok && (value < bottom() || value > top()))
        input = QString::number(qBound(bottom(), value, top()), 'f', decimals());
}
