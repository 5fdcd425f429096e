#include "deviceparams.h"

#include "params/deviceparams52.h"
#include "params/deviceparams53.h"

#include <QStringList>

#include <algorithm>

DeviceParams::DeviceParams(QObject *parent)
    : QObject(parent)
{
    const char *const names[PositionCount] = {
        "Кассир",      "Ст.кассир",     "Мл.менеджер", "Менеджер",
        "Ст.менеджер", "Администратор", "Директор",    "Ген.директор",
    };
    for (const char *name : names) {
        PositionName p;
        p.setText(QString::fromUtf8(name));
        positions.append(p);
    }
    for (int k = 1; k <= DepartmentCount; ++k) {
        DepartmentRecord d;
        d.number = qint8(k);
        d.name.setText(QStringLiteral("Отдел %1").arg(k));
        d.vatRate = 1;
        departments.append(d);
    }
}

int DeviceParams::familyOf(const QString &version)
{
    bool ok = false;
    const int family = version.section(QLatin1Char('.'), 1, 1).toInt(&ok);
    return ok && (family == 52 || family == 53) ? family : 0;
}

bool DeviceParams::isValidVersion(const QString &version)
{
    const QStringList parts = version.split(QLatin1Char('.'));
    if (parts.size() != 3)
        return false;
    const int limits[3] = { 0xF, 0xFFF, 0xFFFF };
    for (int i = 0; i < 3; ++i) {
        const QString &part = parts.at(i);
        if (i == 2 && part == QLatin1String("*"))
            return true;
        // toUInt() would also take blanks and a sign.
        const bool digits = !part.isEmpty() && part.size() <= 5
            && std::all_of(part.cbegin(), part.cend(), [](QChar c) { return c >= '0' && c <= '9'; });
        if (!digits || (part.size() > 1 && part.at(0) == QLatin1Char('0')) || part.toUInt() > uint(limits[i]))
            return false;
    }
    return true;
}

int DeviceParams::family() const
{
    return qobject_cast<const DeviceParams53 *>(this) ? 53 : 52;
}

DeviceParams *DeviceParams::create(const QString &version, QObject *parent)
{
    switch (familyOf(version)) {
    case 52:
        return new DeviceParams52(parent);
    case 53:
        return new DeviceParams53(parent);
    default:
        return nullptr;
    }
}

void DeviceParams::setTradeDefaults(TradeConfig &t)
{
    t.signature = 0x1234;
    t.defaultDepartment = 1;
    t.departmentCount = 1;
    t.internalCodeLength = 5;
    t.weightPrefix = 21;
    t.keyboardSensitivity = 4;
    t.keySound = 1;
    t.powerOffTimer = 5;
    t.displayMode = 3;
    t.printFlags = 0x000E;
    t.maxPrice = 500000000;
    t.maxDeposit = 500000000;
    t.maxQuantity = 10000000;
    t.tradeFlags = 1;
    t.defaultCashier = 7;
}
