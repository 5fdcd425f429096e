#include "addressvalidator.h"

#include "link/ipv4address.h"

AddressValidator::AddressValidator(QObject *parent)
    : QRegularExpressionValidator(QRegularExpression(Ipv4Address::pattern()), parent)
{
}

QValidator::State AddressValidator::validate(QString &input, int &pos) const
{
    const QString trimmed = input.trimmed();
    if (trimmed.size() != input.size()) {
        int leading = 0;
        while (leading < input.size() && input.at(leading).isSpace())
            ++leading;
        pos = qBound(0, pos - leading, trimmed.size());
        input = trimmed;
    }
    return QRegularExpressionValidator::validate(input, pos);
}
