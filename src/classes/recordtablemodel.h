#pragma once

#include <QAbstractTableModel>
#include <QVector>

// A table model over a vector of plain records, one row per record, with the
// columns given as descriptors: a header text and plain function pointers
// that read (and, for an editable column, write) one cell of a record. A
// function pointer costs one indirect call per cell and allocates nothing,
// so the model keeps up with a 100 000-row goods table.
//
// Use: derive, pass the columns to the constructor, fill with setRecords().
//
//     class DeviceTableModel : public RecordTableModel<DeviceEntry>
//     {
//         Q_OBJECT
//     public:
//         explicit DeviceTableModel(QObject *parent = nullptr)
//             : RecordTableModel({ { tr("Заводской номер"), &displayText<DeviceEntry, &DeviceEntry::serial>
//             },
//                                  { tr("Адрес"), &displayText<DeviceEntry, &DeviceEntry::addr> } },
//                                parent) {}
//     };
//
// A column's data function answers every role it serves (display, edit,
// font, check state, ...) and an invalid QVariant for the others. A column
// with a setData function is editable: the function converts and checks the
// value and answers false to refuse it (the record then stays as it was).
// Headers answer the display role of horizontal sections; the vertical
// header has no texts of its own.
template<class Record> class RecordTableModel : public QAbstractTableModel
{
public:
    struct ColumnSpec
    {
        QString header;
        QVariant (*data)(const Record &record, int role) = nullptr;
        bool (*setData)(Record &record, const QVariant &value, int role) = nullptr; // null: read-only
    };

    int rowCount(const QModelIndex &parent = {}) const override
    {
        return parent.isValid() ? 0 : m_records.size();
    }
    int columnCount(const QModelIndex &parent = {}) const override
    {
        return parent.isValid() ? 0 : m_columns.size();
    }

    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override
    {
        if (!isCell(index))
            return {};
        return m_columns.at(index.column()).data(m_records.at(index.row()), role);
    }

    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override
    {
        if (!isCell(index) || !m_columns.at(index.column()).setData)
            return false;
        if (!m_columns.at(index.column()).setData(m_records[index.row()], value, role))
            return false;
        emit dataChanged(index, index, { role });
        return true;
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override
    {
        if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0
            || section >= m_columns.size())
            return {};
        return m_columns.at(section).header;
    }

    Qt::ItemFlags flags(const QModelIndex &index) const override
    {
        Qt::ItemFlags f = QAbstractTableModel::flags(index);
        if (isCell(index) && m_columns.at(index.column()).setData)
            f |= Qt::ItemIsEditable;
        return f;
    }

    const QVector<Record> &records() const { return m_records; }
    // A copy of a row's record; a default record for a row that does not exist.
    Record recordAt(int row) const { return m_records.value(row); }

    void setRecords(QVector<Record> records)
    {
        beginResetModel();
        m_records = std::move(records);
        endResetModel();
    }

    // Replaces one row's record; nothing for a row that does not exist.
    void setRecord(int row, Record record)
    {
        if (row < 0 || row >= m_records.size())
            return;
        m_records[row] = std::move(record);
        emit dataChanged(index(row, 0), index(row, m_columns.size() - 1));
    }

protected:
    explicit RecordTableModel(QVector<ColumnSpec> columns, QObject *parent = nullptr)
        : QAbstractTableModel(parent)
        , m_columns(std::move(columns))
    {
    }

private:
    bool isCell(const QModelIndex &index) const
    {
        return index.isValid() && index.model() == this && index.row() < m_records.size()
            && index.column() < m_columns.size();
    }

    QVector<ColumnSpec> m_columns;
    QVector<Record> m_records;
};

// The data function of a column that shows a text member of the record.
template<class Record, QString Record::*member> QVariant displayText(const Record &record, int role)
{
    return role == Qt::DisplayRole ? QVariant(record.*member) : QVariant();
}
