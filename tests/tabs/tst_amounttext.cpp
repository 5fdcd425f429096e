#include "tabs/amounttext.h"

#include <QLocale>
#include <QtTest>

// Amounts and quantities between the stored form (x 10000) and the text the
// configuration tab shows and takes. A Russian default locale, whose decimal
// separator is a comma, must change nothing.
class TestAmountText : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void shown_data();
    void shown();
    void stored_data();
    void stored();
};

void TestAmountText::initTestCase()
{
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
}

void TestAmountText::shown_data()
{
    QTest::addColumn<bool>("quantity");
    QTest::addColumn<qint64>("stored");
    QTest::addColumn<QString>("text");

    QTest::newRow("amount below a kopeck dropped, not rounded") << false << qint64(123456789) << "12345.67";
    QTest::newRow("amount default") << false << qint64(500000000) << "50000.00";
    QTest::newRow("amount at the top of the range") << false << qint64(200000000000) << "20000000.00";
    QTest::newRow("amount zero") << false << qint64(0) << "0.00";
    QTest::newRow("quantity below a thousandth dropped") << true << qint64(12345679) << "1234.567";
    QTest::newRow("quantity default") << true << qint64(10000000) << "1000.000";
    QTest::newRow("quantity of one step") << true << qint64(10) << "0.001";
}

void TestAmountText::shown()
{
    QFETCH(bool, quantity);
    QFETCH(qint64, stored);
    QFETCH(QString, text);
    QCOMPARE(quantity ? AmountText::quantity(stored) : AmountText::amount(stored), text);
}

void TestAmountText::stored_data()
{
    QTest::addColumn<bool>("quantity");
    QTest::addColumn<QString>("text");
    QTest::addColumn<qint64>("stored");

    QTest::newRow("amount shown, saved back") << false << "12345.67" << qint64(123456700);
    QTest::newRow("amount with a decimal comma") << false << "123,45" << qint64(1234500);
    QTest::newRow("amount rounded to the kopeck") << false << "0.005" << qint64(100);
    QTest::newRow("amount beyond the top") << false << "30000000" << qint64(200000000000);
    QTest::newRow("amount negative") << false << "-5" << qint64(0);
    QTest::newRow("amount with an exponent beyond any range") << false << "1e300" << qint64(200000000000);
    QTest::newRow("amount not a number") << false << "12.3.4" << qint64(0);
    QTest::newRow("amount nan") << false << "nan" << qint64(0);
    QTest::newRow("amount empty") << false << "" << qint64(0);
    QTest::newRow("quantity rounded up to a thousandth") << true << "0.0006" << qint64(10);
    QTest::newRow("quantity rounded down to nothing") << true << "0.0004" << qint64(0);
    QTest::newRow("quantity with a decimal comma") << true << "1,5" << qint64(15000);
    QTest::newRow("quantity beyond the top") << true << "2000001" << qint64(20000000000);
}

void TestAmountText::stored()
{
    QFETCH(bool, quantity);
    QFETCH(QString, text);
    QFETCH(qint64, stored);
    const qint64 value
        = quantity ? AmountText::quantityFrom(text, 2000000) : AmountText::amountFrom(text, 20000000);
    QCOMPARE(value, stored);
}

QTEST_GUILESS_MAIN(TestAmountText)
#include "tst_amounttext.moc"
