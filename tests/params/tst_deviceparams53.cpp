#include "params/deviceparams53.h"
#include "params/imagetestutil.h"
#include "tabs/fieldchecks.h"

#include <QSet>
#include <QtTest>

// Family 2.53: defaults, where each field lives in the image, and the edge
// cases of reading and writing it.
class TestDeviceParams53 : public QObject
{
    Q_OBJECT

private slots:
    void emptyImageKeepsEverything();
    void defaultUsers();
    void everyFieldReadsFromItsOffset();
    void lastUserRecordAndTheBytesAfterIt();
    void defaultCashierIsOneByteWithZeroAfter();
    void maxPriceAndTheZeroRunAfterIt();
    void fullOrganisationNameReadsWhole();
    void zeroOnWriteRunIsWrittenZero();
    void newImageIsZeroOutsideFields();
    void shortImage();
    void systemImageIsLeftAlone();
    void listsOfWrongLengthWriteTheFullCount();
};

void TestDeviceParams53::emptyImageKeepsEverything()
{
    DeviceParams53 p;
    p.tradeConfig.maxPrice = 42;
    p.users[3].name.setText(QStringLiteral("Петров"));
    p.fromImage(QByteArray(), QByteArray(1024, 'x'));
    QCOMPARE(p.tradeConfig.maxPrice, qint64(42));
    QCOMPARE(p.users[3].name.text(), QStringLiteral("Петров"));
    QCOMPARE(p.positions.size(), 8);
    QCOMPARE(p.positions[7].text(), QStringLiteral("Ген.директор"));
    QCOMPARE(p.departments.size(), 16);
    QCOMPARE(p.departments[15].name.text(), QStringLiteral("Отдел 16"));
    QCOMPARE(int(p.departments[15].number), 16);
    QCOMPARE(p.users.size(), 16);
}

void TestDeviceParams53::defaultUsers()
{
    const DeviceParams53 p;
    QCOMPARE(p.users.size(), 16);
    QCOMPARE(p.users[0].name.text(), QStringLiteral("Кассир 1"));
    QCOMPARE(p.users[9].name.text(), QStringLiteral("Кассир 10"));
    QCOMPARE(p.users[10].name.text(), QStringLiteral("Ст. кассир 1"));
    QCOMPARE(p.users[13].name.text(), QStringLiteral("Ст. кассир 4"));
    QCOMPARE(p.users[15].name.text(), QStringLiteral("Админ. 2"));
    QSet<QByteArray> barcodes;
    for (int i = 0; i < 16; ++i) {
        const UserRecord53 &u = p.users[i];
        QCOMPARE(u.fullName.text(), u.name.text());
        QCOMPARE(u.password.text(), QStringLiteral("473"));
        QCOMPARE(int(u.rights), i < 10 ? 1 : i < 14 ? 2 : 3);
        QCOMPARE(u.barcode.value().size(), 13);
        QVERIFY2(isValidBarcode(u.barcode.value(), false), u.barcode.value());
        barcodes.insert(u.barcode.value());
    }
    QCOMPARE(barcodes.size(), 16);
    // The default cashier is the one active user.
    QCOMPARE(int(p.tradeConfig.defaultCashier), 7);
    QCOMPARE(int(p.users[6].flags), int(UserActive));
    QCOMPARE(int(p.users[8].flags), int(UserHidden));
    QCOMPARE(int(p.users[7].flags), 0);
}

