#include "usertablemodel.h"

#include "params/deviceparams52.h"
#include "params/deviceparams53.h"
#include "params/packedbcd.h"
#include "tabs/tabrules.h"

UserRows userRows(const DeviceParams53 &params)
{
    UserRows rows;
    for (int i = 0; i < params.users.size(); ++i) {
        const UserRecord53 &u = params.users.at(i);
        if (u.flags & UserHidden)
            continue;
        rows.append({ i, u.name.text(), u.barcode.text(), u.inn.text(), u.fullName.text(), u.password.text(),
                      u.rights, u.position, bool(u.flags & UserActive) });
    }
    return rows;
}

UserRows userRows(const DeviceParams52 &params)
{
    UserRows rows;
    for (int i = 0; i < params.users.size(); ++i) {
        const UserRecord52 &u = params.users.at(i);
        if (u.flags & UserHidden)
            continue;
        UserRow row;
        row.record = i;
        row.name = u.name.text();
        row.barcode = u.barcode.barcode();
        row.rights = u.rights;
        row.position = u.position;
        row.active = u.flags & UserActive;
        rows.append(row);
    }
    return rows;
}

namespace {

// The six bytes a 2.52 barcode cell's text is stored as. The cell shows the
// stored digits with their check digit, so a text whose last digit is the
// check digit of the digits before it is stored without it: what the cell
// shows reads back the same.
QByteArray packedBarcode(const QString &shown)
{
    const QString digits = shown.left(shown.size() - 1);
    const QByteArray without = PackedBcd::encode(digits);
    if (!shown.isEmpty() && PackedBcd::decodeBarcode(without) == shown)
        return without;
    return PackedBcd::encode(shown);
}

// Walks the records not marked hidden alongside the rows.
template<class Record, class Store> void storeRows(const UserRows &rows, QVector<Record> &users, Store store)
{
    int next = 0;
    for (Record &u : users) {
        if (next >= rows.size())
            break;
        if (u.flags & UserHidden)
            continue;
        const UserRow &row = rows.at(next++);
        store(row, u);
        u.rights = qint8(row.rights);
        u.position = qint8(row.position);
        u.flags = row.active ? (u.flags | UserActive) : (u.flags & ~UserActive);
    }
}

} // namespace

void storeUserRows(const UserRows &rows, DeviceParams53 &params)
{
    storeRows(rows, params.users, [](const UserRow &row, UserRecord53 &u) {
        storeText(u.name, row.name, u.name.text());
        storeText(u.barcode, row.barcode, u.barcode.text());
        storeText(u.inn, row.inn, u.inn.text());
        storeText(u.fullName, row.fullName, u.fullName.text());
        storeText(u.password, row.password, u.password.text());
    });
}

void storeUserRows(const UserRows &rows, DeviceParams52 &params)
{
    storeRows(rows, params.users, [](const UserRow &row, UserRecord52 &u) {
        storeText(u.name, row.name, u.name.text());
        // The register keeps the first 12 digits; the check digit is derived.
        if (row.barcode != u.barcode.barcode())
            u.barcode.setBytes(packedBarcode(row.barcode));
    });
}

QStringList positionNames(const DeviceParams &params)
{
    QStringList names;
    for (const PositionName &name : params.positions)
        names.append(name.text());
    return names;
}

UserTableModel::UserTableModel(const QVector<Field> &columns, QObject *parent)
    : QAbstractTableModel(parent)
    , m_columns(columns)
    , m_rightsNames { tr("Кассир"), tr("Ст.кассир"), tr("Администратор"), tr("Техник") }
{
}

int UserTableModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_rows.size();
}

int UserTableModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_columns.size();
}

QVariant UserTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0
        || section >= m_columns.size())
        return {};
    switch (m_columns.at(section)) {
    case Name:
        return tr("Имя");
    case Rights:
        return tr("Права");
    case Barcode:
        return tr("Штрихкод");
    case Inn:
        return tr("ИНН");
    case FullName:
        return tr("Полное имя");
    case Password:
        return tr("Пароль");
    case Position:
        return tr("Должность");
    case Active:
        return tr("Акт.");
    }
    return {};
}

