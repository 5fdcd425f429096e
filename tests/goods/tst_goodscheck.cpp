#include "goods/goodscheck.h"
#include "goods/goodssortfilterproxymodel.h"
#include "goods/goodstablemodel.h"

#include <QtTest>

class TestGoodsCheck : public QObject
{
    Q_OBJECT

private slots:
    void rowRules_data();
    void rowRules();
    void rowLimit_data();
    void rowLimit();
    void findingsUseViewRows();
    void registerSettings_data();
    void registerSettings();
    void repeatedCodesAndBarcodes();
};

namespace {

Goods validRow()
{
    Goods g;
    g.name = QStringLiteral("Хлеб");
    g.intcode = QStringLiteral("12345");
    g.barcode = QStringLiteral("4600000000015");
    g.price = 10;
    g.dept = 3;
    return g;
}

QStringList texts(const QVector<GoodsFinding> &findings)
{
    QStringList out;
    for (const GoodsFinding &f : findings)
        out << QStringLiteral("%1:%2 %3").arg(f.row).arg(f.column).arg(f.text);
    return out;
}

} // namespace

void TestGoodsCheck::rowRules_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QStringList>("findings");

    const QStringList none;
    const QString badName = QStringLiteral("0:0 1. Наименование содержит некорректное значение");
    const QString badCode = QStringLiteral("0:1 1. Внутренний код содержит некорректное значение");
    const QString badBarcode = QStringLiteral("0:2 1. Штрихкод содержит некорректное значение");
    const QString badDept = QStringLiteral("0:4 1. Номер отдела содержит некорректное значение");

    QTest::newRow("valid row") << "name" << QVariant(QStringLiteral("Хлеб")) << none;
    QTest::newRow("empty name") << "name" << QVariant(QString())
                                << QStringList { QStringLiteral("0:0 1. Наименование не задано") };
    QTest::newRow("name of 84") << "name" << QVariant(QString(84, QChar(0x0416))) << none;
    QTest::newRow("name of 85") << "name" << QVariant(QString(85, QChar(0x0416))) << QStringList { badName };
    // It would reach the register as "?"; the finding names the character.
    QTest::newRow("name outside Windows-1251")
        << "name" << QVariant(QStringLiteral("Чай 中"))
        << QStringList { QStringLiteral(
               "0:0 1. Наименование содержит символ «中» U+4E2D, которого нет в кодировке Windows-1251") };
    QTest::newRow("name too long and outside Windows-1251: both said")
        << "name" << QVariant(QString(85, QChar(0x2615)))
        << QStringList { badName,
                         QStringLiteral("0:0 1. Наименование содержит символ «☕» U+2615, которого нет в "
                                        "кодировке Windows-1251") };
    QTest::newRow("code 12345") << "intcode" << QVariant(QStringLiteral("12345")) << none;
    QTest::newRow("code 123456") << "intcode" << QVariant(QStringLiteral("123456"))
                                 << QStringList { badCode };
    QTest::newRow("code 12a") << "intcode" << QVariant(QStringLiteral("12a")) << QStringList { badCode };
    QTest::newRow("empty code: only not set")
        << "intcode" << QVariant(QString())
        << QStringList { QStringLiteral("0:1 1. Внутренний код не задан") };
    QTest::newRow("EAN-8") << "barcode" << QVariant(QStringLiteral("12345670")) << none;
    QTest::newRow("no barcode") << "barcode" << QVariant(QString()) << none;
    QTest::newRow("EAN-13 wrong check digit")
        << "barcode" << QVariant(QStringLiteral("4600000000017")) << QStringList { badBarcode };
    QTest::newRow("10 digits") << "barcode" << QVariant(QStringLiteral("4600000000"))
                               << QStringList { badBarcode };
    QTest::newRow("dept 3 of 3") << "dept" << QVariant(3) << none;
    QTest::newRow("dept 0") << "dept" << QVariant(0) << QStringList { badDept };
    QTest::newRow("dept 4 of 3") << "dept" << QVariant(4) << QStringList { badDept };
    QTest::newRow("dept -1") << "dept" << QVariant(-1) << QStringList { badDept };
    QTest::newRow("price 0") << "price" << QVariant(0.0) << none;
    // The image's price field is unsigned.
    QTest::newRow("negative price") << "price" << QVariant(-0.5)
                                    << QStringList { QStringLiteral(
                                           "0:3 1. Цена содержит некорректное значение") };
    QTest::newRow("empty name, empty code, dept 0: in column order")
        << "all" << QVariant()
        << QStringList { QStringLiteral("0:0 1. Наименование не задано"),
                         QStringLiteral("0:1 1. Внутренний код не задан"), badDept };
}

void TestGoodsCheck::rowRules()
{
    QFETCH(QString, field);
    QFETCH(QVariant, value);
    QFETCH(QStringList, findings);

    Goods g = validRow();
    if (field == QLatin1String("name"))
        g.name = value.toString();
    else if (field == QLatin1String("intcode"))
        g.intcode = value.toString();
    else if (field == QLatin1String("barcode"))
        g.barcode = value.toString();
    else if (field == QLatin1String("price"))
        g.price = value.toDouble();
    else if (field == QLatin1String("dept"))
        g.dept = value.toInt();
    else
        g = Goods { QString(), QString(), QString(), 1, 0 };
    QCOMPARE(texts(checkGoods({ g }, 2000, 3)), findings);
}

