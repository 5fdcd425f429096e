#include "addressvalidator.h"

#include "link/ipv4address.h"

AddressValidator::AddressValidator(QObject *parent)
    : QRegularExpressionValidator(QRegularExpression(Ipv4Address::pattern()), parent)
{
}
