#include "goodstablemodel.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <limits>

namespace {

// A NaN price (only a program can set one) sorts last, like a missing value,
// so that the order stays a strict weak order.
bool priceLess(double l, double r)
{
    if (std::isnan(l))
        return false;
    if (std::isnan(r))
        return true;
    return l < r;
}

// Ranks from rows sorted by key: rows with equal keys share a rank.
template<typename Key, typename Less>
std::vector<int> ranksOf(std::vector<std::pair<Key, int>> &keyed, Less less)
{
    std::sort(keyed.begin(), keyed.end(),
              [&](const auto &a, const auto &b) { return less(a.first, b.first); });
    std::vector<int> ranks(keyed.size());
    int rank = 0;
    for (size_t i = 0; i < keyed.size(); ++i) {
        if (i > 0 && less(keyed[i - 1].first, keyed[i].first))
            ++rank;
        ranks[size_t(keyed[i].second)] = rank;
    }
    return ranks;
}

// Price ranks by a radix sort of the prices' bit patterns, turned so that
// unsigned order is numeric order: a third of std::sort's time, which keeps
// the view's sort by price near a plain sort of the prices.
std::vector<int> priceRanks(const GoodsList &goods)
{
    const size_t n = size_t(goods.size());
    std::vector<quint64> keys(n), keysOut(n);
    std::vector<int> rows(n), rowsOut(n);
    for (size_t i = 0; i < n; ++i) {
        double price = goods.at(int(i)).price;
        if (std::isnan(price))
            price = std::numeric_limits<double>::quiet_NaN(); // one NaN, after +inf
        else if (price == 0)
            price = 0.0; // -0.0 equals 0.0
        quint64 bits;
        std::memcpy(&bits, &price, sizeof bits);
        keys[i] = bits >> 63 ? ~bits : bits | (quint64(1) << 63);
        rows[i] = int(i);
    }
    for (int shift = 0; shift < 64; shift += 8) {
        std::array<size_t, 257> start {};
        for (const quint64 k : keys)
            ++start[((k >> shift) & 0xFF) + 1];
        if (std::find(start.begin() + 1, start.end(), n) != start.end())
            continue; // every key has this digit
        for (size_t d = 1; d < start.size(); ++d)
            start[d] += start[d - 1];
        for (size_t i = 0; i < n; ++i) {
            const size_t at = start[(keys[i] >> shift) & 0xFF]++;
            keysOut[at] = keys[i];
            rowsOut[at] = rows[i];
        }
        keys.swap(keysOut);
        rows.swap(rowsOut);
    }
    std::vector<int> ranks(n);
    int rank = 0;
    for (size_t i = 0; i < n; ++i) {
        if (i > 0 && keys[i] != keys[i - 1])
            ++rank;
        ranks[size_t(rows[i])] = rank;
    }
    return ranks;
}

// Internal codes: empty ones first, then codes of digits alone by their
// number ("9" before "10"), then other codes as texts. Numerically equal
// codes ("7", "007") fall back on their text, so the order stays strict.
int codeClass(QStringView code)
{
    if (code.isEmpty())
        return 0;
    for (const QChar c : code)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return 2;
    return 1;
}

bool intcodeLess(QStringView l, QStringView r)
{
    const int lc = codeClass(l);
    const int rc = codeClass(r);
    if (lc != rc)
        return lc < rc;
    if (lc == 1) {
        const auto significant = [](QStringView digits) {
            int zeros = 0;
            while (zeros + 1 < digits.size() && digits.at(zeros) == QLatin1Char('0'))
                ++zeros;
            return digits.mid(zeros);
        };
        const QStringView ln = significant(l);
        const QStringView rn = significant(r);
        if (ln.size() != rn.size())
            return ln.size() < rn.size();
        if (const int c = ln.compare(rn))
            return c < 0;
    }
    return l.compare(r, Qt::CaseSensitive) < 0;
}

} // namespace

