#include "deviceproxymodel.h"

#include <QFont>

namespace {

QFont tableFont()
{
    return QFont(QStringLiteral("Tahoma"), 10);
}

} // namespace

DeviceProxyModel::DeviceProxyModel(QObject *parent)
    : QIdentityProxyModel(parent)
{
}

QVariant DeviceProxyModel::data(const QModelIndex &index, int role) const
{
    if (role == Qt::FontRole)
        return tableFont();
    return QIdentityProxyModel::data(index, role);
}

QVariant DeviceProxyModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role == Qt::FontRole)
        return tableFont();
    return QIdentityProxyModel::headerData(section, orientation, role);
}
