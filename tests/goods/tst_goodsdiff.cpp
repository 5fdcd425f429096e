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

} // namespace

Q_DECLARE_METATYPE(GoodsList)

class TestGoodsDiff : public QObject
{
    Q_OBJECT

private slots:
    void lines_data();
    void lines();
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
        << QStringList { "Добавлен товар (строка 1): «Кефир», код —, штрихкод —, цена 60.50, отдел 1" };
    QTest::newRow("removed row named by its old place")
        << GoodsList { Milk, Kefir, Bread } << GoodsList { Milk, Bread }
        << QStringList { "Удалён товар (была строка 2): «Кефир», код —, штрихкод —, цена 60.50, отдел 1" };
    QTest::newRow("renamed row found by its internal code")
        << GoodsList { Milk, Bread } << GoodsList { with(Milk, 85.5, 2, "Молоко 3,2%"), Bread }
        << QStringList { "Изменён товар (строка 1): название «Молоко» -> «Молоко 3,2%», цена 80.00 -> 85.50, "
                         "отдел 1 -> 2" };
    QTest::newRow("row without codes found by its name")
        << GoodsList { Kefir } << GoodsList { with(Kefir, 61) }
        << QStringList { "Изменён товар (строка 1): «Кефир»: цена 60.50 -> 61.00" };
    QTest::newRow("added and changed in table order, removed last")
        << GoodsList { Kefir, Milk } << GoodsList { with(Milk, 1), Bread }
        << QStringList { "Изменён товар (строка 1): «Молоко»: цена 80.00 -> 1.00",
                         "Добавлен товар (строка 2): «Хлеб», код 7, штрихкод —, цена 45.00, отдел 2",
                         "Удалён товар (была строка 1): «Кефир», код —, штрихкод —, цена 60.50, отдел 1" };
}

void TestGoodsDiff::lines()
{
    QFETCH(GoodsList, before);
    QFETCH(GoodsList, after);
    QFETCH(QStringList, expected);
    QCOMPARE(goodsDifferences(before, after), expected);
}

QTEST_GUILESS_MAIN(TestGoodsDiff)
#include "tst_goodsdiff.moc"
