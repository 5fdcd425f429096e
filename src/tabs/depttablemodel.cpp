#include "depttablemodel.h"

DeptTableModel::DeptTableModel(QObject *parent)
    : QAbstractTableModel(parent)
    , m_vatRateNames { tr("Без НДС"),    tr("НДС 10%"),    tr("НДС 18%"),
                       tr("НДС 10/110"), tr("НДС 18/118"), tr("НДС 0%") }
    , m_taxSystemNames { tr("НЕТ"),  tr("ОБЩАЯ"),        tr("УПРОЩ. ДОХОД"), tr("УПР.ДОХОД-РАСХОД"),
                         tr("ЕНВД"), tr("ЕД.С/Х НАЛОГ"), tr("ПАТЕНТ") }
{
}

int DeptTableModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_rows.size();
}

int DeptTableModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant DeptTableModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    if (role != Qt::DisplayRole && role != Qt::EditRole)
        return {};
    const DeptRow &row = m_rows.at(index.row());
    switch (index.column()) {
    case NameColumn:
        return row.name;
    case VatRateColumn:
        if (role == Qt::EditRole)
            return row.vatRate;
        // A code without a name shows an empty cell.
        return m_vatRateNames.value(row.vatRate - 1);
    case TaxSystemColumn:
        if (role == Qt::EditRole)
            return row.taxSystem;
        return m_taxSystemNames.value(row.taxSystem);
    }
    return {};
}

QVariant DeptTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    switch (section) {
    case NameColumn:
        return tr("Наименование");
    case VatRateColumn:
        return tr("Ставка НДС");
    case TaxSystemColumn:
        return tr("СНО");
    }
    return {};
}

Qt::ItemFlags DeptTableModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsSelectable | Qt::ItemIsEditable | Qt::ItemIsEnabled;
}

bool DeptTableModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (role != Qt::EditRole
        || !checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return false;
    DeptRow &row = m_rows[index.row()];
    switch (index.column()) {
    case NameColumn:
        row.name = value.toString();
        break;
    case VatRateColumn:
        row.vatRate = value.toInt();
        break;
    case TaxSystemColumn:
        row.taxSystem = value.toInt();
        break;
    }
    emit dataChanged(index, index, { Qt::DisplayRole, Qt::EditRole });
    return true;
}

void DeptTableModel::setRows(const QVector<DeptRow> &rows)
{
    beginResetModel();
    m_rows = rows;
    endResetModel();
}

DeptRow DeptTableModel::rowOf(const DepartmentRecord &record)
{
    return { record.name.text(), record.vatRate, taxSystemFromBits(record.taxSystems) };
}

void DeptTableModel::store(const DeptRow &row, DepartmentRecord &record)
{
    record.name.setText(row.name);
    record.vatRate = qint8(row.vatRate);
    record.taxSystems = taxSystemToBits(row.taxSystem);
}