void TestDeviceParams53::everyFieldReadsFromItsOffset()
{
    const QByteArray img = patternImage(0x1500);
    DeviceParams53 p;
    p.fromImage(img, QByteArray());

    const TradeConfig53 &t = p.tradeConfig;
    COMPARE_AT(t.signature, qint32, img, 0x00);
    COMPARE_AT(t.reserved1, qint8, img, 0x04);
    COMPARE_AT(t.reserved2, qint8, img, 0x05);
    compareSharedTradeFields(t, img);
    if (QTest::currentTestFailed())
        return;
    COMPARE_AT(t.defaultCashier, qint8, img, 0x50);
    COMPARE_AT(t.reserved16, qint16, img, 0x52);
    COMPARE_AT(t.paymentKinds, quint8, img, 0x54);
    COMPARE_AT(t.tradeModes, quint8, img, 0x55);
    COMPARE_BYTES_AT(t.opaque7.toByteArray(), img, 0x56, 7);

    for (int k = 0; k < 8; ++k)
        COMPARE_BYTES_AT(p.positions[k].value(), img, 0x80 + 16 * k, 16);

    COMPARE_BYTES_AT(p.registrationIds.serialNumber.value(), img, 0x100, 20);
    COMPARE_BYTES_AT(p.registrationIds.regNumber.value(), img, 0x114, 20);
    COMPARE_BYTES_AT(p.registrationIds.fnNumber.value(), img, 0x128, 16);

    // A full text field one byte wider than its limit reads its whole width.
    COMPARE_BYTES_AT(p.organisation.inn.value(), img, 0x200, 13);
    COMPARE_BYTES_AT(p.organisation.email.value(), img, 0x20D, 64);
    COMPARE_BYTES_AT(p.organisation.name.value(), img, 0x300, 240);
    COMPARE_BYTES_AT(p.organisation.address.value(), img, 0x400, 240);
    COMPARE_BYTES_AT(p.organisation.place.value(), img, 0x500, 240);

    for (int k = 0; k < 16; ++k) {
        const int at = 0x600 + 16 * k;
        const DepartmentRecord &d = p.departments[k];
        COMPARE_AT(d.number, qint8, img, at);
        COMPARE_BYTES_AT(d.name.value(), img, at + 1, 13);
        COMPARE_AT(d.vatRate, qint8, img, at + 14);
        COMPARE_AT(d.taxSystems, quint8, img, at + 15);
    }

    for (int k = 0; k < 16; ++k) {
        const int at = 0x700 + 118 * k;
        const UserRecord53 &u = p.users[k];
        COMPARE_BYTES_AT(u.name.value(), img, at, 15);
        COMPARE_BYTES_AT(u.barcode.value(), img, at + 15, 14);
        COMPARE_BYTES_AT(u.inn.value(), img, at + 29, 13);
        COMPARE_BYTES_AT(u.fullName.value(), img, at + 42, 65);
        COMPARE_BYTES_AT(u.password.value(), img, at + 107, 7);
        COMPARE_AT(u.rights, qint8, img, at + 114);
        COMPARE_AT(u.position, qint8, img, at + 115);
        COMPARE_AT(u.flags, quint16, img, at + 116);
    }

    COMPARE_BYTES_AT(p.ofd.address.value(), img, 0xF00, 65);
    COMPARE_BYTES_AT(p.ofd.inn.value(), img, 0xF41, 13);
    COMPARE_AT(p.ofd.port, qint16, img, 0xF4E);
    COMPARE_AT(p.ofd.connectTimer, qint16, img, 0xF50);
    COMPARE_AT(p.ofd.fnPollTimer, qint16, img, 0xF52);
    COMPARE_BYTES_AT(p.ofd.name.value(), img, 0x1000, 256);
    COMPARE_BYTES_AT(p.ofd.fnsSite.value(), img, 0x1100, 256);
    COMPARE_BYTES_AT(p.ofd.ofdSite.value(), img, 0x1200, 256);

    COMPARE_BYTES_AT(p.receiptHeader.value(), img, 0x1300, 132);
    COMPARE_BYTES_AT(p.receiptFooter.value(), img, 0x1400, 132);
}

void TestDeviceParams53::lastUserRecordAndTheBytesAfterIt()
{
    QByteArray img(0x1500, '\0');
    img.replace(0xE60, 0xA0, QByteArray(0xA0, '\x5A'));
    DeviceParams53 p;
    p.fromImage(img, QByteArray());
    p.users[15].name.setText(QStringLiteral("Иванов"));
    p.users[15].flags = 0xBEEF;
    p.toImage(img, img);

    QCOMPARE(img.mid(0xDEA, 7), QByteArray("\xC8\xE2\xE0\xED\xEE\xE2\0", 7));
    QCOMPARE(img.mid(0xDEA + 116, 2), QByteArray("\xEF\xBE"));
    QCOMPARE(img.mid(0xE60, 0xA0), QByteArray(0xA0, '\x5A'));
}

void TestDeviceParams53::defaultCashierIsOneByteWithZeroAfter()
{
    QByteArray img(0x1500, '\xAA');
    DeviceParams53 p;
    p.tradeConfig.defaultCashier = 16;
    p.toImage(img, img);
    QCOMPARE(img.mid(0x50, 2), QByteArray("\x10\x00", 2));
}

void TestDeviceParams53::maxPriceAndTheZeroRunAfterIt()
{
    QByteArray img(0x1500, '\xAA');
    DeviceParams53 p;
    p.tradeConfig.maxPrice = 50000 * 10000LL; // 50 000.00
    p.toImage(img, img);
    QCOMPARE(img.mid(0x2C, 8), QByteArray::fromHex("0065CD1D00000000"));
    QCOMPARE(img.mid(0x34, 8), QByteArray(8, '\0'));
}

