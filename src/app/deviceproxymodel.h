#pragma once

#include <QIdentityProxyModel>

// Draws every cell and header of the device table in one fixed font, and
// the connection check's outcome in green or red.
class DeviceProxyModel : public QIdentityProxyModel
{
    Q_OBJECT

public:
    explicit DeviceProxyModel(QObject *parent = nullptr);

    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
};
