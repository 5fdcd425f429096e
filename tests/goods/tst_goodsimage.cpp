#include "goodstestutil.h"

#include "goods/cp1251table.h"
#include "goods/goodsimage.h"
#include "params/textcodec.h"

#include <QtEndian>
#include <QtTest>

#include <cmath>
#include <limits>

class TestGoodsImage : public QObject
{
    Q_OBJECT

private slots:
    void imageShape_data();
    void imageShape();
    void recordLayout();
    void barcode_data();
    void barcode();
    void price_data();
    void price();
    void roundTrip();
    void parseEdges();
    void longCatalogueKeepsEveryRow();
    void unwritablePriceRefused();
    void rowsHeldAsTheyAre_data();
    void rowsHeldAsTheyAre();
    void codeTableAgreesWithTextCodec();
};

namespace {

Goods row(const QString &name, double price = 1, int dept = 1)
{
    Goods g;
    g.name = name;
    g.intcode = QStringLiteral("1");
    g.price = price;
    g.dept = dept;
    return g;
}

GoodsList rows(int count)
{
    GoodsList list;
    for (int i = 0; i < count; ++i)
        list.append(row(QStringLiteral("Товар %1").arg(i + 1)));
    return list;
}

QByteArray record(const QByteArray &image, int n)
{
    return image.mid(n * GoodsRecordSize, GoodsRecordSize);
}

QByteArray terminator()
{
    QByteArray r(GoodsRecordSize, '\0');
    r[0] = r[1] = char(0xFF);
    return r;
}

} // namespace

void TestGoodsImage::imageShape_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<bool>("withHeader");
    QTest::addColumn<int>("terminators");

    QTest::newRow("empty, header: one page") << 0 << true << 1;
    QTest::newRow("empty, no header") << 0 << false << 1;
    QTest::newRow("one row, header: two terminators fill the page") << 1 << true << 2;
    QTest::newRow("one row, no header") << 1 << false << 2;
    QTest::newRow("two rows, header") << 2 << true << 1;
    QTest::newRow("three rows, no header") << 3 << false << 2;
}

void TestGoodsImage::imageShape()
{
    QFETCH(int, count);
    QFETCH(bool, withHeader);
    QFETCH(int, terminators);

    const QByteArray image = buildGoodsImage(rows(count), withHeader);
    const int header = withHeader ? 1 : 0;
    QCOMPARE(image.size(), (header + count + terminators) * GoodsRecordSize);
    if (withHeader) {
        QCOMPARE(image.size() % 256, 0);
        QCOMPARE(record(image, 0), QByteArray(GoodsRecordSize, '\0'));
    }
    for (int i = 0; i < count; ++i)
        QCOMPARE(qFromLittleEndian<qint16>(record(image, header + i).constData()), qint16(i + 1));
    for (int t = 0; t < terminators; ++t)
        QCOMPARE(record(image, header + count + t), terminator());
}

void TestGoodsImage::recordLayout()
{
    Goods g;
    g.name = QString(84, QChar(0x0416)); // Ж, one byte in Windows-1251: the whole field
    g.intcode = QStringLiteral("12345");
    g.barcode = QStringLiteral("12345670");
    g.price = 12.34;
    g.dept = 255;
    const QByteArray r = record(buildGoodsImage({ g }, false), 0);

    QByteArray expected(GoodsRecordSize, '\0');
    expected[0] = 1;
    expected[2] = char(255);
    expected.replace(3, 5, "12345");
    expected.replace(9, 7, QByteArray::fromHex("ffffff12345670"));
    expected.replace(16, 84, QByteArray(84, char(0xC6)));
    char price[8];
    qToLittleEndian<quint64>(123400, price);
    expected.replace(101, 8, QByteArray(price, 8));
    char check = 0;
    for (int i = 0; i < 127; ++i)
        check ^= expected.at(i);
    expected[127] = check;
    QCOMPARE(r.toHex(' '), expected.toHex(' '));
}

void TestGoodsImage::barcode_data()
{
    QTest::addColumn<QString>("barcode");
    QTest::addColumn<QByteArray>("packed");
    QTest::addColumn<QString>("unpacked");

    QTest::newRow("EAN-8") << "12345670" << QByteArray("ffffff12345670") << "12345670";
    QTest::newRow("EAN-13: odd count starts with an F nibble")
        << "4600000000015" << QByteArray("f4600000000015") << "4600000000015";
    QTest::newRow("empty") << "" << QByteArray("ffffffffffffff") << "";
    QTest::newRow("one digit") << "7" << QByteArray("fffffffffffff7") << "7";
    QTest::newRow("14 digits fill the field")
        << "12345678901234" << QByteArray("12345678901234") << "12345678901234";
    QTest::newRow("15 digits: the first 14 are kept")
        << "123456789012345" << QByteArray("12345678901234") << "12345678901234";
    QTest::newRow("non-digits keep their low nibble") << "1:" << QByteArray("ffffffffffff1a") << "1:";
}

