#include "params/deviceparams.h"
#include "params/deviceparams52.h"
#include "params/deviceparams53.h"
#include "params/packedbcd.h"
#include "params/records.h"
#include "params/textcodec.h"

#include <QTextCodec>
#include <QtTest>

// Conversions the tabs use on single fields: text, packed digits, taxation
// systems, receipt lines, registration dates, and the family of a version.
class TestRecords : public QObject
{
    Q_OBJECT

private slots:
    void textField_data();
    void textField();
    void textWithoutTerminatorReadsToWidth();
    void strictEncoding_data();
    void strictEncoding();
    void tablesAgreeWithConverter();
    void packedBcdEncode_data();
    void packedBcdEncode();
    void packedBcdBarcode_data();
    void packedBcdBarcode();
    void taxSystemToBits_data();
    void taxSystemToBits();
    void taxSystemFromBits_data();
    void taxSystemFromBits();
    void receiptLines();
    void registrationDate();
    void familyOfVersion_data();
    void familyOfVersion();
    void versionText_data();
    void versionText();
};

void TestRecords::textField_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("field"); // the 13-byte field of a department name, limit 12
    QTest::addColumn<QString>("readBack");

    QTest::newRow("cyrillic takes one byte a letter")
        << QStringLiteral("Отдел") << QByteArray("\xCE\xF2\xE4\xE5\xEB").append(8, '\0')
        << QStringLiteral("Отдел");
    QTest::newRow("twenty letters keep the first twelve")
        << QStringLiteral("АБВГДЕЖЗИЙКЛМНОПРСТУ")
        << QByteArray("\xC0\xC1\xC2\xC3\xC4\xC5\xC6\xC7\xC8\xC9\xCA\xCB").append('\0')
        << QStringLiteral("АБВГДЕЖЗИЙКЛ");
    QTest::newRow("short text zero-fills the rest")
        << QStringLiteral("Abcd") << QByteArray("Abcd").append(9, '\0') << QStringLiteral("Abcd");
    QTest::newRow("empty text is all zeros") << QString() << QByteArray(13, '\0') << QString();
}

void TestRecords::textField()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, field);
    QFETCH(QString, readBack);

    TextField<13, 12> f;
    // setText must not leave old bytes behind: an earlier text of 11 bytes
    // (within the limit, so the limit holds) and stale bytes after it.
    f.bytes.fill('x');
    f.bytes[11] = '\0';
    f.setText(text);
    QCOMPARE(QByteArray(f.bytes.data(), 13), field);
    QCOMPARE(f.field(), field);
    QCOMPARE(f.text(), readBack);
}

void TestRecords::textWithoutTerminatorReadsToWidth()
{
    // A position name of exactly 16 bytes has no zero byte and reads whole.
    PositionName p;
    p.setText(QStringLiteral("Администраторы16"));
    QCOMPARE(p.field(),
             QByteArray("\xC0\xE4\xEC\xE8\xED\xE8\xF1\xF2\xF0\xE0\xF2\xEE\xF0\xFB"
                        "16"));
    QCOMPARE(p.text(), QStringLiteral("Администраторы16"));

    // A field one byte wider than its limit reads its whole width when the
    // register filled it, and goes back as it came unless set; a text set
    // takes at most the limit and keeps the terminator.
    TextField<4, 3> f;
    f.bytes = { 'a', 'b', 'c', 'd' };
    QCOMPARE(f.text(), QStringLiteral("abcd"));
    QCOMPARE(f.field(), QByteArray("abcd", 4));
    f.bytes = { 'a', '\0', 'c', 'd' };
    QCOMPARE(f.text(), QStringLiteral("a"));
    QCOMPARE(f.field(), QByteArray("a\0cd", 4));
    f.setText(QStringLiteral("wxyz"));
    QCOMPARE(f.field(), QByteArray("wxy\0", 4));
}

