#pragma once

#include <QDoubleValidator>

// A decimal number in a range with a point as the decimal separator, however
// the user's locale writes numbers: a typed comma becomes a point, and no
// exponent is taken. A number beyond the range, which stays on screen as
// unfinished input while typing, is brought into the range when the edit is
// left.
class DecimalValidator : public QDoubleValidator
{
    Q_OBJECT

public:
    DecimalValidator(double bottom, double top, int decimals, QObject *parent = nullptr);

    State validate(QString &input, int &pos) const override;
    void fixup(QString &input) const override;
};
