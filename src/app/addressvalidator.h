#pragma once

#include <QRegularExpressionValidator>

// Dotted IPv4 text, each part 0-255 without leading zeros. Incomplete text
// that can still become an address is let through while typing. Blanks
// around the text (a pasted " 10.0.0.5\n") are dropped rather than refusing
// the whole paste.
class AddressValidator : public QRegularExpressionValidator
{
    Q_OBJECT

public:
    explicit AddressValidator(QObject *parent = nullptr);

    State validate(QString &input, int &pos) const override;
};
