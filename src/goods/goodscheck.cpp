#include "goodscheck.h"

#include "goods/cp1251table.h"
#include "goods/goodsimage.h"
#include "goods/goodssortfilterproxymodel.h"
#include "goods/goodstablemodel.h"
#include "params/deviceparams52.h"
#include "params/deviceparams53.h"
#include "params/textcodec.h"
#include "tabs/fieldchecks.h"

#include <QLocale>

#include <algorithm>
#include <numeric>
#include <vector>

namespace {

bool isDigits(const QString &text)
{
    for (const QChar c : text)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    return true;
}

// An amount in ten-thousandths as the register's settings show it: "50000.00".
QString amountText(qint64 value)
{
    const qint64 h = value / 100;
    return QStringLiteral("%1.%2").arg(h / 100).arg(h % 100, 2, 10, QLatin1Char('0'));
}

// For each place in the view, the first earlier place whose row has the same
// non-empty value in field, or -1. The values are hashed once and the places
// sorted by hash: the rows' texts lie scattered in memory, and a sort that
// compared them would spend its time waiting for them.
std::vector<int> earlierSame(const GoodsList &rows, const QVector<int> &viewOrder, QString Goods::*field)
{
    const int n = viewOrder.size();
    std::vector<std::pair<uint, int>> keyed; // (hash, place)
    keyed.reserve(size_t(n));
    for (int i = 0; i < n; ++i) {
        const QString &value = rows.at(viewOrder.at(i)).*field;
        if (!value.isEmpty())
            keyed.emplace_back(qHash(value), i);
    }
    std::sort(keyed.begin(), keyed.end());
    const auto value = [&](int place) -> const QString & { return rows.at(viewOrder.at(place)).*field; };
    std::vector<int> first(size_t(n), -1);
    // Within one hash, the distinct values met so far, each with its first place.
    std::vector<int> distinct;
    for (size_t k = 0; k < keyed.size(); ++k) {
        if (k == 0 || keyed[k].first != keyed[k - 1].first)
            distinct.clear();
        const int place = keyed[k].second;
        const auto same
            = std::find_if(distinct.begin(), distinct.end(), [&](int d) { return value(d) == value(place); });
        if (same == distinct.end())
            distinct.push_back(place);
        else
            first[size_t(place)] = *same;
    }
    return first;
}

class RowChecker
{
public:
    RowChecker(QVector<GoodsFinding> &out, const GoodsCheckLimits &limits, const GoodsList &rows,
               const QVector<int> &viewOrder)
        : m_out(out)
        , m_limits(limits)
        , m_codes(earlierSame(rows, viewOrder, &Goods::intcode))
        , m_barcodes(earlierSame(rows, viewOrder, &Goods::barcode))
    {
    }

    void check(int viewRow, const Goods &g)
    {
        m_row = viewRow;
        m_number = QString::number(viewRow + 1);
        if (g.name.isEmpty())
            add(GoodsNameColumn, "%1. Наименование не задано");
        else if (g.name.size() > GoodsNameBytes)
            add(GoodsNameColumn, "%1. Наименование содержит некорректное значение");
        // A character Windows-1251 lacks would reach the register as "?".
        if (!g.name.isEmpty() && !Cp1251Table::canEncode(g.name)) {
            QByteArray bytes;
            char32_t unheld = 0;
            TextCodec::encodeStrict(g.name, &bytes, &unheld);
            add(GoodsNameColumn, "%1. Наименование содержит символ %2, которого нет в кодировке Windows-1251",
                TextCodec::describe(unheld));
        }
        if (g.intcode.isEmpty())
            add(GoodsIntcodeColumn, "%1. Внутренний код не задан");
        else if (g.intcode.size() > GoodsIntcodeBytes || !isDigits(g.intcode))
            add(GoodsIntcodeColumn, "%1. Внутренний код содержит некорректное значение");
        repeated(m_codes, g.intcode, GoodsIntcodeColumn,
                 "%1. Внутренний код %2 повторяется: он уже есть в строке %3");
        if (!isValidBarcode(g.barcode, true))
            add(GoodsBarcodeColumn, "%1. Штрихкод содержит некорректное значение");
        repeated(m_barcodes, g.barcode, GoodsBarcodeColumn,
                 "%1. Штрихкод %2 повторяется: он уже есть в строке %3");
        // The image field is unsigned: a negative price cannot be written.
        if (!isEncodablePrice(g.price))
            add(GoodsPriceColumn, "%1. Цена содержит некорректное значение");
        else if (m_limits.maxPrice > 0 && qRound64(g.price * 100) * 100 > m_limits.maxPrice)
            add(GoodsPriceColumn, "%1. Цена %2 больше максимальной цены ККТ %3",
                QLocale::c().toString(g.price, 'f', 2), amountText(m_limits.maxPrice));
        if (g.dept < 1 || g.dept > m_limits.departmentNames)
            add(GoodsDeptColumn, "%1. Номер отдела содержит некорректное значение");
        else if (m_limits.departmentsInUse > 0 && g.dept > m_limits.departmentsInUse)
            add(GoodsDeptColumn, "%1. Отдел %2 не используется: в ККТ настроено отделов %3",
                QString::number(g.dept), QString::number(m_limits.departmentsInUse));
    }

private:
    void add(int column, const char *text, const QString &a = QString(), const QString &b = QString())
    {
        // One pass over the text, so that a value holding "%3" stays as it is.
        const QString t = QString::fromUtf8(text);
        const QString message = a.isNull() ? t.arg(m_number)
            : b.isNull()                   ? t.arg(m_number, a)
                                           : t.arg(m_number, a, b);
        m_out.append(GoodsFinding { m_row, column, message });
    }

