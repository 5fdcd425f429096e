#pragma once

#include <QAbstractTableModel>
#include <QDateTime>
#include <QStringList>
#include <QVector>

class DeviceParams52;

// One fiscal registration of a family 2.52 register, as its history table
// shows it.
struct RegistrationRow52
{
    QDateTime date;
    QString regNumber;
    QString inn;
    QString fnNumber;
    quint32 taxSystems = 0; // low 8 bits used
    quint32 workModes = 0; // low 8 bits used
    bool closed = false;
};

using RegistrationRows52 = QVector<RegistrationRow52>;

// One row per history record, in record order.
RegistrationRows52 registrationRows(const DeviceParams52 &params);
// Row i goes into history record i. A value the row did not change keeps its
// stored bytes, so a date the register wrote in a form no date can show (a
// zero day) survives a save.
void storeRegistrationRows(const RegistrationRows52 &rows, DeviceParams52 &params);

// The history of a family 2.52 register's fiscal registrations. The closed
// column is changed through its check box editor, not by a click on the
// painted box.
class RegistrationTableModel52 : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column { Date, RegNumber, Inn, FnNumber, TaxSystems, WorkModes, Closed, ColumnCount };

    explicit RegistrationTableModel52(QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;

    // Replaces the rows (a model reset).
    void setRows(const RegistrationRows52 &rows);
    const RegistrationRows52 &rows() const { return m_rows; }

    // Bit k of the taxation set stands for entry k + 1; "НЕТ" is entry 0.
    QStringList taxSystemNames() const { return m_taxSystemNames; }
    // Bit k of the work mode set stands for entry k.
    QStringList workModeNames() const { return m_workModeNames; }

    // The names of the set bits in bit order, joined with ";"; none when no
    // bit is set. A set bit without a name shows as "бит N".
    static QString joinBits(quint32 bits, const QStringList &names, const QString &none);

private:
    QStringList m_taxSystemNames;
    QStringList m_workModeNames;
    RegistrationRows52 m_rows;
};
