#include "deviceproxymodel.h"

#include "app/devicetablemodel.h"

#include <QColor>
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
    // The outcome of a connection check reads at a glance down a long list.
    if (role == Qt::ForegroundRole && index.column() == DeviceTableModel::StatusColumn) {
        using Status = DeviceTableModel::LinkStatus;
        const QVariant status = QIdentityProxyModel::data(index, DeviceTableModel::LinkStatusRole);
        if (status == int(Status::Online))
            return QColor(0x1b, 0x7a, 0x2e);
        if (status == int(Status::Silent))
            return QColor(0xb0, 0x1e, 0x1e);
    }
    return QIdentityProxyModel::data(index, role);
}

QVariant DeviceProxyModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role == Qt::FontRole)
        return tableFont();
    return QIdentityProxyModel::headerData(section, orientation, role);
}
