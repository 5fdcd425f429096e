#include "goods/goodsdiff.h"

#include <QtTest>

namespace {

const Goods Milk { QStringLiteral("Молоко"), QStringLiteral("12"), QStringLiteral("4600000000015"), 80, 1 };
const Goods Bread { QStringLiteral("Хлеб"), QStringLiteral("7"), QString(), 45, 2 };
const Goods Kefir { QStringLiteral("Кефир"), QString(), QString(), 60.5, 1 };

Goods with(Goods g, double price, int dept = 0, const QString &name = QString())
{
    g.price = price;
    if (dept)
        g.dept = dept;
    if (!name.isEmpty())
        g.name = name;
    return g;
}

Goods coded(Goods g, const QString &intcode)
{
    g.intcode = intcode;
    return g;
}

} // namespace

Q_DECLARE_METATYPE(GoodsList)

class TestGoodsDiff : public QObject
{
    Q_OBJECT

private slots:
    void lines_data();
    void lines();
    void structuredResult();
};

void TestGoodsDiff::lines_data()
{
    QTest::addColumn<GoodsList>("before");
    QTest::addColumn<GoodsList>("after");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("same rows in another order")
        << GoodsList { Milk, Bread } << GoodsList { Bread, Milk } << QStringList();
    QTest::newRow("price below a hundredth apart")
        << GoodsList { Milk } << GoodsList { with(Milk, 80.001) } << QStringList();
    QTest::newRow("a row inserted above does not change the rows below")
        << GoodsList { Milk, Bread } << GoodsList { Kefir, Milk, Bread }
        << QStringList { "без кода \"Кефир\": добавлен, штрихкод —, цена 60.50, отдел 1" };
    QTest::newRow("removed row") << GoodsList { Milk, Kefir, Bread } << GoodsList { Milk, Bread }
                                 << QStringList {
                                        "без кода \"Кефир\": удалён, штрихкод —, цена 60.50, отдел 1"
                                    };
    QTest::newRow("renamed row found by its internal code")
        << GoodsList { Milk, Bread } << GoodsList { with(Milk, 85.5, 2, "Молоко \"3,2%\""), Bread }
        << QStringList { "12 \"Молоко \\\"3,2%\\\"\": название \"Молоко\" -> \"Молоко \\\"3,2%\\\"\", цена "
                         "80.00 -> 85.50, отдел 1 -> 2" };
    QTest::newRow("row without codes found by its name")
        << GoodsList { Kefir } << GoodsList { with(Kefir, 61) }
        << QStringList { "без кода \"Кефир\": цена 60.50 -> 61.00" };
    QTest::newRow("a code given to a row without one")
        << GoodsList { Kefir } << GoodsList { coded(Kefir, "9") }
        << QStringList { "9 \"Кефир\": код — -> 9" };
    // The register tells goods apart by their code: same name and barcode,
    // another code is another item.
    QTest::newRow("another internal code is another row")
        << GoodsList { Milk } << GoodsList { coded(Milk, "13") }
        << QStringList { "13 \"Молоко\": добавлен, штрихкод 4600000000015, цена 80.00, отдел 1",
                         "12 \"Молоко\": удалён, штрихкод 4600000000015, цена 80.00, отдел 1" };
    QTest::newRow("added and changed in the second catalogue's order, removed last")
        << GoodsList { Kefir, Milk } << GoodsList { with(Milk, 1), Bread }
        << QStringList { "12 \"Молоко\": цена 80.00 -> 1.00",
                         "7 \"Хлеб\": добавлен, штрихкод —, цена 45.00, отдел 2",
                         "без кода \"Кефир\": удалён, штрихкод —, цена 60.50, отдел 1" };
    QTest::newRow("control characters shown escaped")
        << GoodsList { Bread } << GoodsList { with(Bread, 45, 0, "Хлеб\x1b[2J") }
        << QStringList { "7 \"Хлеб\\u001b[2J\": название \"Хлеб\" -> \"Хлеб\\u001b[2J\"" };
}

void TestGoodsDiff::lines()
{
    QFETCH(GoodsList, before);
    QFETCH(GoodsList, after);
    QFETCH(QStringList, expected);
    QCOMPARE(compareGoods(before, after).lines(), expected);
}

// What a caller writing to many registers works with.
void TestGoodsDiff::structuredResult()
{
    const GoodsList before { Milk, Kefir, Bread };
    const GoodsList after { with(Bread, 50, 3), coded(Kefir, "9"), Milk, with(Milk, 1, 0, "Сливки") };
    const GoodsComparison c = compareGoods(before, after);
    QCOMPARE(c.changed, 2);
    QCOMPARE(c.unchanged, 1);
    QCOMPARE(c.added, 1); // a second row with Milk's code, once Milk has paired
    QCOMPARE(c.removed, 0);
    QCOMPARE(c.changes.size(), 3);
    QCOMPARE(c.changes.at(0).kind, GoodsRowChange::Changed);
    QCOMPARE(c.changes.at(0).beforeRow, 2);
    QCOMPARE(c.changes.at(0).afterRow, 0);
    QCOMPARE(c.changes.at(0).columns, (QVector<int> { GoodsPriceColumn, GoodsDeptColumn }));
    QCOMPARE(c.changes.at(1).columns, QVector<int> { GoodsIntcodeColumn });
    QCOMPARE(c.changes.at(2).kind, GoodsRowChange::Added);
    QCOMPARE(c.changes.at(2).afterRow, 3);
    QCOMPARE(c.changes.at(2).beforeRow, -1);
    QCOMPARE(c.summary(), QStringLiteral("Добавлено: 1, удалено: 0, изменено: 2, без изменений: 1"));
    QVERIFY(compareGoods(after, after).isEmpty());
}

QTEST_GUILESS_MAIN(TestGoodsDiff)
#include "tst_goodsdiff.moc"
