#include "goodstestutil.h"

#include "goods/goodssortfilterproxymodel.h"
#include "goods/goodstablemodel.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QtTest>

#include <algorithm>

class TestGoodsModel : public QObject
{
    Q_OBJECT

private slots:
    void modelContract();
    void data_data();
    void data();
    void headers();
    void setData();
    void insertAndRemove();
    void priceSortsNumerically();
    void sortingAnnouncedFirst();
    void sortMatchesPlainProxy_data();
    void sortMatchesPlainProxy();
    void intcodesSortAsNumbers();
};

namespace {

const QStringList Departments
    = { QStringLiteral("Бакалея"), QStringLiteral("Молочный"), QStringLiteral("Хлеб") };

Goods goods(const QString &name, double price, int dept = 1)
{
    Goods g;
    g.name = name;
    g.intcode = QStringLiteral("12");
    g.barcode = QStringLiteral("4600000000015");
    g.price = price;
    g.dept = dept;
    return g;
}

QStringList column(const QAbstractItemModel &m, int col, int role = Qt::DisplayRole)
{
    QStringList out;
    for (int r = 0; r < m.rowCount(); ++r)
        out << m.index(r, col).data(role).toString();
    return out;
}

QStringList verticalHeader(const QAbstractItemModel &m)
{
    QStringList out;
    for (int r = 0; r < m.rowCount(); ++r)
        out << m.headerData(r, Qt::Vertical).toString();
    return out;
}

} // namespace

void TestGoodsModel::modelContract()
{
    GoodsTableModel model;
    GoodsSortFilterProxyModel proxy;
    proxy.setSourceModel(&model);
    QAbstractItemModelTester modelTester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    QAbstractItemModelTester proxyTester(&proxy, QAbstractItemModelTester::FailureReportingMode::QtTest);

    model.setGoods(randomGoods(20, 1));
    model.setDepartments(Departments);
    proxy.sort(GoodsNameColumn);
    QVERIFY(model.insertRows(3, 2));
    QVERIFY(model.setData(model.index(4, GoodsPriceColumn), 5.5));
    QVERIFY(model.removeRows(18, 5)); // runs past the end
    proxy.sort(GoodsDeptColumn, Qt::DescendingOrder);
    model.setGoods(GoodsList());
}

void TestGoodsModel::data_data()
{
    QTest::addColumn<int>("dept");
    QTest::addColumn<int>("col");
    QTest::addColumn<QVariant>("display");
    QTest::addColumn<QVariant>("edit");

    QTest::newRow("name") << 1 << 0 << QVariant(QStringLiteral("Сыр")) << QVariant(QStringLiteral("Сыр"));
    QTest::newRow("intcode") << 1 << 1 << QVariant(QStringLiteral("12")) << QVariant(QStringLiteral("12"));
    QTest::newRow("price as a number") << 1 << 3 << QVariant(12.5) << QVariant(12.5);
    QTest::newRow("dept 3 of 3 shows its name") << 3 << 4 << QVariant(QStringLiteral("Хлеб")) << QVariant(3);
    QTest::newRow("dept 0 shows nothing") << 0 << 4 << QVariant() << QVariant(0);
    QTest::newRow("dept 4 of 3 shows nothing") << 4 << 4 << QVariant() << QVariant(4);
}

void TestGoodsModel::data()
{
    QFETCH(int, dept);
    QFETCH(int, col);
    QFETCH(QVariant, display);
    QFETCH(QVariant, edit);

    GoodsTableModel model;
    model.setDepartments(Departments);
    model.setGoods({ goods(QStringLiteral("Сыр"), 12.5, dept) });
    const QModelIndex index = model.index(0, col);
    QCOMPARE(index.data(Qt::DisplayRole), display);
    QCOMPARE(index.data(Qt::EditRole), edit);
    QCOMPARE(index.data(Qt::ToolTipRole), QVariant());
    QCOMPARE(model.flags(index), Qt::ItemIsSelectable | Qt::ItemIsEditable | Qt::ItemIsEnabled);
}

void TestGoodsModel::headers()
{
    GoodsTableModel model;
    QStringList names;
    for (int c = 0; c < model.columnCount(); ++c)
        names << model.headerData(c, Qt::Horizontal).toString();
    QCOMPARE(names, QStringList({ "Наименование", "Вн. код", "Штрихкод", "Цена", "Отдел" }));
    QCOMPARE(model.headerData(5, Qt::Horizontal), QVariant());
    QCOMPARE(model.headerData(0, Qt::Horizontal, Qt::ToolTipRole), QVariant());
    QCOMPARE(model.headerData(6, Qt::Vertical), QVariant(7));
}