void TestGoodsImage::barcode()
{
    QFETCH(QString, barcode);
    QFETCH(QByteArray, packed);
    QFETCH(QString, unpacked);

    const QByteArray field = packGoodsBarcode(barcode);
    QCOMPARE(field.toHex(), packed);
    QCOMPARE(unpackGoodsBarcode(field.constData(), field.size()), unpacked);
}

void TestGoodsImage::price_data()
{
    QTest::addColumn<double>("price");
    QTest::addColumn<quint64>("stored");
    QTest::addColumn<double>("readBack");

    QTest::newRow("12.34") << 12.34 << quint64(123400) << 12.34;
    QTest::newRow("0.29: 28.999... hundredths round up") << 0.29 << quint64(2900) << 0.29;
    QTest::newRow("half a hundredth rounds away from zero") << 0.125 << quint64(1300) << 0.13;
    QTest::newRow("zero") << 0.0 << quint64(0) << 0.0;
    QTest::newRow("large") << 9999999.99 << quint64(99999999900) << 9999999.99;
}

void TestGoodsImage::price()
{
    QFETCH(double, price);
    QFETCH(quint64, stored);
    QFETCH(double, readBack);

    const QByteArray image = buildGoodsImage({ row(QStringLiteral("x"), price) }, false);
    QCOMPARE(qFromLittleEndian<quint64>(image.constData() + 101), stored);
    QCOMPARE(parseGoodsImage(image).at(0).price, readBack);
}

void TestGoodsImage::roundTrip()
{
    const GoodsList original = randomGoods(301, 14);
    COMPARE_GOODS(parseGoodsImage(buildGoodsImage(original, false)), original);
}

void TestGoodsImage::parseEdges()
{
    GoodsList list = rows(2);
    list[1].dept = 7;
    QByteArray image = buildGoodsImage(list, false);
    // Numbers out of sequence and -2 are rows; only -1 ends the list.
    image[0] = 9;
    image[GoodsRecordSize] = char(0xFE); // FE FF: -2
    QCOMPARE(parseGoodsImage(image).size(), 2);

    // Data after the terminator is not read.
    const QByteArray afterTerminator = image + record(image, 0);
    QCOMPARE(parseGoodsImage(afterTerminator).size(), 2);

    // Without a terminator the data's end ends the list; a short tail is a
    // row whose missing bytes read as zero.
    const QByteArray truncated = image.left(GoodsRecordSize + 3);
    const GoodsList parsed = parseGoodsImage(truncated);
    QCOMPARE(parsed.size(), 2);
    QCOMPARE(parsed.at(1).dept, 7);
    QCOMPARE(parsed.at(1).name, QString());
    QCOMPARE(parsed.at(1).price, 0.0);

    QCOMPARE(parseGoodsImage(QByteArray()).size(), 0);
}

void TestGoodsImage::longCatalogueKeepsEveryRow()
{
    // Row 65535 would be numbered FF FF, the terminator, if numbers wrapped.
    const GoodsList list = rows(65540);
    const QByteArray image = buildGoodsImage(list, false);
    QCOMPARE(qFromLittleEndian<qint16>(image.constData() + 65534 * GoodsRecordSize), qint16(32767));
    COMPARE_GOODS(parseGoodsImage(image), list);
}

void TestGoodsImage::unwritablePriceRefused()
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    for (const double price : { -0.01, -100.0, nan, inf, -inf, 1e15 }) {
        GoodsList list = rows(3);
        list[1].price = price;
        int badRow = -1;
        QVERIFY2(buildGoodsImage(list, true, &badRow).isEmpty(), qPrintable(QString::number(price)));
        QCOMPARE(badRow, 1);
        QVERIFY(!isEncodablePrice(price));
    }
    // Rounds to zero hundredths: nothing negative is written.
    QVERIFY(isEncodablePrice(-0.004));
    QVERIFY(isEncodablePrice(999999999999.99));
    int badRow = 0;
    QVERIFY(!buildGoodsImage(rows(3), true, &badRow).isEmpty());
    QCOMPARE(badRow, -1);
}

