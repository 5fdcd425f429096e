#include "browsetablemodel.h"

#include <QJsonArray>
#include <QJsonObject>

BrowseTableModel::BrowseTableModel(QObject *parent)
    : QAbstractTableModel(parent)
{
}

int BrowseTableModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_entries.size();
}

int BrowseTableModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant BrowseTableModel::data(const QModelIndex &index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= m_entries.size())
        return {};
    const Entry &e = m_entries.at(index.row());
    switch (index.column()) {
    case SerialColumn:
        return e.serial;
    case AddressColumn:
        return e.address;
    case MacColumn:
        return e.mac;
    default:
        return {};
    }
}

QVariant BrowseTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    switch (section) {
    case SerialColumn:
        return tr("Заводской номер");
    case AddressColumn:
        return tr("IP адрес");
    case MacColumn:
        return tr("MAC адрес");
    default:
        return {};
    }
}

void BrowseTableModel::setDevices(const QJsonArray &devices)
{
    beginResetModel();
    m_entries.clear();
    for (const QJsonValue &value : devices) {
        const QJsonObject o = value.toObject();
        const Entry e { o.value(QStringLiteral("device")).toString(),
                        o.value(QStringLiteral("ip")).toString(), o.value(QStringLiteral("mac")).toString() };
        // Two interfaces on one network probe the same register twice; one
        // row is enough. Rows that differ in any text are kept apart.
        if (!m_entries.contains(e))
            m_entries.append(e);
    }
    endResetModel();
}
