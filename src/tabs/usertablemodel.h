#pragma once

#include <QAbstractTableModel>
#include <QStringList>
#include <QVector>

class DeviceParams;
class DeviceParams52;
class DeviceParams53;

// One user of the users table: a user record whose hidden bit is clear.
// Family 2.52 leaves the taxpayer number, full name and password empty.
struct UserRow
{
    int record = -1; // index of the user record in the parameter set
    QString name;
    QString barcode;
    QString inn;
    QString fullName;
    QString password;
    int rights = 0;
    int position = 0;
    bool active = false;
};

using UserRows = QVector<UserRow>;

// The rows of a parameter set's users, one per record not marked hidden, in
// record order. Family 2.52 shows the barcode with its check digit.
UserRows userRows(const DeviceParams53 &params);
UserRows userRows(const DeviceParams52 &params);
// Writes the rows in order into the records not marked hidden: the texts,
// rights, position and the active bit. Hidden records and every other flag
// bit stay as they are; a value the row did not change keeps its stored bytes.
void storeUserRows(const UserRows &rows, DeviceParams53 &params);
void storeUserRows(const UserRows &rows, DeviceParams52 &params);
// The position names of a parameter set; position code p is entry p - 1.
QStringList positionNames(const DeviceParams &params);

// The users table of either family; each family's model picks its columns.
// Rights and password are shown but never written through setData.
class UserTableModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Field { Name, Rights, Barcode, Inn, FullName, Password, Position, Active };

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;

    // Replaces the rows and the position names (a model reset).
    void setRows(const UserRows &rows, const QStringList &positionNames);
    const UserRows &rows() const { return m_rows; }
    QStringList positionNames() const { return m_positionNames; }
    // New names for the position codes; the rows keep their codes.
    void setPositionNames(const QStringList &names);
    // "Кассир", "Ст.кассир", "Администратор", "Техник": rights code c is entry c - 1.
    QStringList rightsNames() const { return m_rightsNames; }
    // The column of a field, or -1 when the family's table lacks it.
    int column(Field field) const { return m_columns.indexOf(field); }

protected:
    UserTableModel(const QVector<Field> &columns, QObject *parent);

    // The barcode as the register stores it, shown as soon as the edit is
    // committed; false refuses the text.
    virtual bool storedBarcode(const QString &typed, QString *stored) const;

private:
    QVector<Field> m_columns;
    QStringList m_rightsNames;
    QStringList m_positionNames;
    UserRows m_rows;
};

// "Имя", "Права", "Штрихкод", "ИНН", "Полное имя", "Пароль", "Должность", "Акт."
class UserTableModel53 : public UserTableModel
{
    Q_OBJECT

public:
    explicit UserTableModel53(QObject *parent = nullptr);
};

// "Имя", "Права", "Штрихкод", "Должность", "Акт."
class UserTableModel52 : public UserTableModel
{
    Q_OBJECT

public:
    explicit UserTableModel52(QObject *parent = nullptr);

protected:
    bool storedBarcode(const QString &typed, QString *stored) const override;
};
