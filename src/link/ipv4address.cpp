#include "ipv4address.h"

#include <QRegularExpression>

namespace Ipv4Address {

QString pattern()
{
    return QStringLiteral(R"(((([0-9]|[1-9][0-9]|1[0-9]{2}|2[0-4][0-9]|25[0-5])\.){3})"
                          R"(([0-9]|[1-9][0-9]|1[0-9]{2}|2[0-4][0-9]|25[0-5])))");
}

bool isValid(const QString &text)
{
    static const QRegularExpression whole(QRegularExpression::anchoredPattern(pattern()));
    return whole.match(text).hasMatch();
}

} // namespace Ipv4Address