// Text a person enters is stored only when the code page holds every
// character; the lossy encode() would write '?' instead.
void TestRecords::strictEncoding_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("refused"); // empty: held, else how the message names it

    QTest::newRow("Cyrillic, Ё, №, € and typographic quotes")
        << QStringLiteral("Ёлка №1 «Ель» 5€") << QString();
    QTest::newRow("emoji outside the BMP") << QStringLiteral("Кот😀") << QStringLiteral("«😀» U+1F600");
    QTest::newRow("Latin letter with diaeresis") << QStringLiteral("Müller") << QStringLiteral("«ü» U+00FC");
    QTest::newRow("CJK character") << QStringLiteral("店") << QStringLiteral("«店» U+5E97");
    QTest::newRow("lone surrogate") << QString(QChar(0xD83D)) << QStringLiteral("U+");
}

void TestRecords::strictEncoding()
{
    QFETCH(QString, text);
    QFETCH(QString, refused);

    QByteArray bytes = "old";
    char32_t unheld = 0;
    const bool held = TextCodec::encodeStrict(text, &bytes, &unheld);
    QCOMPARE(held, refused.isEmpty());
    if (held) {
        QCOMPARE(TextCodec::decode(bytes), text);
        QCOMPARE(unheld, char32_t(0));
        return;
    }
    QCOMPARE(bytes, QByteArray("old"));
    QVERIFY(!TextCodec::canHold(unheld));
    QVERIFY2(TextCodec::describe(unheld).contains(refused), qPrintable(TextCodec::describe(unheld)));
    QCOMPARE(TextCodec::firstUnheld(text), unheld);
}

// The code page is read out of the converter into tables once; what they
// give must be what the converter gives, character by character.
void TestRecords::tablesAgreeWithConverter()
{
    QTextCodec *converter = QTextCodec::codecForName("Windows-1251");
    QVERIFY(converter);
    QByteArray all(256, '\0');
    for (int b = 0; b < 256; ++b)
        all[b] = char(b);
    // The undefined byte 0x98 is U+0098 everywhere, as ICU has it; Qt's own
    // converter (Windows builds have no ICU) says U+FFFD.
    QString expected = converter->toUnicode(all);
    expected[0x98] = QChar(0x98);
    QCOMPARE(TextCodec::decode(all), expected);

    for (uint u = 0; u <= 0xFFFF; ++u) {
        const QString one { QChar(ushort(u)) };
        if (u != 0x98 && TextCodec::encode(one) != converter->fromUnicode(one))
            QFAIL(qPrintable(QStringLiteral("U+%1").arg(u, 4, 16, QLatin1Char('0'))));
        if (TextCodec::encodeTable()[u] != 0 && !TextCodec::canHold(char32_t(u)))
            QFAIL(qPrintable(QStringLiteral("U+%1 not held").arg(u, 4, 16, QLatin1Char('0'))));
    }
    for (const QString &text :
         { QStringLiteral("Ёлка №1 «Ель» 5€\t\0"), QStringLiteral("a\u200Bb\u4E2Dc"), QStringLiteral("Кот😀"),
           QString(QChar(0xD83D)) + QStringLiteral("x"), QStringLiteral("x") + QChar(0xD83D), QString() }) {
        // One byte a character, also where Qt's own converter writes two
        // for a character beyond U+FFFF.
        QByteArray converted = converter->fromUnicode(text);
        converted.replace("??", "?");
        QCOMPARE(TextCodec::encode(text), converted);
        QCOMPARE(TextCodec::decode(TextCodec::encode(text)), converter->toUnicode(converted));
    }
}