    // A value an earlier row (as shown) has too.
    void repeated(const std::vector<int> &earlier, const QString &value, int column, const char *text)
    {
        const int first = earlier[size_t(m_row)];
        if (first >= 0)
            add(column, text, value, QString::number(first + 1));
    }

    QVector<GoodsFinding> &m_out;
    const GoodsCheckLimits &m_limits;
    const std::vector<int> m_codes;
    const std::vector<int> m_barcodes;
    int m_row = 0;
    QString m_number;
};

} // namespace

void GoodsCheckLimits::takeSettings(const DeviceParams &params)
{
    const TradeConfig *trade = nullptr;
    if (const auto *p = qobject_cast<const DeviceParams52 *>(&params))
        trade = &p->tradeConfig;
    else if (const auto *p = qobject_cast<const DeviceParams53 *>(&params))
        trade = &p->tradeConfig;
    if (!trade)
        return;
    departmentsInUse = trade->departmentCount >= 1 && trade->departmentCount <= DeviceParams::DepartmentCount
        ? trade->departmentCount
        : 0;
    maxPrice = qMax<qint64>(trade->maxPrice, 0);
}

QVector<GoodsFinding> checkGoods(const GoodsList &rows, const QVector<int> &viewOrder,
                                 const GoodsCheckLimits &limits)
{
    QVector<GoodsFinding> findings;
    const int capacity = effectiveGoodsCapacity(limits.capacity);
    if (viewOrder.size() >= capacity)
        findings.append(GoodsFinding { 0, GoodsNameColumn,
                                       QStringLiteral("Количество строк %1 превышает лимит %2")
                                           .arg(viewOrder.size())
                                           .arg(capacity - 1) });
    RowChecker checker(findings, limits, rows, viewOrder);
    for (int i = 0; i < viewOrder.size(); ++i)
        checker.check(i, rows.at(viewOrder.at(i)));
    return findings;
}

QVector<GoodsFinding> checkGoods(const GoodsList &rows, const GoodsCheckLimits &limits)
{
    QVector<int> order(rows.size());
    std::iota(order.begin(), order.end(), 0);
    return checkGoods(rows, order, limits);
}

QVector<GoodsFinding> checkGoods(const GoodsSortFilterProxyModel &view, GoodsCheckLimits limits)
{
    const auto *model = qobject_cast<const GoodsTableModel *>(view.sourceModel());
    if (!model)
        return {};
    limits.departmentNames = model->departments().size();
    QVector<int> order(view.rowCount());
    for (int i = 0; i < order.size(); ++i)
        order[i] = view.mapToSource(view.index(i, 0)).row();
    return checkGoods(model->goods(), order, limits);
}

QVector<GoodsFinding> checkGoods(const GoodsList &rows, int capacity, int departmentCount)
{
    GoodsCheckLimits limits;
    limits.capacity = capacity;
    limits.departmentNames = departmentCount;
    return checkGoods(rows, limits);
}

QVector<GoodsFinding> checkGoods(const GoodsSortFilterProxyModel &view, int capacity)
{
    GoodsCheckLimits limits;
    limits.capacity = capacity;
    return checkGoods(view, limits);
}
