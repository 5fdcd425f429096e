#include "params/deviceparams52.h"
#include "params/imagetestutil.h"
#include "tabs/fieldchecks.h"

#include <QSet>
#include <QtTest>

// Family 2.52: defaults, where each field lives in the two images, packed
// barcodes, check bytes and the registration history.
class TestDeviceParams52 : public QObject
{
    Q_OBJECT

private slots:
    void defaultUsers();
    void defaultOperatorInnReadsTwelveZeros();
    void everyFieldReadsFromItsOffset();
    void defaultCashierIsSixteenBits();
    void userBarcode_data();
    void userBarcode();
    void userCheckByte_data();
    void userCheckByte();
    void historyOfThreeRecords();
    void historyEndsAtFirstSlotWithoutMarker_data();
    void historyEndsAtFirstSlotWithoutMarker();
    void registrationDateBytes();
    void newImages();
};

namespace {

RegistrationRecord52 registration(const QString &regNumber, int day)
{
    RegistrationRecord52 r;
    r.marker = RegistrationRecord52::Marker;
    r.setDateTime(QDateTime(QDate(2020, 1, day), QTime(9, 30)));
    r.regNumber.setText(regNumber);
    r.inn.setText(QStringLiteral("7707083893"));
    r.fnNumber.setText(QStringLiteral("9999078900012345"));
    r.taxSystems = 0x01;
    r.workModes = 0x02;
    return r;
}

} // namespace

void TestDeviceParams52::defaultUsers()
{
    const DeviceParams52 p;
    QCOMPARE(p.users.size(), 9);
    const QStringList names = { "Кассир 1",     "Кассир 2", "Кассир 3", "Кассир 4", "Ст. кассир 1",
                                "Ст. кассир 2", "Админ. 1", "Админ. 2", "АСЦ" };
    const int rights[] = { 1, 1, 1, 1, 2, 2, 3, 3, 4 };
    QSet<QString> barcodes;
    for (int i = 0; i < 9; ++i) {
        const UserRecord52 &u = p.users[i];
        QCOMPARE(u.name.text(), names[i]);
        QCOMPARE(int(u.number), i + 1);
        QCOMPARE(int(u.rights), rights[i]);
        QCOMPARE(int(u.position), 1);
        QCOMPARE(u.keptValue, p.users[0].keptValue);
        barcodes.insert(u.barcode.digits());
    }
    QCOMPARE(barcodes.size(), 9);
    // Twelve stored digits show as EAN-13, eleven as UPC-A, none as nothing.
    for (int i = 0; i < 7; ++i) {
        QCOMPARE(p.users[i].barcode.digits().size(), 12);
        QVERIFY(isValidBarcode(p.users[i].barcode.barcode(), false));
    }
    QCOMPARE(p.users[7].barcode.digits().size(), 11);
    QCOMPARE(p.users[7].barcode.barcode().size(), 12);
    QVERIFY(isValidBarcode(p.users[7].barcode.barcode(), false));
    QCOMPARE(p.users[8].barcode.toByteArray(), QByteArray(6, '\xFF'));
    QCOMPARE(p.users[8].barcode.barcode(), QString());

    QCOMPARE(int(p.tradeConfig.defaultCashier), 7);
    QCOMPARE(int(p.users[6].flags), int(UserActive));
    QCOMPARE(int(p.users[8].flags), int(UserHidden));
    QCOMPARE(int(p.users[0].flags), 0);
    QCOMPARE(int(p.tradeConfig.printDensity), 2);
}

void TestDeviceParams52::defaultOperatorInnReadsTwelveZeros()
{
    const DeviceParams52 p;
    QCOMPARE(p.ofd.inn.toByteArray(), QByteArray(6, '\0'));
    QCOMPARE(p.ofd.inn.digits(), QStringLiteral("000000000000"));
}

