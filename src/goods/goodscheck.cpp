#include "goodscheck.h"

#include "goods/cp1251table.h"
#include "goods/goodsimage.h"
#include "goods/goodssortfilterproxymodel.h"
#include "goods/goodstablemodel.h"
#include "tabs/fieldchecks.h"

#include <numeric>

namespace {

bool isDigits(const QString &text)
{
    for (const QChar c : text)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    return true;
}

void checkRow(QVector<GoodsFinding> &out, int viewRow, const Goods &g, int departmentCount)
{
    const QString number = QString::number(viewRow + 1);
    auto add = [&](int column, const char *text) {
        out.append(GoodsFinding { viewRow, column, QString::fromUtf8(text).arg(number) });
    };
    if (g.name.isEmpty())
        add(GoodsNameColumn, "%1. Наименование не задано");
    // A character Windows-1251 lacks would reach the register as "?".
    else if (g.name.size() > GoodsNameBytes || !Cp1251Table::canEncode(g.name))
        add(GoodsNameColumn, "%1. Наименование содержит некорректное значение");
    if (g.intcode.isEmpty())
        add(GoodsIntcodeColumn, "%1. Внутренний код не задан");
    else if (g.intcode.size() > GoodsIntcodeBytes || !isDigits(g.intcode))
        add(GoodsIntcodeColumn, "%1. Внутренний код содержит некорректное значение");
    if (!isValidBarcode(g.barcode, true))
        add(GoodsBarcodeColumn, "%1. Штрихкод содержит некорректное значение");
    // The image field is unsigned: a negative price cannot be written.
    if (!isEncodablePrice(g.price))
        add(GoodsPriceColumn, "%1. Цена содержит некорректное значение");
    if (g.dept < 1 || g.dept > departmentCount)
        add(GoodsDeptColumn, "%1. Номер отдела содержит некорректное значение");
}

} // namespace

QVector<GoodsFinding> checkGoods(const GoodsList &rows, const QVector<int> &viewOrder, int capacity,
                                 int departmentCount)
{
    QVector<GoodsFinding> findings;
    capacity = effectiveGoodsCapacity(capacity);
    if (viewOrder.size() >= capacity)
        findings.append(GoodsFinding { 0, GoodsNameColumn,
                                       QStringLiteral("Количество строк %1 превышает лимит %2")
                                           .arg(viewOrder.size())
                                           .arg(capacity - 1) });
    for (int i = 0; i < viewOrder.size(); ++i)
        checkRow(findings, i, rows.at(viewOrder.at(i)), departmentCount);
    return findings;
}

QVector<GoodsFinding> checkGoods(const GoodsList &rows, int capacity, int departmentCount)
{
    QVector<int> order(rows.size());
    std::iota(order.begin(), order.end(), 0);
    return checkGoods(rows, order, capacity, departmentCount);
}

QVector<GoodsFinding> checkGoods(const GoodsSortFilterProxyModel &view, int capacity)
{
    const auto *model = qobject_cast<const GoodsTableModel *>(view.sourceModel());
    if (!model)
        return {};
    QVector<int> order(view.rowCount());
    for (int i = 0; i < order.size(); ++i)
        order[i] = view.mapToSource(view.index(i, 0)).row();
    return checkGoods(model->goods(), order, capacity, model->departments().size());
}