Qt::ItemFlags UserTableModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    switch (m_columns.at(index.column())) {
    case Rights:
    case Password:
        return Qt::ItemIsSelectable | Qt::ItemIsEnabled;
    case Active:
        return Qt::ItemIsSelectable | Qt::ItemIsUserCheckable | Qt::ItemIsEnabled;
    default:
        return Qt::ItemIsSelectable | Qt::ItemIsEditable | Qt::ItemIsEnabled;
    }
}

namespace {

// Entry code - 1 of the list, or nothing when the code has no name.
QVariant nameOf(const QStringList &names, int code)
{
    return code >= 1 && code <= names.size() ? QVariant(names.at(code - 1)) : QVariant();
}

} // namespace

QVariant UserTableModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows.size())
        return {};
    const UserRow &row = m_rows.at(index.row());
    const Field field = m_columns.at(index.column());
    if (field == Active) {
        if (role == Qt::DisplayRole || role == Qt::CheckStateRole)
            return row.active ? Qt::Checked : Qt::Unchecked;
        return role == Qt::EditRole ? QVariant(row.active) : QVariant();
    }
    if (role != Qt::DisplayRole && role != Qt::EditRole)
        return {};
    const bool display = role == Qt::DisplayRole;
    switch (field) {
    case Name:
        return row.name;
    case Rights:
        return display ? nameOf(m_rightsNames, row.rights) : QVariant(row.rights);
    case Barcode:
        return row.barcode;
    case Inn:
        return row.inn;
    case FullName:
        return row.fullName;
    case Password:
        return row.password;
    case Position:
        return display ? nameOf(m_positionNames, row.position) : QVariant(row.position);
    case Active:
        break;
    }
    return {};
}

bool UserTableModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (!index.isValid() || index.row() >= m_rows.size())
        return false;
    UserRow &row = m_rows[index.row()];
    const Field field = m_columns.at(index.column());
    if (role == Qt::CheckStateRole) {
        if (field != Active)
            return false;
        row.active = value.toInt() == Qt::Checked;
    } else if (role == Qt::EditRole) {
        switch (field) {
        case Name:
            row.name = value.toString();
            break;
        case Barcode:
            if (!storedBarcode(value.toString(), &row.barcode))
                return false;
            break;
        case Inn:
            row.inn = value.toString();
            break;
        case FullName:
            row.fullName = value.toString();
            break;
        case Position:
            row.position = value.toInt();
            break;
        case Active:
            row.active = value.toBool();
            break;
        case Rights:
        case Password:
            return false;
        }
    } else {
        return false;
    }
    emit dataChanged(index, index, { Qt::DisplayRole, Qt::EditRole, Qt::CheckStateRole });
    return true;
}

void UserTableModel::setRows(const UserRows &rows, const QStringList &positionNames)
{
    beginResetModel();
    m_rows = rows;
    m_positionNames = positionNames;
    endResetModel();
}

void UserTableModel::setPositionNames(const QStringList &names)
{
    m_positionNames = names;
    const int column = m_columns.indexOf(Position);
    if (column >= 0 && !m_rows.isEmpty())
        emit dataChanged(index(0, column), index(m_rows.size() - 1, column), { Qt::DisplayRole });
}

UserTableModel53::UserTableModel53(QObject *parent)
    : UserTableModel({ Name, Rights, Barcode, Inn, FullName, Password, Position, Active }, parent)
{
}

UserTableModel52::UserTableModel52(QObject *parent)
    : UserTableModel({ Name, Rights, Barcode, Position, Active }, parent)
{
}

bool UserTableModel::storedBarcode(const QString &typed, QString *stored) const
{
    *stored = typed;
    return true;
}

bool UserTableModel52::storedBarcode(const QString &typed, QString *stored) const
{
    // Digits only: the register packs them as decimal digits.
    for (const QChar c : typed) {
        if (!c.isDigit() || c.unicode() > '9')
            return false;
    }
    // The cell shows at once what the register will hold: the first 12
    // digits and their check digit ("123" becomes "1236").
    *stored = PackedBcd::decodeBarcode(packedBarcode(typed));
    return true;
}
