#pragma once

#include <QRegularExpressionValidator>

// Dotted IPv4 text, each part 0-255 without leading zeros. Incomplete text
// that can still become an address is let through while typing.
class AddressValidator : public QRegularExpressionValidator
{
    Q_OBJECT

public:
    explicit AddressValidator(QObject *parent = nullptr);
};
