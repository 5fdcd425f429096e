#include "deviceparams.h"

#include "params/deviceparams52.h"
#include "params/deviceparams53.h"
#include "params/sharedlayout.h"

namespace {

constexpr int PositionsStart = 0x080;
constexpr int PositionSize = 16;
constexpr int ReceiptSize = 132;

} // namespace

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

void DeviceParams::readPositions(const QByteArray &params)
{
    readRecords(params, PositionsStart, PositionCount * PositionSize, PositionCount, positions, TextLayout());
}

void DeviceParams::writePositions(QByteArray &params) const
{
    writeRecords(params, PositionsStart, PositionCount, positions, TextLayout());
}

void DeviceParams::readDepartments(const QByteArray &params)
{
    readRecords(params, deptPage() * PageSize, PageSize, DepartmentCount, departments, DepartmentLayout());
}

void DeviceParams::writeDepartments(QByteArray &params) const
{
    writeRecords(params, deptPage() * PageSize, DepartmentCount, departments, DepartmentLayout());
}

void DeviceParams::readReceipts(const QByteArray &params)
{
    readSection(params, designPage() * PageSize, ReceiptSize, receiptHeader, TextLayout());
    readSection(params, (designPage() + 1) * PageSize, ReceiptSize, receiptFooter, TextLayout());
}

void DeviceParams::writeReceipts(QByteArray &params) const
{
    writeSection(params, designPage() * PageSize, receiptHeader, TextLayout());
    writeSection(params, (designPage() + 1) * PageSize, receiptFooter, TextLayout());
}
