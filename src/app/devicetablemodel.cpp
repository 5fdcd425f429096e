#include "devicetablemodel.h"

#include "app/deviceregistry.h"

DeviceTableModel::DeviceTableModel(QObject *parent)
    : QAbstractTableModel(parent)
{
}

int DeviceTableModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_entries.size();
}

int DeviceTableModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant DeviceTableModel::data(const QModelIndex &index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= m_entries.size())
        return {};
    const DeviceEntry &e = m_entries.at(index.row());
    switch (index.column()) {
    case SerialColumn:
        return e.serial;
    case NameColumn:
        return e.name;
    case VersionColumn:
        return e.version;
    case AddrColumn:
        return e.addr;
    default:
        return {};
    }
}

QVariant DeviceTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    switch (section) {
    case SerialColumn:
        return tr("Заводской номер");
    case NameColumn:
        return tr("Наименование");
    case VersionColumn:
        return tr("Версия");
    case AddrColumn:
        return tr("Адрес");
    default:
        return {};
    }
}

DeviceEntry DeviceTableModel::entryAt(int row) const
{
    return m_entries.value(row);
}

void DeviceTableModel::loadFromRegistry()
{
    beginResetModel();
    m_entries.clear();
    {
        const DeviceRegistry registry;
        m_entries = registry.entries().toVector();
    }
    endResetModel();
}
