#include "deviceparams.h"

#include "params/deviceparams52.h"
#include "params/deviceparams53.h"
#include "params/imagereader.h"
#include "params/imagewriter.h"

namespace {

constexpr int PositionsStart = 0x080;
constexpr int PositionSize = 16;
constexpr int ReceiptSize = 132;

template<class Io, class Record> void departmentLayout(Io &io, Record &d)
{
    io.integer(d.number);
    io.text(d.name);
    io.integer(d.vatRate);
    io.integer(d.taxSystems);
}

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

void DeviceParams::readPositions(const QByteArray &params)
{
    positions.clear();
    ImageReader in(params, PositionsStart, PositionCount * PositionSize);
    for (int k = 0; k < PositionCount; ++k) {
        PositionName p;
        in.text(p);
        positions.append(p);
    }
}

void DeviceParams::writePositions(QByteArray &params) const
{
    ImageWriter out(params, PositionsStart);
    for (int k = 0; k < PositionCount; ++k)
        out.text(recordAt(positions, k));
}

void DeviceParams::readDepartments(const QByteArray &params)
{
    departments.clear();
    ImageReader in(params, deptPage() * PageSize, PageSize);
    for (int k = 0; k < DepartmentCount; ++k) {
        DepartmentRecord d;
        departmentLayout(in, d);
        departments.append(d);
    }
}

void DeviceParams::writeDepartments(QByteArray &params) const
{
    ImageWriter out(params, deptPage() * PageSize);
    for (int k = 0; k < DepartmentCount; ++k) {
        const DepartmentRecord d = recordAt(departments, k);
        departmentLayout(out, d);
    }
}

void DeviceParams::readReceipts(const QByteArray &params)
{
    ImageReader header(params, designPage() * PageSize, ReceiptSize);
    header.text(receiptHeader);
    ImageReader footer(params, (designPage() + 1) * PageSize, ReceiptSize);
    footer.text(receiptFooter);
}

void DeviceParams::writeReceipts(QByteArray &params) const
{
    ImageWriter header(params, designPage() * PageSize);
    header.text(receiptHeader);
    ImageWriter footer(params, (designPage() + 1) * PageSize);
    footer.text(receiptFooter);
}