void TestRecords::packedBcdEncode_data()
{
    QTest::addColumn<QString>("digits");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("decoded");

    QTest::newRow("12 digits fill six pairs")
        << "460123456789" << QByteArray::fromHex("460123456789") << "460123456789";
    QTest::newRow("11 digits lead with 0xF0 plus digit")
        << "01234567890" << QByteArray::fromHex("F01234567890") << "01234567890";
    QTest::newRow("10 digits lead with one 0xFF")
        << "1234567890" << QByteArray::fromHex("FF1234567890") << "1234567890";
    QTest::newRow("1 digit") << "7" << QByteArray::fromHex("FFFFFFFFFFF7") << "7";
    QTest::newRow("no digits are six 0xFF") << "" << QByteArray::fromHex("FFFFFFFFFFFF") << "";
    QTest::newRow("13-digit barcode loses its check digit")
        << "4601234567893" << QByteArray::fromHex("460123456789") << "460123456789";
    QTest::newRow("zero bytes are twelve zeros") << "000000000000" << QByteArray(6, '\0') << "000000000000";
}

void TestRecords::packedBcdEncode()
{
    QFETCH(QString, digits);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, decoded);

    QCOMPARE(PackedBcd::encode(digits), bytes);
    QCOMPARE(PackedBcd::decode(bytes), decoded);
    PackedDigits field;
    field.setDigits(digits);
    QCOMPARE(field.toByteArray(), bytes);
    QCOMPARE(field.digits(), decoded);
}

void TestRecords::packedBcdBarcode_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("barcode");

    // Check digits from the published codes: EAN-13 4006381333931, UPC-A 036000291452.
    QTest::newRow("12 stored digits read as EAN-13")
        << QByteArray::fromHex("400638133393") << "4006381333931";
    QTest::newRow("11 stored digits read as UPC-A") << QByteArray::fromHex("F03600029145") << "036000291452";
    QTest::newRow("no stored digits read empty") << QByteArray::fromHex("FFFFFFFFFFFF") << "";
    QTest::newRow("check digit 0 when the sum is a multiple of ten")
        << QByteArray::fromHex("000000000000") << "0000000000000";
    QTest::newRow("0xFF between digits is kept when written back")
        << QByteArray::fromHex("12FF34567890") << "12345678905";
}

void TestRecords::packedBcdBarcode()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, barcode);

    PackedDigits field;
    field.setBytes(bytes);
    QCOMPARE(field.barcode(), barcode);
    // Writing the code read back stores the same six bytes, also for an
    // 11-digit code whose read-back has 12.
    field.setBarcode(barcode);
    QCOMPARE(field.toByteArray(), bytes);

    PackedDigits fresh;
    fresh.setBarcode(barcode);
    QCOMPARE(fresh.toByteArray(), PackedBcd::encode(barcode));
}

void TestRecords::taxSystemToBits_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("bits");

    QTest::newRow("0 is no system") << 0 << 0x00;
    QTest::newRow("1 is bit 0") << 1 << 0x01;
    QTest::newRow("8 is bit 7") << 8 << 0x80;
    QTest::newRow("nothing chosen (-1) is no system, not a negative shift") << -1 << 0x00;
    QTest::newRow("beyond bit 7 is no system") << 9 << 0x00;
}

void TestRecords::taxSystemToBits()
{
    QFETCH(int, index);
    QFETCH(int, bits);

    QCOMPARE(int(::taxSystemToBits(index)), bits);
}

void TestRecords::taxSystemFromBits_data()
{
    QTest::addColumn<int>("bits");
    QTest::addColumn<int>("index");

    QTest::newRow("no bit is index 0") << 0x00 << 0;
    QTest::newRow("bit 0 is index 1") << 0x01 << 1;
    QTest::newRow("bit 7 is index 8") << 0x80 << 8;
    QTest::newRow("several bits read as the lowest") << 0x06 << 2;
}

void TestRecords::taxSystemFromBits()
{
    QFETCH(int, bits);
    QFETCH(int, index);

    QCOMPARE(::taxSystemFromBits(quint8(bits)), index);
}