void TestGoodsCheck::rowLimit_data()
{
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("capacity");
    QTest::addColumn<QStringList>("findings");

    QTest::newRow("1999 of 2000") << 1999 << 2000 << QStringList();
    QTest::newRow("2000 of 2000") << 2000 << 2000
                                  << QStringList { QStringLiteral(
                                         "0:0 Количество строк 2000 превышает лимит 1999") };
    QTest::newRow("empty") << 0 << 1 << QStringList();
    QTest::newRow("capacity 0 means 2000") << 1999 << 0 << QStringList();
}

void TestGoodsCheck::rowLimit()
{
    QFETCH(int, rows);
    QFETCH(int, capacity);
    QFETCH(QStringList, findings);

    GoodsList list;
    for (int i = 0; i < rows; ++i) {
        Goods g = validRow();
        g.intcode = QString::number(i + 1); // no row repeats another
        g.barcode.clear();
        list.append(g);
    }
    QCOMPARE(texts(checkGoods(list, capacity, 3)), findings);
}

void TestGoodsCheck::findingsUseViewRows()
{
    Goods cheap = validRow();
    cheap.price = 2;
    cheap.dept = 0;
    cheap.intcode = QStringLiteral("1");
    cheap.barcode = QStringLiteral("12345670");
    Goods dear = validRow();
    dear.price = 20;
    dear.intcode = QStringLiteral("x");
    dear.barcode.clear();
    GoodsTableModel model;
    model.setDepartments({ "a", "b", "c" });
    model.setGoods({ cheap, validRow(), dear });
    GoodsSortFilterProxyModel proxy;
    proxy.setSourceModel(&model);
    proxy.sort(GoodsPriceColumn, Qt::DescendingOrder);

    // Shown from the top: dear (20), the valid row (10), cheap (2).
    QCOMPARE(texts(checkGoods(proxy, 2000)),
             QStringList({ QStringLiteral("0:1 1. Внутренний код содержит некорректное значение"),
                           QStringLiteral("2:4 3. Номер отдела содержит некорректное значение") }));
}

void TestGoodsCheck::registerSettings_data()
{
    QTest::addColumn<double>("price");
    QTest::addColumn<int>("dept");
    QTest::addColumn<int>("departmentsInUse"); // 0: not known
    QTest::addColumn<qint64>("maxPrice"); // ten-thousandths, 0: not known
    QTest::addColumn<QStringList>("findings");

    QTest::newRow("settings not known") << 1e9 << 16 << 0 << qint64(0) << QStringList();
    QTest::newRow("price at the maximum") << 500.0 << 1 << 0 << qint64(5000000) << QStringList();
    QTest::newRow("price a hundredth above the maximum")
        << 500.01 << 1 << 0 << qint64(5000000)
        << QStringList { QStringLiteral("0:3 1. Цена 500.01 больше максимальной цены ККТ 500.00") };
    QTest::newRow("department in use") << 1.0 << 4 << 4 << qint64(0) << QStringList();
    QTest::newRow("department beyond those in use")
        << 1.0 << 5 << 4 << qint64(0)
        << QStringList { QStringLiteral("0:4 1. Отдел 5 не используется: в ККТ настроено отделов 4") };
    // No such department at all: the plain finding, once.
    QTest::newRow("department beyond the names")
        << 1.0 << 17 << 4 << qint64(0)
        << QStringList { QStringLiteral("0:4 1. Номер отдела содержит некорректное значение") };
}

void TestGoodsCheck::registerSettings()
{
    QFETCH(double, price);
    QFETCH(int, dept);
    QFETCH(int, departmentsInUse);
    QFETCH(qint64, maxPrice);
    QFETCH(QStringList, findings);
    Goods g = validRow();
    g.price = price;
    g.dept = dept;
    GoodsCheckLimits limits;
    limits.departmentNames = 16;
    limits.departmentsInUse = departmentsInUse;
    limits.maxPrice = maxPrice;
    QCOMPARE(texts(checkGoods({ g }, limits)), findings);
}

// The first row as shown keeps the value; later ones name it.
void TestGoodsCheck::repeatedCodesAndBarcodes()
{
    Goods a = validRow();
    Goods b = validRow(); // same code and barcode as a
    b.price = 1;
    Goods c = validRow();
    c.intcode = QStringLiteral("7");
    c.barcode = QString(); // empty barcodes are no repetition
    Goods d = c;
    d.price = 30;
    GoodsTableModel model;
    model.setDepartments({ "a", "b", "c" });
    model.setGoods({ a, b, c, d });
    GoodsSortFilterProxyModel proxy;
    proxy.setSourceModel(&model);
    proxy.sort(GoodsPriceColumn, Qt::AscendingOrder); // b (1), a (10), c (10), d (30)
    QCOMPARE(
        texts(checkGoods(proxy, 2000)),
        QStringList({ QStringLiteral("1:1 2. Внутренний код 12345 повторяется: он уже есть в строке 1"),
                      QStringLiteral("1:2 2. Штрихкод 4600000000015 повторяется: он уже есть в строке 1"),
                      QStringLiteral("3:1 4. Внутренний код 7 повторяется: он уже есть в строке 3") }));
}

QTEST_GUILESS_MAIN(TestGoodsCheck)
#include "tst_goodscheck.moc"