void TestGoodsModel::setData()
{
    GoodsTableModel model;
    model.setGoods({ goods(QStringLiteral("a"), 1) });
    QSignalSpy changed(&model, &GoodsTableModel::dataChanged);

    QVERIFY(!model.setData(model.index(0, 0), QStringLiteral("b"), Qt::DisplayRole));
    QVERIFY(changed.isEmpty());
    QVERIFY(model.setData(model.index(0, GoodsNameColumn), QStringLiteral("Квас")));
    QVERIFY(model.setData(model.index(0, GoodsPriceColumn), QStringLiteral("2.5")));
    QVERIFY(model.setData(model.index(0, GoodsDeptColumn), QStringLiteral("7")));
    QVERIFY(!changed.isEmpty());
    const Goods &g = model.goods().at(0);
    QCOMPARE(g.name, QStringLiteral("Квас"));
    QCOMPARE(g.price, 2.5);
    QCOMPARE(g.dept, 7);
}

void TestGoodsModel::insertAndRemove()
{
    GoodsTableModel model;
    model.setGoods({ goods(QStringLiteral("a"), 1), goods(QStringLiteral("b"), 2) });

    QVERIFY(model.insertRows(2, 1));
    const Goods &added = model.goods().at(2);
    QVERIFY(added.name.isEmpty() && added.intcode.isEmpty() && added.barcode.isEmpty());
    QCOMPARE(added.price, 0.0);
    QCOMPARE(added.dept, 1);
    QVERIFY(!model.insertRows(4, 1));
    QVERIFY(!model.insertRows(-1, 1));

    // Positions past the end are skipped; only row 1 and 2 exist of 1..4.
    QSignalSpy removed(&model, &GoodsTableModel::rowsAboutToBeRemoved);
    QVERIFY(model.removeRows(1, 4));
    QCOMPARE(removed.at(0).at(2).toInt(), 2);
    QCOMPARE(column(model, 0), QStringList({ "a" }));
    QVERIFY(!model.removeRows(1, 1));
}

void TestGoodsModel::priceSortsNumerically()
{
    GoodsTableModel model;
    model.setGoods(
        { goods(QStringLiteral("c"), 10), goods(QStringLiteral("a"), 2), goods(QStringLiteral("b"), 100) });
    GoodsSortFilterProxyModel proxy;
    proxy.setSourceModel(&model);

    proxy.sort(GoodsPriceColumn);
    QCOMPARE(column(proxy, GoodsNameColumn), QStringList({ "a", "c", "b" }));
    QCOMPARE(verticalHeader(proxy), QStringList({ "1", "2", "3" }));
    proxy.sort(GoodsPriceColumn, Qt::DescendingOrder);
    QCOMPARE(column(proxy, GoodsNameColumn), QStringList({ "b", "c", "a" }));
    QCOMPARE(verticalHeader(proxy), QStringList({ "1", "2", "3" }));

    // An edit after the sort moves its row by the current value.
    proxy.sort(GoodsPriceColumn);
    QVERIFY(model.setData(model.index(2, GoodsPriceColumn), 1.0));
    QCOMPARE(column(proxy, GoodsNameColumn), QStringList({ "b", "a", "c" }));
    // Only a program can set a NaN price: it sorts last, as a missing value.
    QVERIFY(model.setData(model.index(2, GoodsPriceColumn), qQNaN()));
    proxy.sort(GoodsPriceColumn);
    QCOMPARE(column(proxy, GoodsNameColumn), QStringList({ "a", "c", "b" }));
}

void TestGoodsModel::sortingAnnouncedFirst()
{
    GoodsTableModel model;
    model.setGoods({ goods(QStringLiteral("b"), 1), goods(QStringLiteral("a"), 2) });
    GoodsSortFilterProxyModel proxy;
    proxy.setSourceModel(&model);
    QStringList events;
    connect(&proxy, &GoodsSortFilterProxyModel::sorting, this,
            [&] { events << QStringLiteral("sorting ") + column(proxy, 0).join(QString()); });
    connect(&proxy, &GoodsSortFilterProxyModel::layoutChanged, this,
            [&] { events << QStringLiteral("sorted ") + column(proxy, 0).join(QString()); });

    proxy.sort(GoodsNameColumn);
    QCOMPARE(events, QStringList({ "sorting ba", "sorted ab" }));
}