void TestRecords::receiptLines()
{
    ReceiptTextBlock block;
    block.setValue("first\n\nthird");
    QCOMPARE(block.lines(), QStringList({ "first", "", "third" }));

    block.setLines({ QStringLiteral("Спасибо"), QString(), QStringLiteral("за покупку") });
    QCOMPARE(block.value(),
             QByteArray("\xD1\xEF\xE0\xF1\xE8\xE1\xEE\n\n\xE7\xE0 \xEF\xEE\xEA\xF3\xEF\xEA\xF3"));

    // Six lines of 22 characters joined by five line feeds need 137 bytes;
    // the block keeps 132.
    QStringList full;
    for (int i = 0; i < 6; ++i)
        full.append(QString(22, QLatin1Char('x')));
    block.setLines(full);
    QCOMPARE(block.value().size(), 132);
    QCOMPARE(block.lines().size(), 6);
    QCOMPARE(block.lines().last().size(), 17);
}

void TestRecords::registrationDate()
{
    RegistrationRecord52 r;
    r.setDateTime(QDateTime(QDate(2019, 3, 5), QTime(14, 7, 33)));
    QCOMPARE(int(r.day), 5);
    QCOMPARE(int(r.month), 3);
    QCOMPARE(int(r.yearFrom2000), 19);
    QCOMPARE(int(r.hour), 14);
    QCOMPARE(int(r.minute), 7);
    QCOMPARE(r.dateTime(), QDateTime(QDate(2019, 3, 5), QTime(14, 7)));

    r.setDateTime(QDateTime());
    QCOMPARE(int(r.hour), 0);
    QCOMPARE(int(r.minute), 0);
    QCOMPARE(int(r.day), 0);
}

void TestRecords::familyOfVersion_data()
{
    QTest::addColumn<QString>("version");
    QTest::addColumn<int>("family");

    QTest::newRow("build version 2.53") << "2.53.10" << 53;
    QTest::newRow("family pattern 2.52") << "2.52.*" << 52;
    QTest::newRow("two numbers only") << "2.52" << 52;
    QTest::newRow("unknown family") << "2.54.1" << 0;
    QTest::newRow("family in the wrong place") << "53.2.1" << 0;
    QTest::newRow("empty") << "" << 0;
    QTest::newRow("not a number") << "2.x.1" << 0;
}

void TestRecords::versionText_data()
{
    QTest::addColumn<QString>("version");
    QTest::addColumn<bool>("valid");
    QTest::newRow("a register's version") << "2.53.10" << true;
    QTest::newRow("family pattern") << "2.52.*" << true;
    QTest::newRow("largest of each part") << "15.4095.65535" << true;
    QTest::newRow("zeros") << "0.0.0" << true;
    QTest::newRow("major beyond 4 bits") << "16.53.1" << false;
    QTest::newRow("minor beyond 12 bits") << "2.4096.1" << false;
    QTest::newRow("build beyond 16 bits") << "2.53.65536" << false;
    QTest::newRow("build beyond any integer") << "2.53.99999999999" << false;
    QTest::newRow("negative build") << "2.53.-1" << false;
    QTest::newRow("signed part") << "+2.53.1" << false;
    QTest::newRow("leading zero") << "2.053.1" << false;
    QTest::newRow("letters") << "x.53.y" << false;
    QTest::newRow("blank inside") << "2.53. 1" << false;
    QTest::newRow("two numbers") << "2.52" << false;
    QTest::newRow("four numbers") << "2.53.1.0" << false;
    QTest::newRow("pattern in the minor") << "2.*.1" << false;
    QTest::newRow("empty") << "" << false;
}

void TestRecords::versionText()
{
    QFETCH(QString, version);
    QTEST(DeviceParams::isValidVersion(version), "valid");
}

void TestRecords::familyOfVersion()
{
    QFETCH(QString, version);
    QFETCH(int, family);

    QCOMPARE(DeviceParams::familyOf(version), family);
    QScopedPointer<DeviceParams> params(DeviceParams::create(version));
    switch (family) {
    case 52:
        QVERIFY(qobject_cast<DeviceParams52 *>(params.data()));
        break;
    case 53:
        QVERIFY(qobject_cast<DeviceParams53 *>(params.data()));
        break;
    default:
        QVERIFY(params.isNull());
    }
}

QTEST_GUILESS_MAIN(TestRecords)
#include "tst_records.moc"
