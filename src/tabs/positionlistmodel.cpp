#include "positionlistmodel.h"

PositionListModel::PositionListModel(QObject *parent)
    : QAbstractListModel(parent)
{
}

int PositionListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_names.size();
}

QVariant PositionListModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    if (role != Qt::DisplayRole && role != Qt::EditRole)
        return {};
    return m_names.at(index.row());
}

Qt::ItemFlags PositionListModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return QAbstractListModel::flags(index);
    return QAbstractListModel::flags(index) | Qt::ItemIsEditable;
}

bool PositionListModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return false;
    // Only the name itself is settable; other roles hold nothing.
    if (role != Qt::DisplayRole && role != Qt::EditRole)
        return false;
    if (value == data(index, role))
        return false;
    const QString name = value.toString();
    if (name.trimmed().isEmpty())
        return false;
    m_names[index.row()] = name;
    emit dataChanged(index, index, { role });
    return true;
}

void PositionListModel::setNames(const QStringList &names)
{
    beginResetModel();
    m_names = names;
    endResetModel();
}

QStringList PositionListModel::namesOf(const QVector<PositionName> &records)
{
    QStringList names;
    for (const PositionName &record : records)
        names.append(record.text());
    return names;
}

void PositionListModel::store(const QStringList &names, QVector<PositionName> &records)
{
    const int n = qMin(names.size(), records.size());
    // A name left alone keeps its bytes.
    for (int i = 0; i < n; ++i) {
        if (names.at(i) != records.at(i).text())
            records[i].setText(names.at(i));
    }
}