void TestDeviceParams52::everyFieldReadsFromItsOffset()
{
    const QByteArray img = patternImage(0xA00);
    QByteArray sys = patternImage(0x440);
    sys[0] = sys[64] = char(0xC1);
    sys[128] = 0;
    DeviceParams52 p;
    p.fromImage(img, sys);

    const TradeConfig52 &t = p.tradeConfig;
    COMPARE_AT(t.signature, qint32, img, 0x00);
    COMPARE_BYTES_AT(t.reserved12.toByteArray(), img, 0x04, 12);
    compareSharedTradeFields(t, img);
    if (QTest::currentTestFailed())
        return;
    COMPARE_AT(t.defaultCashier, qint16, img, 0x50);
    COMPARE_AT(t.reserved16, qint16, img, 0x52);

    COMPARE_BYTES_AT(p.organisation.inn.value(), img, 0x100, 12);
    COMPARE_BYTES_AT(p.organisation.name.value(), img, 0x110, 110);
    COMPARE_BYTES_AT(p.organisation.address.value(), img, 0x188, 110);

    for (int k = 0; k < 8; ++k)
        COMPARE_BYTES_AT(p.positions[k].value(), img, 0x80 + 16 * k, 16);

    for (int k = 0; k < 9; ++k) {
        const int at = 0x200 + 32 * k;
        const UserRecord52 &u = p.users[k];
        COMPARE_AT(u.number, qint8, img, at);
        COMPARE_AT(u.rights, qint8, img, at + 1);
        COMPARE_BYTES_AT(u.barcode.toByteArray(), img, at + 2, 6);
        COMPARE_AT(u.flags, quint16, img, at + 8);
        COMPARE_BYTES_AT(u.name.value(), img, at + 10, 15); // all 15 bytes when unterminated
        COMPARE_AT(u.keptValue, qint32, img, at + 25);
        COMPARE_AT(u.position, qint8, img, at + 29);
    }

    for (int k = 0; k < 16; ++k) {
        const int at = 0x400 + 16 * k;
        COMPARE_AT(p.departments[k].number, qint8, img, at);
        COMPARE_BYTES_AT(p.departments[k].name.value(), img, at + 1, 13);
        COMPARE_AT(p.departments[k].vatRate, qint8, img, at + 14);
        COMPARE_AT(p.departments[k].taxSystems, quint8, img, at + 15);
    }

    COMPARE_BYTES_AT(p.receiptHeader.value(), img, 0x700, 132);
    COMPARE_BYTES_AT(p.receiptFooter.value(), img, 0x800, 132);

    COMPARE_BYTES_AT(p.ofd.address.value(), img, 0x900, 64);
    COMPARE_AT(p.ofd.port, qint16, img, 0x940);
    COMPARE_AT(p.ofd.connectTimer, qint16, img, 0x942);
    COMPARE_AT(p.ofd.fnPollTimer, qint16, img, 0x944);
    COMPARE_BYTES_AT(p.ofd.ofdSite.value(), img, 0x946, 64);
    COMPARE_BYTES_AT(p.ofd.inn.toByteArray(), img, 0x986, 6);

    QCOMPARE(p.registrations.size(), 2);
    for (int i = 0; i < 2; ++i) {
        const int at = 64 * i;
        const RegistrationRecord52 &r = p.registrations[i];
        COMPARE_AT(r.marker, quint8, sys, at);
        COMPARE_AT(r.day, quint8, sys, at + 1);
        COMPARE_AT(r.month, quint8, sys, at + 2);
        COMPARE_AT(r.yearFrom2000, quint8, sys, at + 3);
        COMPARE_AT(r.hour, quint8, sys, at + 4);
        COMPARE_AT(r.minute, quint8, sys, at + 5);
        COMPARE_BYTES_AT(r.regNumber.value(), sys, at + 6, 21);
        COMPARE_BYTES_AT(r.inn.value(), sys, at + 27, 13);
        COMPARE_BYTES_AT(r.fnNumber.value(), sys, at + 40, 17);
        COMPARE_AT(r.taxSystems, quint8, sys, at + 57);
        COMPARE_AT(r.workModes, quint8, sys, at + 58);
        COMPARE_AT(r.closed, quint8, sys, at + 59);
    }
}

void TestDeviceParams52::defaultCashierIsSixteenBits()
{
    QByteArray img(0xA00, '\xAA'), sys;
    DeviceParams52 p;
    p.tradeConfig.defaultCashier = 0x0110;
    p.toImage(img, sys);
    QCOMPARE(img.mid(0x50, 2), QByteArray("\x10\x01"));
}

void TestDeviceParams52::userBarcode_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<QString>("readBack");

    QTest::newRow("EAN-13 keeps its first 12 digits")
        << "4006381333931" << QByteArray::fromHex("400638133393") << "4006381333931";
    QTest::newRow("12 digits read back with a check digit")
        << "400638133393" << QByteArray::fromHex("400638133393") << "4006381333931";
    QTest::newRow("11 digits lead with 0xF0 plus digit")
        << "03600029145" << QByteArray::fromHex("F03600029145") << "036000291452";
    QTest::newRow("empty is six 0xFF") << "" << QByteArray(6, '\xFF') << "";
}

void TestDeviceParams52::userBarcode()
{
    QFETCH(QString, typed);
    QFETCH(QByteArray, stored);
    QFETCH(QString, readBack);

    const int k = 3;
    DeviceParams52 p;
    p.users[k].barcode.setBarcode(typed);
    QByteArray img, sys;
    p.toImage(img, sys);
    QCOMPARE(img.mid(0x200 + 32 * k + 2, 6), stored);

    DeviceParams52 back;
    back.fromImage(img, sys);
    QCOMPARE(back.users[k].barcode.barcode(), readBack);
    // Saving the code as shown leaves the image as it was.
    back.users[k].barcode.setBarcode(back.users[k].barcode.barcode());
    QByteArray again = img;
    back.toImage(again, sys);
    QCOMPARE(again, img);
}

