#include "depttablemodel.h"

namespace {

// Display: the name of the value (nothing when it has none); edit: the value.
QVariant named(int value, const QStringList &names, int offset, int role)
{
    if (role == Qt::EditRole)
        return value;
    if (role == Qt::DisplayRole)
        return names.value(value - offset);
    return {};
}

QVariant nameData(const DeptRow &row, int role)
{
    return role == Qt::DisplayRole || role == Qt::EditRole ? QVariant(row.name) : QVariant();
}

QVariant vatRateData(const DeptRow &row, int role)
{
    static const QStringList names = DeptTableModel::vatRateNames();
    return named(row.vatRate, names, 1, role);
}

QVariant taxSystemData(const DeptRow &row, int role)
{
    static const QStringList names = DeptTableModel::taxSystemNames();
    return named(row.taxSystem, names, 0, role);
}

bool setName(DeptRow &row, const QVariant &value, int role)
{
    if (role != Qt::EditRole)
        return false;
    row.name = value.toString();
    return true;
}

bool setVatRate(DeptRow &row, const QVariant &value, int role)
{
    if (role != Qt::EditRole)
        return false;
    row.vatRate = value.toInt();
    return true;
}

bool setTaxSystem(DeptRow &row, const QVariant &value, int role)
{
    if (role != Qt::EditRole)
        return false;
    row.taxSystem = value.toInt();
    return true;
}

} // namespace

DeptTableModel::DeptTableModel(QObject *parent)
    : RecordTableModel({ { tr("Наименование"), &nameData, &setName },
                         { tr("Ставка НДС"), &vatRateData, &setVatRate },
                         { tr("СНО"), &taxSystemData, &setTaxSystem } },
                       parent)
{
}

QStringList DeptTableModel::vatRateNames()
{
    return { tr("Без НДС"), tr("НДС 10%"), tr("НДС 18%"), tr("НДС 10/110"), tr("НДС 18/118"), tr("НДС 0%") };
}

QStringList DeptTableModel::taxSystemNames()
{
    return { tr("НЕТ"),  tr("ОБЩАЯ"),        tr("УПРОЩ. ДОХОД"), tr("УПР.ДОХОД-РАСХОД"),
             tr("ЕНВД"), tr("ЕД.С/Х НАЛОГ"), tr("ПАТЕНТ") };
}

DeptRow DeptTableModel::rowOf(const DepartmentRecord &record)
{
    return { record.name.text(), record.vatRate, taxSystemFromBits(record.taxSystems) };
}

void DeptTableModel::store(const DeptRow &row, DepartmentRecord &record)
{
    // What the row shows as stored stays as it is: the name's bytes, and a
    // taxation byte with more than one bit set (the row shows the lowest).
    const DeptRow shown = rowOf(record);
    if (row.name != shown.name)
        record.name.setText(row.name);
    record.vatRate = qint8(row.vatRate);
    if (row.taxSystem != shown.taxSystem)
        record.taxSystems = taxSystemToBits(row.taxSystem);
}
