#pragma once

#include "classes/recordtablemodel.h"

#include <QString>

class QJsonArray;

struct BrowseEntry
{
    QString serial;
    QString address;
    QString mac;

    bool operator==(const BrowseEntry &o) const
    {
        return serial == o.serial && address == o.address && mac == o.mac;
    }
};

// The registers that answered the last discovery scan.
class BrowseTableModel : public RecordTableModel<BrowseEntry>
{
    Q_OBJECT

public:
    enum Column { SerialColumn, AddressColumn, MacColumn, ColumnCount };
    using Entry = BrowseEntry;

    explicit BrowseTableModel(QObject *parent = nullptr);

    Entry entryAt(int row) const { return recordAt(row); }

    // Replaces the rows with the scan result (objects with "device", "ip",
    // "mac"). A register that answered twice in the same way is listed once.
    void setDevices(const QJsonArray &devices);
};
