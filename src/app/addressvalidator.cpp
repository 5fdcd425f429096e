#include "addressvalidator.h"

AddressValidator::AddressValidator(QObject *parent)
    : QRegularExpressionValidator(
        QRegularExpression(QStringLiteral(R"(((([0-9]|[1-9][0-9]|1[0-9]{2}|2[0-4][0-9]|25[0-5])\.){3})"
                                          R"(([0-9]|[1-9][0-9]|1[0-9]{2}|2[0-4][0-9]|25[0-5])))")),
        parent)
{
}
