#pragma once

#include "params/records.h"

#include <QAbstractTableModel>
#include <QStringList>
#include <QVector>

// One department as the departments table shows it.
struct DeptRow
{
    QString name;
    int vatRate = 0; // VAT rate code, 1 to 6 have names
    int taxSystem = 0; // taxation system index: 0 none, t the system of bit t - 1

    bool operator==(const DeptRow &other) const
    {
        return name == other.name && vatRate == other.vatRate && taxSystem == other.taxSystem;
    }
};

// The departments of a parameter set, edited in place: name, VAT rate and
// taxation system, the last two chosen by name.
class DeptTableModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column { NameColumn, VatRateColumn, TaxSystemColumn, ColumnCount };

    explicit DeptTableModel(QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;

    // Replaces every row.
    void setRows(const QVector<DeptRow> &rows);
    QVector<DeptRow> rows() const { return m_rows; }

    // Entry code - 1 names VAT rate code (1 to 6); entry t names taxation
    // system index t (0 to 6).
    QStringList vatRateNames() const { return m_vatRateNames; }
    QStringList taxSystemNames() const { return m_taxSystemNames; }

    // A record as a row: a taxation byte with several bits set shows the
    // system of its lowest bit.
    static DeptRow rowOf(const DepartmentRecord &record);
    // A row written back: the number stays, the name is cut to its field,
    // and the taxation byte holds the one bit of the row's system.
    static void store(const DeptRow &row, DepartmentRecord &record);

private:
    QStringList m_vatRateNames;
    QStringList m_taxSystemNames;
    QVector<DeptRow> m_rows;
};
