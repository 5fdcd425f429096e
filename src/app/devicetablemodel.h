#pragma once

#include "app/deviceentry.h"
#include "classes/recordtablemodel.h"

// Read-only copy of the device list for the main window's table.
class DeviceTableModel : public RecordTableModel<DeviceEntry>
{
    Q_OBJECT

public:
    enum Column { SerialColumn, NameColumn, VersionColumn, AddrColumn, ColumnCount };

    explicit DeviceTableModel(QObject *parent = nullptr);

    DeviceEntry entryAt(int row) const { return recordAt(row); }

public slots:
    void loadFromRegistry();
};
