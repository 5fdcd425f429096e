#include "tabs/fieldchecks.h"

#include <QtTest>

class TestFieldChecks : public QObject
{
    Q_OBJECT

private slots:
    void inn_data();
    void inn();
    void barcode_data();
    void barcode();
    void regNumber_data();
    void regNumber();
    void crcCheckValue();
};

void TestFieldChecks::inn_data()
{
    QTest::addColumn<QByteArray>("inn");
    QTest::addColumn<bool>("allowEmpty");
    QTest::addColumn<bool>("valid");

    QTest::newRow("10 digits, right check digit") << QByteArray("7707083893") << false << true;
    QTest::newRow("10 digits, wrong check digit") << QByteArray("7707083894") << false << false;
    QTest::newRow("12 digits, both check digits right") << QByteArray("500100732259") << false << true;
    QTest::newRow("12 digits, wrong eleventh") << QByteArray("500100732249") << false << false;
    QTest::newRow("12 digits, wrong twelfth") << QByteArray("500100732258") << false << false;
    QTest::newRow("11 characters") << QByteArray("77070838931") << true << false;
    QTest::newRow("empty, allowed") << QByteArray() << true << true;
    QTest::newRow("empty, not allowed") << QByteArray() << false << false;
    // 'A' weighs as 17: the weighted sum alone would call this valid.
    QTest::newRow("letter whose weight gives the right check digit")
        << QByteArray("A000000001") << false << false;
    QTest::newRow("ten Cyrillic bytes are not ten characters")
        << QStringLiteral("77070838ж").toUtf8() << false << false;
}

void TestFieldChecks::inn()
{
    QFETCH(QByteArray, inn);
    QFETCH(bool, allowEmpty);
    QFETCH(bool, valid);

    QCOMPARE(isValidInn(inn, allowEmpty), valid);
    QCOMPARE(isValidInn(QString::fromUtf8(inn), allowEmpty), valid);
}

void TestFieldChecks::barcode_data()
{
    QTest::addColumn<QByteArray>("barcode");
    QTest::addColumn<bool>("allowEmpty");
    QTest::addColumn<bool>("valid");

    QTest::newRow("EAN-8 right") << QByteArray("96385074") << false << true;
    QTest::newRow("EAN-8 wrong check digit") << QByteArray("96385075") << false << false;
    QTest::newRow("UPC-A right") << QByteArray("036000291452") << false << true;
    QTest::newRow("UPC-A wrong check digit") << QByteArray("036000291453") << false << false;
    QTest::newRow("EAN-13 right") << QByteArray("4006381333931") << false << true;
    QTest::newRow("EAN-13 wrong check digit") << QByteArray("4006381333930") << false << false;
    QTest::newRow("EAN-13 weighted as UPC-A would be wrong") << QByteArray("4006381333937") << false << false;
    QTest::newRow("non-digit inside") << QByteArray("40063813x3931") << false << false;
    QTest::newRow("non-digit check character") << QByteArray("400638133393x") << false << false;
    QTest::newRow("7 digits") << QByteArray("9638507") << false << false;
    QTest::newRow("14 digits") << QByteArray("40063813339310") << false << false;
    QTest::newRow("empty, allowed") << QByteArray() << true << true;
    QTest::newRow("empty, not allowed") << QByteArray() << false << false;
}

void TestFieldChecks::barcode()
{
    QFETCH(QByteArray, barcode);
    QFETCH(bool, allowEmpty);
    QFETCH(bool, valid);

    QCOMPARE(isValidBarcode(barcode, allowEmpty), valid);
}

void TestFieldChecks::regNumber_data()
{
    QTest::addColumn<QByteArray>("regNumber");
    QTest::addColumn<QByteArray>("serial");
    QTest::addColumn<QByteArray>("inn");
    QTest::addColumn<bool>("valid");

    // The last six digits are the CRC of "0000000001" + inn to 12 + serial to 20.
    QTest::newRow("10-digit taxpayer number padded with two zeros")
        << QByteArray("0000000001004782") << QByteArray("00106700012345") << QByteArray("7707083893") << true;
    QTest::newRow("12-digit taxpayer number")
        << QByteArray("0000000001047013") << QByteArray("00106700012345") << QByteArray("500100732259")
        << true;
    QTest::newRow("short serial padded to 20")
        << QByteArray("1234567890026500") << QByteArray("1") << QByteArray("7707083893") << true;
    QTest::newRow("another register's serial")
        << QByteArray("0000000001004782") << QByteArray("00106700012346") << QByteArray("7707083893")
        << false;
    QTest::newRow("checksum off by one") << QByteArray("0000000001004783") << QByteArray("00106700012345")
                                         << QByteArray("7707083893") << false;
    QTest::newRow("15 characters") << QByteArray("000000000100478") << QByteArray("00106700012345")
                                   << QByteArray("7707083893") << false;
    QTest::newRow("17 characters") << QByteArray("00000000010047820") << QByteArray("00106700012345")
                                   << QByteArray("7707083893") << false;
    // The checksum matches, so only a digit test can turn it down.
    const QByteArray lettered = "000000000A";
    const quint16 crc = crc16CcittFalse(lettered + "007707083893" + "00000000000000000012");
    QTest::newRow("letter in the first ten characters")
        << lettered + QByteArray::number(crc).rightJustified(6, '0') << QByteArray("12")
        << QByteArray("7707083893") << false;
    // Cyrillic letters take two bytes each in UTF-8: these cannot be padded.
    QTest::newRow("taxpayer number over 12 bytes")
        << QByteArray("0000000001004782") << QByteArray("00106700012345")
        << QStringLiteral("ИНН7707083").toUtf8() << false;
    QTest::newRow("serial over 20 bytes")
        << QByteArray("0000000001004782") << QStringLiteral("Ж0010670001234").toUtf8()
        << QByteArray("7707083893") << false;
}

void TestFieldChecks::regNumber()
{
    QFETCH(QByteArray, regNumber);
    QFETCH(QByteArray, serial);
    QFETCH(QByteArray, inn);
    QFETCH(bool, valid);

    QCOMPARE(isValidRegNumber(regNumber, serial, inn), valid);
}

void TestFieldChecks::crcCheckValue()
{
    QCOMPARE(crc16CcittFalse("123456789"), quint16(0x29B1));
    QCOMPARE(crc16CcittFalse(QByteArray()), quint16(0xFFFF));
}

QTEST_GUILESS_MAIN(TestFieldChecks)
#include "tst_fieldchecks.moc"