void TestGoodsImage::rowsHeldAsTheyAre_data()
{
    QTest::addColumn<Goods>("goods");
    QTest::addColumn<int>("column"); // -1: the record holds it as it is
    QTest::addColumn<QString>("reason"); // a part of it

    Goods fits = row(QString(84, QChar(0x0416)));
    fits.intcode = QStringLiteral("99999");
    fits.barcode = QStringLiteral("12345678901234");
    fits.dept = 255;
    QTest::newRow("every field at its limit") << fits << -1 << QString();
    Goods g = fits;
    g.dept = 0;
    QTest::newRow("department 0") << g << -1 << QString();

    // Each would have arrived changed: 999 as 231, -1 as 255, a code or a
    // name cut, a character as "?", a letter in a barcode as a digit.
    g = fits;
    g.dept = 999;
    QTest::newRow("department beyond a byte") << g << int(GoodsDeptColumn) << QStringLiteral("отдел 999");
    g.dept = -1;
    QTest::newRow("negative department") << g << int(GoodsDeptColumn) << QStringLiteral("отдел -1");
    g = fits;
    g.intcode = QStringLiteral("99999999999");
    QTest::newRow("internal code longer than its field")
        << g << int(GoodsIntcodeColumn) << QStringLiteral("внутренний код длиннее 5 байт");
    g = fits;
    g.name = QString(100000, QLatin1Char('x'));
    QTest::newRow("name of 100 000 characters")
        << g << int(GoodsNameColumn)
        << QStringLiteral("наименование длиннее 84 байт в кодировке Windows-1251 (100000 байт)");
    g.name = QString(85, QChar(0x0416));
    QTest::newRow("name one byte too long") << g << int(GoodsNameColumn) << QStringLiteral("(85 байт)");
    g.name = QStringLiteral("Кафе \u2615");
    QTest::newRow("name with a character Windows-1251 lacks")
        << g << int(GoodsNameColumn) << QStringLiteral("символ «\u2615» U+2615 не представим");
    g.name = QStringLiteral("Молоко") + QChar(0) + QStringLiteral("скрыто");
    QTest::newRow("name with a NUL, which would end it")
        << g << int(GoodsNameColumn) << QStringLiteral("U+0000");
    g = fits;
    g.barcode = QStringLiteral("123456789012345");
    QTest::newRow("barcode of 15 digits")
        << g << int(GoodsBarcodeColumn) << QStringLiteral("длиннее 14 цифр");
    g.barcode = QStringLiteral("46000000000A5");
    QTest::newRow("barcode with a letter")
        << g << int(GoodsBarcodeColumn) << QStringLiteral("штрихкод «46000000000A5»");
    g = fits;
    g.price = -1;
    QTest::newRow("negative price") << g << int(GoodsPriceColumn) << QStringLiteral("цена -1.00");
}

void TestGoodsImage::rowsHeldAsTheyAre()
{
    QFETCH(Goods, goods);
    QFETCH(int, column);
    QFETCH(QString, reason);

    const GoodsRowFault fault = goodsRowFault(goods);
    QCOMPARE(fault.column, column);
    QVERIFY2(fault.reason.contains(reason), qPrintable(fault.reason));
    const GoodsList list = { row(QStringLiteral("до")), goods, row(QStringLiteral("после")) };
    QCOMPARE(firstUnholdableGoodsRow(list).row, column < 0 ? -1 : 1);
    int badRow = -2;
    const QByteArray image = buildGoodsImage(list, true, &badRow);
    if (column >= 0) {
        QVERIFY(image.isEmpty());
        QCOMPARE(badRow, 1);
    } else {
        QCOMPARE(badRow, -1);
        COMPARE_GOODS(parseGoodsImage(image.mid(GoodsRecordSize)), list);
    }
}

void TestGoodsImage::codeTableAgreesWithTextCodec()
{
    QByteArray all(256, '\0');
    for (int b = 0; b < 256; ++b)
        all[b] = char(b);
    QCOMPARE(Cp1251Table::decode(all), TextCodec::decode(all));
    QCOMPARE(TextCodec::encode(Cp1251Table::decode(all)), all);
    // The one undefined byte comes back as it went, on every system.
    QCOMPARE(TextCodec::decode("\x98"), QString(QChar(0x98)));
    QVERIFY(TextCodec::canHold(U'\u0098'));

    const QString mixed = QStringLiteral("Ёж №5 «€» x\u4E2D\U0001F600y\u00A0");
    QCOMPARE(Cp1251Table::encode(mixed), TextCodec::encode(mixed));
    QVERIFY(!Cp1251Table::canEncode(mixed));
    QVERIFY(Cp1251Table::canEncode(QStringLiteral("Ёж №5 «€»")));
}

QTEST_GUILESS_MAIN(TestGoodsImage)
#include "tst_goodsimage.moc"
