#pragma once

#include "classes/recordtablemodel.h"
#include "fleet/inventory.h"

// The inventory's lines as a table, one column per InventoryColumns entry.
// Counts are numbers in the display role, so a sort proxy orders them as
// numbers; a line's notes are the tool tip of every cell.
class InventoryModel : public RecordTableModel<InventoryLine>
{
    Q_OBJECT

public:
    enum Role {
        LinkRole = Qt::UserRole, // every cell: int(InventoryLine::Link)
        FromProfileRole, // every cell: the line's data are its profile's
    };

    explicit InventoryModel(QObject *parent = nullptr);
};
