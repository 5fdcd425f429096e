#include "registrationtablemodel52.h"

#include "params/deviceparams52.h"
#include "tabs/depttablemodel.h"
#include "tabs/tabrules.h"

RegistrationRows52 registrationRows(const DeviceParams52 &params)
{
    RegistrationRows52 rows;
    for (const RegistrationRecord52 &r : params.registrations)
        rows.append({ r.dateTime(), r.regNumber.text(), r.inn.text(), r.fnNumber.text(), r.taxSystems,
                      r.workModes, r.closed != 0 });
    return rows;
}

namespace {

bool sameDate(const QDateTime &a, const QDateTime &b)
{
    return a.isValid() ? a == b : !b.isValid();
}

} // namespace

void storeRegistrationRows(const RegistrationRows52 &rows, DeviceParams52 &params)
{
    const int n = qMin(rows.size(), params.registrations.size());
    for (int i = 0; i < n; ++i) {
        const RegistrationRow52 &row = rows.at(i);
        RegistrationRecord52 &r = params.registrations[i];
        if (!sameDate(row.date, r.dateTime()))
            r.setDateTime(row.date);
        storeText(r.regNumber, row.regNumber, r.regNumber.text());
        storeText(r.inn, row.inn, r.inn.text());
        storeText(r.fnNumber, row.fnNumber, r.fnNumber.text());
        r.taxSystems = quint8(row.taxSystems);
        r.workModes = quint8(row.workModes);
        // Any non-zero byte reads as closed; one the row did not change stays.
        if (row.closed != (r.closed != 0))
            r.closed = row.closed ? 1 : 0;
    }
}

RegistrationTableModel52::RegistrationTableModel52(QObject *parent)
    : QAbstractTableModel(parent)
    , m_taxSystemNames(DeptTableModel::taxSystemNames())
    , m_workModeNames { tr("ШИФРОВАНИЕ"),         tr("АВТОНОМНЫЙ РЕЖИМ"), tr("АВТОМАТИЧ. РЕЖИМ"),
                        tr("ПРИМ.В СФЕРЕ УСЛУГ"), tr("РЕЖИМ БСО"),        tr("ПРИМЕН. В ИНТЕРНЕТ") }
{
}

int RegistrationTableModel52::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_rows.size();
}

int RegistrationTableModel52::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant RegistrationTableModel52::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Vertical)
        return section + 1;
    switch (section) {
    case Date:
        return tr("Дата регистрации");
    case RegNumber:
        return tr("Рег. номер ККТ");
    case Inn:
        return tr("ИНН организации");
    case FnNumber:
        return tr("Рег. номер ФН");
    case TaxSystems:
        return tr("СНО");
    case WorkModes:
        return tr("Режимы работы");
    case Closed:
        return tr("Закрыто");
    }
    return {};
}

Qt::ItemFlags RegistrationTableModel52::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsSelectable | Qt::ItemIsEditable | Qt::ItemIsEnabled;
}

QString RegistrationTableModel52::joinBits(quint32 bits, const QStringList &names, const QString &none)
{
    QStringList set;
    for (int k = 0; k < 32; ++k) {
        if (bits & (1u << k))
            set.append(k < names.size() ? names.at(k) : tr("бит %1").arg(k));
    }
    return set.isEmpty() ? none : set.join(QLatin1Char(';'));
}

QVariant RegistrationTableModel52::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows.size())
        return {};
    const RegistrationRow52 &row = m_rows.at(index.row());
    if (index.column() == Closed) {
        if (role == Qt::DisplayRole || role == Qt::CheckStateRole)
            return row.closed ? Qt::Checked : Qt::Unchecked;
        return role == Qt::EditRole ? QVariant(row.closed) : QVariant();
    }
    if (role != Qt::DisplayRole && role != Qt::EditRole)
        return {};
    const bool display = role == Qt::DisplayRole;
    switch (index.column()) {
    case Date:
        return row.date;
    case RegNumber:
        return row.regNumber;
    case Inn:
        return row.inn;
    case FnNumber:
        return row.fnNumber;
    case TaxSystems:
        // Bit k is entry k + 1: the names after "НЕТ".
        return display ? QVariant(joinBits(row.taxSystems, m_taxSystemNames.mid(1), m_taxSystemNames.first()))
                       : QVariant(row.taxSystems);
    case WorkModes:
        return display ? QVariant(joinBits(row.workModes, m_workModeNames, QStringLiteral("-")))
                       : QVariant(row.workModes);
    }
    return {};
}

bool RegistrationTableModel52::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (!index.isValid() || index.row() >= m_rows.size())
        return false;
    RegistrationRow52 &row = m_rows[index.row()];
    if (role == Qt::CheckStateRole) {
        if (index.column() != Closed)
            return false;
        row.closed = value.toInt() == Qt::Checked;
    } else if (role == Qt::EditRole) {
        switch (index.column()) {
        case Date:
            row.date = value.toDateTime();
            break;
        case RegNumber:
            row.regNumber = value.toString();
            break;
        case Inn:
            row.inn = value.toString();
            break;
        case FnNumber:
            row.fnNumber = value.toString();
            break;
        case TaxSystems:
            row.taxSystems = value.toUInt();
            break;
        case WorkModes:
            row.workModes = value.toUInt();
            break;
        case Closed:
            row.closed = value.toBool();
            break;
        }
    } else {
        return false;
    }
    emit dataChanged(index, index, { Qt::DisplayRole, Qt::EditRole, Qt::CheckStateRole });
    return true;
}

void RegistrationTableModel52::setRows(const RegistrationRows52 &rows)
{
    beginResetModel();
    m_rows = rows;
    endResetModel();
}
