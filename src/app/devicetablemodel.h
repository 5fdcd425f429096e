#pragma once

#include "app/deviceentry.h"

#include <QAbstractTableModel>
#include <QVector>

// Read-only copy of the device list for the main window's table.
class DeviceTableModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column { SerialColumn, NameColumn, VersionColumn, AddrColumn, ColumnCount };

    explicit DeviceTableModel(QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    DeviceEntry entryAt(int row) const;

public slots:
    void loadFromRegistry();

private:
    QVector<DeviceEntry> m_entries;
};
