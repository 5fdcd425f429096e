#include "goodstablemodel.h"

GoodsTableModel::GoodsTableModel(QObject *parent)
    : QAbstractTableModel(parent)
{
}

int GoodsTableModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_goods.size();
}

int GoodsTableModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : GoodsColumnCount;
}

const QString *GoodsTableModel::departmentName(int dept) const
{
    return dept >= 1 && dept <= m_departments.size() ? &m_departments.at(dept - 1) : nullptr;
}

QVariant GoodsTableModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return QVariant();
    if (role != Qt::DisplayRole && role != Qt::EditRole)
        return QVariant();
    const Goods &g = m_goods.at(index.row());
    switch (index.column()) {
    case GoodsNameColumn:
        return g.name;
    case GoodsIntcodeColumn:
        return g.intcode;
    case GoodsBarcodeColumn:
        return g.barcode;
    case GoodsPriceColumn:
        return g.price;
    case GoodsDeptColumn:
        if (role == Qt::EditRole)
            return g.dept;
        if (const QString *name = departmentName(g.dept))
            return *name;
        return QVariant();
    }
    return QVariant();
}

bool GoodsTableModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (role != Qt::EditRole
        || !checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return false;
    Goods &g = m_goods[index.row()];
    switch (index.column()) {
    case GoodsNameColumn:
        g.name = value.toString();
        break;
    case GoodsIntcodeColumn:
        g.intcode = value.toString();
        break;
    case GoodsBarcodeColumn:
        g.barcode = value.toString();
        break;
    case GoodsPriceColumn:
        g.price = value.toDouble();
        break;
    case GoodsDeptColumn:
        g.dept = value.toInt();
        break;
    }
    emit dataChanged(index, index, { Qt::DisplayRole, Qt::EditRole });
    return true;
}

QVariant GoodsTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return QVariant();
    if (orientation == Qt::Vertical)
        return section + 1;
    switch (section) {
    case GoodsNameColumn:
        return QStringLiteral("Наименование");
    case GoodsIntcodeColumn:
        return QStringLiteral("Вн. код");
    case GoodsBarcodeColumn:
        return QStringLiteral("Штрихкод");
    case GoodsPriceColumn:
        return QStringLiteral("Цена");
    case GoodsDeptColumn:
        return QStringLiteral("Отдел");
    }
    return QVariant();
}

bool GoodsTableModel::insertRows(int row, int count, const QModelIndex &parent)
{
    if (parent.isValid() || row < 0 || row > m_goods.size() || count < 1)
        return false;
    beginInsertRows(parent, row, row + count - 1);
    m_goods.insert(row, count, Goods());
    endInsertRows();
    return true;
}

bool GoodsTableModel::removeRows(int row, int count, const QModelIndex &parent)
{
    // Positions past the end are skipped; the notification covers only the
    // rows that really go.
    if (parent.isValid() || row < 0 || row >= m_goods.size() || count < 1)
        return false;
    const int last = qMin(row + count, m_goods.size()) - 1;
    beginRemoveRows(parent, row, last);
    m_goods.remove(row, last - row + 1);
    endRemoveRows();
    return true;
}

Qt::ItemFlags GoodsTableModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsSelectable | Qt::ItemIsEditable | Qt::ItemIsEnabled;
}

void GoodsTableModel::setGoods(GoodsList goods)
{
    beginResetModel();
    m_goods.swap(goods);
    endResetModel();
}

void GoodsTableModel::setDepartments(const QStringList &names)
{
    m_departments = names;
    if (!m_goods.isEmpty())
        emit dataChanged(index(0, GoodsDeptColumn), index(m_goods.size() - 1, GoodsDeptColumn),
                         { Qt::DisplayRole });
}

bool GoodsTableModel::lessThan(int leftRow, int rightRow, int column) const
{
    const Goods &l = m_goods.at(leftRow);
    const Goods &r = m_goods.at(rightRow);
    switch (column) {
    case GoodsNameColumn:
        return l.name.compare(r.name, Qt::CaseSensitive) < 0;
    case GoodsIntcodeColumn:
        return l.intcode.compare(r.intcode, Qt::CaseSensitive) < 0;
    case GoodsBarcodeColumn:
        return l.barcode.compare(r.barcode, Qt::CaseSensitive) < 0;
    case GoodsPriceColumn:
        return l.price < r.price;
    case GoodsDeptColumn: {
        const QString *ln = departmentName(l.dept);
        const QString *rn = departmentName(r.dept);
        if (!ln)
            return false;
        if (!rn)
            return true;
        return ln->compare(*rn, Qt::CaseSensitive) < 0;
    }
    }
    return false;
}