void TestDeviceParams53::fullOrganisationNameReadsWhole()
{
    QByteArray img(0x1500, '\0');
    const QByteArray name = TextCodec::encode(QStringLiteral("ООО «Ромашка» "));
    QByteArray full;
    while (full.size() < 240)
        full.append(name);
    full.truncate(240);
    img.replace(0x300, 240, full);
    img[0x3F0] = 'x'; // the untouched byte after the field is not part of it

    DeviceParams53 p;
    p.fromImage(img, QByteArray());
    QCOMPARE(p.organisation.name.value(), full);

    QByteArray out(0x1500, '\0');
    p.toImage(out, out);
    QCOMPARE(out.mid(0x300, 241), full + QByteArray(1, '\0'));
}

void TestDeviceParams53::zeroOnWriteRunIsWrittenZero()
{
    QByteArray img(0x1500, '\0');
    img[0x08] = '\x77';
    img[0x51] = '\x01';
    DeviceParams53 p;
    p.fromImage(img, QByteArray());
    p.toImage(img, img);
    QCOMPARE(int(img.at(0x08)), 0);
    QCOMPARE(int(img.at(0x51)), 0);
}

void TestDeviceParams53::newImageIsZeroOutsideFields()
{
    DeviceParams53 p;
    QByteArray img, system("kept");
    p.toImage(img, system);
    QCOMPARE(img.size(), 0x1484);
    QCOMPARE(system, QByteArray("kept"));
    // Untouched runs inside the written range are gap bytes: zero.
    QCOMPARE(img.mid(0x5D, 35), QByteArray(35, '\0'));
    QCOMPARE(img.mid(0xE60, 160), QByteArray(160, '\0'));
    QCOMPARE(img.mid(0x1384, 124), QByteArray(124, '\0'));
    QCOMPARE(le<qint32>(img, 0x00), 0x1234);

    DeviceParams53 back;
    back.fromImage(img, QByteArray());
    QByteArray again;
    back.toImage(again, again);
    QCOMPARE(again, img);
}

void TestDeviceParams53::shortImage()
{
    // The image ends inside maxDeposit (0x3C..0x43).
    QByteArray img = patternImage(0x40);
    DeviceParams53 p;
    p.organisation.name.setText(QStringLiteral("Прежнее"));
    p.receiptHeader.setLines({ QStringLiteral("Добро пожаловать") });
    p.fromImage(img, QByteArray());

    COMPARE_AT(p.tradeConfig.maxPrice, qint64, img, 0x2C);
    QCOMPARE(p.tradeConfig.maxDeposit, qint64(0));
    QCOMPARE(p.tradeConfig.maxQuantity, qint64(0));
    QCOMPARE(int(p.tradeConfig.defaultCashier), 0);
    // Text past the end keeps what the set held; list records start empty.
    QCOMPARE(p.organisation.name.text(), QStringLiteral("Прежнее"));
    QCOMPARE(p.receiptHeader.lines(), QStringList { QStringLiteral("Добро пожаловать") });
    QCOMPARE(p.positions.size(), 8);
    QCOMPARE(p.positions[0].text(), QString());
    QCOMPARE(p.departments.size(), 16);
    QCOMPARE(int(p.departments[0].number), 0);
    QCOMPARE(p.users.size(), 16);
    QCOMPARE(p.users[6].name.text(), QString());
}

void TestDeviceParams53::systemImageIsLeftAlone()
{
    DeviceParams53 p;
    QByteArray img = patternImage(0x1500);
    QByteArray system = patternImage(300);
    const QByteArray before = system;
    p.fromImage(img, system);
    p.toImage(img, system);
    QCOMPARE(system, before);
}

void TestDeviceParams53::listsOfWrongLengthWriteTheFullCount()
{
    // A caller that shortened or lengthened a list must neither make toImage
    // read past its end nor write a record into the bytes after the section.
    DeviceParams53 p;
    p.users.resize(15);
    p.positions.resize(7);
    p.departments.append(DepartmentRecord { 17, {}, 1, 0 });
    QByteArray img(0x1500, '\xAA');
    p.toImage(img, img);

    QCOMPARE(img.mid(0xDEA, 118), QByteArray(118, '\0'));
    QCOMPARE(img.mid(0xF0, 16), QByteArray(16, '\0'));
    QCOMPARE(img.mid(0x700, 9), TextCodec::encode(QStringLiteral("Кассир 1")).append('\0'));
    QCOMPARE(img.mid(0xE60, 160), QByteArray(160, '\xAA'));

    p.users.append(UserRecord53 {});
    p.users.append(UserRecord53 {});
    p.toImage(img, img);
    QCOMPARE(img.mid(0xE60, 160), QByteArray(160, '\xAA'));
}

QTEST_GUILESS_MAIN(TestDeviceParams53)
#include "tst_deviceparams53.moc"