void TestDeviceParams52::userCheckByte_data()
{
    QTest::addColumn<QByteArray>("record"); // bytes 0 to 31 of a user record
    QTest::addColumn<int>("check");

    QByteArray oneOne(32, '\0');
    oneOne[0] = 1;
    oneOne[1] = 1;
    QTest::newRow("number 1 and rights 1 cancel out") << oneOne << 0x00;
    QByteArray named = oneOne;
    named[1] = 2;
    named.replace(10, 3, "ABC");
    named[31] = '\x55'; // a stale check byte is not trusted
    QTest::newRow("check covers bytes 0 to 30") << named << (1 ^ 2 ^ 'A' ^ 'B' ^ 'C');
    QByteArray zeroRun = oneOne;
    zeroRun[30] = '\x0F';
    QTest::newRow("byte 30 is zeroed before the check") << zeroRun << 0x00;
}

void TestDeviceParams52::userCheckByte()
{
    QFETCH(QByteArray, record);
    QFETCH(int, check);

    QByteArray img(0xA00, '\0'), sys;
    img.replace(0x200 + 32 * 8, 32, record);
    DeviceParams52 p;
    p.fromImage(img, sys);
    p.toImage(img, sys);
    QCOMPARE(int(uchar(img.at(0x200 + 32 * 8 + 30))), 0);
    QCOMPARE(int(uchar(img.at(0x200 + 32 * 8 + 31))), check);
}

void TestDeviceParams52::historyOfThreeRecords()
{
    DeviceParams52 p;
    p.registrations = { registration("0000000001004782", 1), registration("0000000002000000", 2),
                        registration("0000000003000000", 3) };
    QByteArray img;
    QByteArray sys(0x500, '\x33');
    p.toImage(img, sys);

    QCOMPARE(sys.size(), 0x500);
    QCOMPARE(sys.mid(3 * 64, 13 * 64), QByteArray(13 * 64, '\0'));
    QCOMPARE(sys.mid(0x400), QByteArray(0x100, '\x33'));
    QCOMPARE(int(uchar(sys.at(64))), 0xC1);
    QCOMPARE(sys.mid(64 + 6, 21), QByteArray("0000000002000000").append(5, '\0'));
    QCOMPARE(sys.mid(64 + 60, 3), QByteArray(3, '\0'));
    char x = 0;
    for (int i = 64; i < 64 + 63; ++i)
        x = char(x ^ sys.at(i));
    QCOMPARE(sys.at(64 + 63), x);

    DeviceParams52 back;
    back.fromImage(img, sys);
    QCOMPARE(back.registrations.size(), 3);
    QCOMPARE(back.registrations[2].regNumber.text(), QStringLiteral("0000000003000000"));
    QCOMPARE(back.registrations[2].dateTime(), QDateTime(QDate(2020, 1, 3), QTime(9, 30)));
}

void TestDeviceParams52::historyEndsAtFirstSlotWithoutMarker_data()
{
    QTest::addColumn<QByteArray>("system");
    QTest::addColumn<int>("count");

    DeviceParams52 p;
    p.registrations = { registration("1", 1), registration("2", 2) };
    QByteArray img, two;
    p.toImage(img, two);

    QByteArray firstZero = two;
    firstZero[0] = 0;
    QTest::newRow("first byte 0x00 hides a record in slot 1") << firstZero << 0;
    QByteArray otherMarker = two;
    otherMarker[0] = '\xC2';
    QTest::newRow("marker other than 0xC1") << otherMarker << 0;
    QByteArray laterRecord = two;
    laterRecord.replace(5 * 64, 64, two.mid(0, 64));
    QTest::newRow("a record after the first empty slot is not read") << laterRecord << 2;
    QTest::newRow("empty system image") << QByteArray() << 0;
    QTest::newRow("image ends after one slot") << two.left(64) << 1;
}

void TestDeviceParams52::historyEndsAtFirstSlotWithoutMarker()
{
    QFETCH(QByteArray, system);
    QFETCH(int, count);

    DeviceParams52 p;
    p.registrations = { registration("stale", 9) };
    p.fromImage(QByteArray(0xA00, '\0'), system);
    QCOMPARE(p.registrations.size(), count);
}

void TestDeviceParams52::registrationDateBytes()
{
    DeviceParams52 p;
    RegistrationRecord52 r = registration("1", 1);
    r.setDateTime(QDateTime(QDate(2019, 3, 5), QTime(14, 7)));
    p.registrations = { r };
    QByteArray img, sys;
    p.toImage(img, sys);
    QCOMPARE(sys.left(6), QByteArray("\xC1\x05\x03\x13\x0E\x07"));
}

void TestDeviceParams52::newImages()
{
    DeviceParams52 p;
    QByteArray img, sys;
    p.toImage(img, sys);
    QCOMPARE(img.size(), 0x98C);
    QCOMPARE(sys, QByteArray(1024, '\0'));
    QCOMPARE(img.mid(0x500, 0x200), QByteArray(0x200, '\0'));
    QCOMPARE(img.mid(0x986, 6), QByteArray(6, '\0'));

    DeviceParams52 back;
    back.fromImage(img, sys);
    QByteArray again, sysAgain;
    back.toImage(again, sysAgain);
    QCOMPARE(again, img);
    QCOMPARE(back.users[7].barcode.digits().size(), 11);
}

QTEST_GUILESS_MAIN(TestDeviceParams52)
#include "tst_deviceparams52.moc"
