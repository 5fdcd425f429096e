// Sorting the goods view by name and by price against a plain std::sort of
// the same 100 000 keys.
#include "goodsbench.h"

#include "goods/goodssortfilterproxymodel.h"
#include "goods/goodstablemodel.h"

#include <QCoreApplication>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 9;
    const int count = 100000;

    GoodsTableModel model;
    model.setDepartments({ "Бакалея", "Молочный", "Хлеб", "Напитки" });
    model.setGoods(generateGoods(count));
    GoodsSortFilterProxyModel proxy;
    proxy.setSourceModel(&model);
    std::printf("%d rows; median of %d runs, each from catalogue order\n", count, runs);

    const auto unsort = [&] { proxy.sort(-1); };
    std::vector<QString> names;
    std::vector<double> prices;
    const auto copyKeys = [&] {
        names.clear();
        prices.clear();
        for (const Goods &g : model.goods()) {
            names.push_back(g.name);
            prices.push_back(g.price);
        }
    };
    copyKeys();

    const Timing byName = measure(
        runs, [&] { proxy.sort(GoodsNameColumn); }, unsort);
    const Timing namesRef = measure(
        runs, [&] { std::sort(names.begin(), names.end()); }, copyKeys);
    report("sort the view by name", byName, "std::sort of the names", namesRef, "<= 3.00");

    const Timing byPrice = measure(
        runs, [&] { proxy.sort(GoodsPriceColumn); }, unsort);
    const Timing pricesRef = measure(
        runs, [&] { std::sort(prices.begin(), prices.end()); }, copyKeys);
    report("sort the view by price", byPrice, "std::sort of the prices", pricesRef, "<= 3.00");

    const Timing byDept = measure(
        runs, [&] { proxy.sort(GoodsDeptColumn, Qt::DescendingOrder); }, unsort);
    report("sort the view by department, descending", byDept, "std::sort of the names", namesRef, "(none)");
    return 0;
}
