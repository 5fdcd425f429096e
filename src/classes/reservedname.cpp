#include "reservedname.h"

bool ReservedName::isReserved(const QString &fileName)
{
    // Windows ignores what follows the first dot, and trailing spaces.
    const QString base = fileName.section(QLatin1Char('.'), 0, 0).trimmed().toUpper();
    if (base == QLatin1String("CON") || base == QLatin1String("PRN") || base == QLatin1String("AUX")
        || base == QLatin1String("NUL"))
        return true;
    return base.size() == 4
        && (base.startsWith(QLatin1String("COM")) || base.startsWith(QLatin1String("LPT")))
        && base.at(3) >= QLatin1Char('1') && base.at(3) <= QLatin1Char('9');
}