void TestGoodsModel::sortMatchesPlainProxy_data()
{
    QTest::addColumn<int>("col");
    QTest::addColumn<Qt::SortOrder>("order");
    QTest::addColumn<bool>("anyPrices"); // not only whole hundredths

    for (int c = 0; c < GoodsColumnCount; ++c) {
        if (c == GoodsIntcodeColumn)
            continue; // numbers, not texts: intcodesSortAsNumbers
        QTest::addRow("column %d ascending", c) << c << Qt::AscendingOrder << false;
        QTest::addRow("column %d descending", c) << c << Qt::DescendingOrder << false;
    }
    QTest::newRow("prices beyond hundredths, ascending")
        << int(GoodsPriceColumn) << Qt::AscendingOrder << true;
    QTest::newRow("prices beyond hundredths, descending")
        << int(GoodsPriceColumn) << Qt::DescendingOrder << true;
}

// The proxy compares typed values itself; the order must be the one the base
// class gives from the display values, equal keys and unnamed departments
// included.
void TestGoodsModel::sortMatchesPlainProxy()
{
    QFETCH(int, col);
    QFETCH(Qt::SortOrder, order);
    QFETCH(bool, anyPrices);

    GoodsList rows = randomGoods(400, 7);
    if (anyPrices) {
        for (int i = 0; i < rows.size(); i += 3)
            rows[i].price /= 3;
        rows[10].price = 1e300;
        rows[11].price = -qInf();
        rows[12].price = 0.005;
        rows[13].price = 0.01;
    }
    for (int i = 0; i < rows.size(); i += 5) {
        rows[i].dept = i % 3 ? 0 : 9; // no name
        rows[i].price = -rows[i].price;
        rows[i].name = rows[i].name.toLower();
    }
    for (int i = 1; i < rows.size(); i += 37)
        rows[i].price = i % 2 ? -0.0 : 0.0; // equal, though their bits differ
    GoodsTableModel model;
    model.setDepartments({ "Хлеб", "бакалея", "Alpha", "Хлеб", "Ёлки" });
    model.setGoods(rows);
    GoodsSortFilterProxyModel goodsProxy;
    goodsProxy.setSourceModel(&model);
    QSortFilterProxyModel plainProxy;
    plainProxy.setSourceModel(&model);

    goodsProxy.sort(col, order);
    plainProxy.sort(col, order);
    for (int r = 0; r < model.rowCount(); ++r)
        QCOMPARE(goodsProxy.mapToSource(goodsProxy.index(r, 0)).row(),
                 plainProxy.mapToSource(plainProxy.index(r, 0)).row());
}

// Both ways the proxy sorts: all rows at once (ranks), and one edited row
// put in its place (lessThan).
void TestGoodsModel::intcodesSortAsNumbers()
{
    const QStringList codes = { "10", "9", "", "abc", "7", "007", "1a", "100000000000000000000", "0" };
    GoodsList rows;
    for (const QString &code : codes) {
        Goods g;
        g.name = code;
        g.intcode = code;
        rows.append(g);
    }
    GoodsTableModel model;
    model.setGoods(rows);
    GoodsSortFilterProxyModel proxy;
    proxy.setSourceModel(&model);
    proxy.sort(GoodsIntcodeColumn);
    const QStringList ascending = { "", "0", "007", "7", "9", "10", "100000000000000000000", "1a", "abc" };
    QCOMPARE(column(proxy, GoodsIntcodeColumn), ascending);
    proxy.sort(GoodsIntcodeColumn, Qt::DescendingOrder);
    QStringList descending = ascending;
    std::reverse(descending.begin(), descending.end());
    QCOMPARE(column(proxy, GoodsIntcodeColumn), descending);

    proxy.sort(GoodsIntcodeColumn);
    QVERIFY(proxy.setData(proxy.index(8, GoodsIntcodeColumn), QStringLiteral("8"))); // "abc" becomes 8
    QCOMPARE(column(proxy, GoodsIntcodeColumn),
             QStringList({ "", "0", "007", "7", "8", "9", "10", "100000000000000000000", "1a" }));
}

QTEST_GUILESS_MAIN(TestGoodsModel)
#include "tst_goodsmodel.moc"
