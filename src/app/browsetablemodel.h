#pragma once

#include <QAbstractTableModel>
#include <QString>
#include <QVector>

class QJsonArray;

// The registers that answered the last discovery scan.
class BrowseTableModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column { SerialColumn, AddressColumn, MacColumn, ColumnCount };

    struct Entry
    {
        QString serial;
        QString address;
        QString mac;

        bool operator==(const Entry &o) const
        {
            return serial == o.serial && address == o.address && mac == o.mac;
        }
    };

    explicit BrowseTableModel(QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    Entry entryAt(int row) const { return m_entries.value(row); }

    // Replaces the rows with the scan result (objects with "device", "ip",
    // "mac"). A register that answered twice in the same way is listed once.
    void setDevices(const QJsonArray &devices);

private:
    QVector<Entry> m_entries;
};
