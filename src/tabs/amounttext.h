#pragma once

#include <QString>
#include <QtGlobal>

// Amounts and quantities as the configuration tab shows and takes them. The
// register stores both as value x 10000; an amount is shown and kept to the
// kopeck, a quantity to the thousandth. Texts always use a point, whatever
// the user's locale.
namespace AmountText {

// Digits below a kopeck (a thousandth) are dropped, not rounded: 123456789
// shows as "12345.67".
QString amount(qint64 stored);
QString quantity(qint64 stored);

// The stored value of a typed text, read with a point or a comma as the
// decimal separator: rounded to a kopeck (a thousandth), and brought into
// 0 to top, so an unfinished or out-of-range entry never reaches the
// register. Text that is no number gives 0.
qint64 amountFrom(const QString &text, double top);
qint64 quantityFrom(const QString &text, double top);

// The number a text holds, with a point or a comma as the decimal separator.
double parseDecimal(const QString &text, bool *ok);

} // namespace AmountText