GoodsTableModel::GoodsTableModel(QObject *parent)
    : QAbstractTableModel(parent)
{
}

// The sorting proxy asks for two indexes per comparison: no virtual
// rowCount()/columnCount() round trips here.
QModelIndex GoodsTableModel::index(int row, int column, const QModelIndex &parent) const
{
    if (parent.isValid() || row < 0 || row >= m_goods.size() || column < 0 || column >= GoodsColumnCount)
        return QModelIndex();
    return createIndex(row, column);
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
    const Goods before = g;
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
    if (g != before)
        emit edited(index.row(), before);
    return true;
}

void GoodsTableModel::setRow(int row, const Goods &goods)
{
    if (row < 0 || row >= m_goods.size())
        return;
    m_goods[row] = goods;
    emit dataChanged(index(row, 0), index(row, GoodsColumnCount - 1), { Qt::DisplayRole, Qt::EditRole });
}

void GoodsTableModel::restoreRows(const QVector<QPair<int, Goods>> &rows)
{
    // A few rows one by one keep the view's selection and scrolling; more
    // would make a sorting proxy remap its rows once per row.
    constexpr int FewRows = 64;
    if (rows.size() <= FewRows) {
        for (const auto &row : rows) {
            const int at = qBound(0, row.first, m_goods.size());
            beginInsertRows(QModelIndex(), at, at);
            m_goods.insert(at, row.second);
            endInsertRows();
        }
        return;
    }
    GoodsList merged;
    merged.reserve(m_goods.size() + rows.size());
    int kept = 0;
    for (const auto &row : rows) {
        while (merged.size() < row.first && kept < m_goods.size())
            merged.append(m_goods.at(kept++));
        merged.append(row.second);
    }
    while (kept < m_goods.size())
        merged.append(m_goods.at(kept++));
    setGoods(std::move(merged));
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
        return intcodeLess(l.intcode, r.intcode);
    case GoodsBarcodeColumn:
        return l.barcode.compare(r.barcode, Qt::CaseSensitive) < 0;
    case GoodsPriceColumn:
        return priceLess(l.price, r.price);
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

std::vector<int> GoodsTableModel::sortRanks(int column) const
{
    const int n = m_goods.size();
    if (column == GoodsPriceColumn)
        return priceRanks(m_goods);
    if (column == GoodsDeptColumn) {
        // The few department names are ranked once; rows take their name's rank.
        const int names = m_departments.size();
        std::vector<std::pair<int, int>> keyed(static_cast<size_t>(names));
        for (int d = 0; d < names; ++d)
            keyed[size_t(d)] = { d, d };
        const std::vector<int> nameRanks = ranksOf(keyed, [&](int a, int b) {
            return m_departments.at(a).compare(m_departments.at(b), Qt::CaseSensitive) < 0;
        });
        const int unnamed = names; // after every name
        std::vector<int> ranks(static_cast<size_t>(n));
        for (int i = 0; i < n; ++i) {
            const int dept = m_goods.at(i).dept;
            ranks[size_t(i)] = dept >= 1 && dept <= names ? nameRanks[size_t(dept - 1)] : unnamed;
        }
        return ranks;
    }
    std::vector<std::pair<QStringView, int>> keyed(static_cast<size_t>(n));
    if (column == GoodsIntcodeColumn) {
        for (int i = 0; i < n; ++i)
            keyed[size_t(i)] = { QStringView(m_goods.at(i).intcode), i };
        return ranksOf(keyed, intcodeLess);
    }
    for (int i = 0; i < n; ++i) {
        const Goods &g = m_goods.at(i);
        const QString &text = column == GoodsNameColumn ? g.name : g.barcode;
        keyed[size_t(i)] = { QStringView(text), i };
    }
    return ranksOf(keyed, [](QStringView a, QStringView b) { return a.compare(b, Qt::CaseSensitive) < 0; });
}
