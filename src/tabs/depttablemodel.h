#pragma once

#include "classes/recordtablemodel.h"
#include "params/records.h"

#include <QStringList>

// One department as the departments table shows it.
struct DeptRow
{
    QString name;
    int vatRate = 0; // VAT rate code, 1 to 6 have names
    int taxSystem = 0; // taxation system index: 0 none, t the system of bit t - 1
};

// The departments of a parameter set, edited in place: name, VAT rate and
// taxation system, the last two chosen by name.
class DeptTableModel : public RecordTableModel<DeptRow>
{
    Q_OBJECT

public:
    enum Column { NameColumn, VatRateColumn, TaxSystemColumn, ColumnCount };

    explicit DeptTableModel(QObject *parent = nullptr);

    // Entry code - 1 names VAT rate code (1 to 6); entry t names taxation
    // system index t (0 to 6).
    static QStringList vatRateNames();
    static QStringList taxSystemNames();

    // A record as a row: a taxation byte with several bits set shows the
    // system of its lowest bit.
    static DeptRow rowOf(const DepartmentRecord &record);
    // A row written back: the number stays, the name is cut to its field,
    // and the taxation byte holds the one bit of the row's system.
    static void store(const DeptRow &row, DepartmentRecord &record);
};
