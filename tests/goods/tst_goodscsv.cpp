#include "goodstestutil.h"

#include "classes/csv/qcsvsource.h"
#include "goods/goodscsv.h"
#include "goods/goodstablemodel.h"
#include "params/textcodec.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#ifdef Q_OS_UNIX
#include <sys/resource.h>
#endif

class TestGoodsCsv : public QObject
{
    Q_OBJECT

private slots:
    void readerErrors_data();
    void readerErrors();
    void spreadsheetFiles_data();
    void spreadsheetFiles();
    void fields_data();
    void fields();
    void fileShapes_data();
    void fileShapes();
    void encodings_data();
    void encodings();
    void ambiguousBytesReadBack();
    void savedDialect();
    void roundTrip_data();
    void roundTrip();
    void readAheadBlocks();
    void sourceMarksEndOfData();
    void failedLoadKeepsModel();
    void failedSaveKeepsOldFile();
};

namespace {

const QByteArray Header = "name;intcode;barcode;price;dept\n";

QByteArray cp1251(const QString &text)
{
    return TextCodec::encode(text);
}

Goods goods(const QString &name, const QString &intcode, const QString &barcode, double price, int dept)
{
    Goods g;
    g.name = name;
    g.intcode = intcode;
    g.barcode = barcode;
    g.price = price;
    g.dept = dept;
    return g;
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

void TestGoodsCsv::readerErrors_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("detail"); // the Russian line above it

    const QByteArray row = "x;1;2;3;4\n";
    QTest::newRow("no line at all") << QByteArray() << R"(Header missing in file "goods.csv".)"
                                    << "В файле нет ни одной строки, даже строки заголовка.";
    QTest::newRow("header without barcode") << QByteArray("name;intcode;price;dept\n")
                                            << R"(Missing column "barcode" in header of file "goods.csv".)"
                                            << "Строка 1 (заголовок): нет столбца «barcode».";
    QTest::newRow("header name twice") << QByteArray("name;intcode;barcode;price;dept;price\n")
                                       << R"(Duplicated column "price" in header of file "goods.csv".)"
                                       << "Строка 1 (заголовок): столбец «price» указан дважды.";
    QTest::newRow("blank middle line")
        << Header + row + "\n" + row << R"(Too few columns in line 3 in file "goods.csv".)"
        << "Строка 3: столбцов меньше, чем в заголовке.";
    QTest::newRow("six fields") << Header + row + "x;1;2;3;4;5\n"
                                << R"(Too many columns in line 3 in file "goods.csv".)"
                                << "Строка 3: столбцов больше, чем в заголовке.";
    QTest::newRow("quote opened, not closed")
        << Header + "\"x;1;2;3;4\n"
        << R"(Escaped string was not closed in line 2 in file "goods.csv".)"
        << "Строка 2: кавычка открыта, но не закрыта.";
    QTest::newRow("quote not closed in the header: line 1, not -1")
        << QByteArray("\"name;intcode;barcode;price;dept\n")
        << R"(Escaped string was not closed in line 1 in file "goods.csv".)"
        << "Строка 1: кавычка открыта, но не закрыта.";
    QTest::newRow("currency sign after the price")
        << Header + cp1251(QStringLiteral("x;1;2;12.50р;4\n"))
        << R"(The integer "12.50р" contains an invalid digit in column "price" in file "goods.csv" in line "2".)"
        << "Строка 2, столбец «price»: «12.50р» — не число.";
    QTest::newRow("letter in dept")
        << Header + "x;1;2;3;1a\n"
        << R"(The integer "1a" contains an invalid digit in column "dept" in file "goods.csv" in line "2".)"
        << "Строка 2, столбец «dept»: «1a» — не число.";
    QTest::newRow("price checked before dept")
        << Header + "x;1;2;1e-2147483648x;y\n"
        << R"(The integer "1e-2147483648x" contains an invalid digit in column "price" in file "goods.csv" in line "2".)"
        << "Строка 2, столбец «price»: «1e-2147483648x» — не число.";
    QTest::newRow("dept above int32")
        << Header + "x;1;2;3;2147483648\n"
        << R"(The integer "2147483648" overflows in column "dept" in file "goods.csv" in line "2".)"
        << "Строка 2, столбец «dept»: число «2147483648» слишком велико.";
    QTest::newRow("dept below int32")
        << Header + "x;1;2;3;-2147483649\n"
        << R"(The integer "-2147483649" underflows in column "dept" in file "goods.csv" in line "2".)"
        << "Строка 2, столбец «dept»: число «-2147483649» слишком мало.";
    QTest::newRow("line of 2^24 bytes")
        << Header + QByteArray(1 << 24, 'x') + "\n"
        << R"(Line number 2 in file "goods.csv" exceeds the maximum length of 2^24-1.)"
        << "Строка 2 длиннее 2^24-1 байт.";
}

void TestGoodsCsv::readerErrors()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, message);
    QFETCH(QString, detail);

    const GoodsCsvLoad load = readGoodsCsv(file, QStringLiteral("goods.csv"));
    QCOMPARE(load.error, message);
    QCOMPARE(load.detail, detail);
    QVERIFY(load.readerError);
    QVERIFY(load.rows.isEmpty());
    QCOMPARE(load.userText(),
             QStringLiteral("Файл не загружен, таблица осталась прежней.\n%1\n\n%2").arg(detail, message));
}

void TestGoodsCsv::spreadsheetFiles_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<GoodsList>("expected"); // when it loads
    QTest::addColumn<QString>("detail"); // when it does not
    QTest::addColumn<char>("separator");

    const GoodsList none;
    QTest::newRow("quoted name over two lines")
        << Header + "\"Хлеб\nбелый\";1;;45;1\n\"Молоко\";2;;80;1\n"
        << GoodsList { goods("Хлеб белый", "1", "", 45, 1), goods("Молоко", "2", "", 80, 1) } << QString()
        << ';';
    QTest::newRow("line break inside a cell, lines ending CR LF")
        << QByteArray("name;intcode;barcode;price;dept\r\n\"A\r\nB\r\nC\";1;;1;1\r\nD;2;;2;1\r\n")
        << GoodsList { goods("A B C", "1", "", 1, 1), goods("D", "2", "", 2, 1) } << QString() << ';';
    QTest::newRow("after a multi-line cell, errors name the file's lines")
        << Header + "\"A\nB\";1;;1;1\nC;2;;x;1\n"
        << none << QStringLiteral("Строка 4, столбец «price»: «x» — не число.") << ';';
    // A quote inside a field is no cell of its own: the file stays refused.
    QTest::newRow("stray quote inside a field: not joined")
        << Header + "Труба 1/2\";1;;1;1\nГайка 3/4\";2;;2;1\n"
        << none << QStringLiteral("Строка 2: кавычка открыта, но не закрыта.") << ';';
    QTest::newRow("quote closing in the middle of a field: not joined")
        << Header + "\"A;1;;1;1\n\"B;2;;2;1\n"
        << none << QStringLiteral("Строка 2: кавычка открыта, но не закрыта.") << ';';
    QTest::newRow("commas, the header says so")
        << QByteArray("name,intcode,barcode,price,dept\n\"Сыр, 45%\",1,,\"12,50\",2\n")
        << GoodsList { goods("Сыр, 45%", "1", "", 12.5, 2) } << QString() << ',';
    QTest::newRow("commas, a column missing")
        << QByteArray("name,intcode,price,dept\nA,1,2,3\n") << none
        << QStringLiteral("В файле разделитель «,», ожидается «;».") << ';';
    QTest::newRow("commas, a decimal comma unquoted")
        << QByteArray("name,intcode,barcode,price,dept\nA,1,,12,50,1\n") << none
        << QStringLiteral("Файл прочитан с разделителем «,», как в его заголовке. Строка 2: столбцов больше, "
                          "чем в заголовке.")
        << ';';
    QTest::newRow("thousands grouped by blanks")
        << Header + "A;1;;1 234 567,50;1\nB;2;;-12 000;1\n"
        << GoodsList { goods("A", "1", "", 1234567.5, 1), goods("B", "2", "", -12000, 1) } << QString()
        << ';';
    QTest::newRow("thousands grouped by a Windows-1251 no-break space") << Header
            + "A;1;;1\xA0"
              "234,5;1\n" << GoodsList { goods("A", "1", "", 1234.5, 1) }
                                                                        << QString() << ';';
    QTest::newRow("no-break spaces in UTF-8")
        << Header + QStringLiteral("Ж;1;;1\u00A0234,5;1\nЖ;2;;12\u202F345;1\n").toUtf8()
        << GoodsList { goods("Ж", "1", "", 1234.5, 1), goods("Ж", "2", "", 12345, 1) } << QString() << ';';
    QTest::newRow("groups of other than three digits stay refused")
        << Header + "A;1;;12 34;1\n"
        << none << QStringLiteral("Строка 2, столбец «price»: «12 34» — не число.") << ';';
}

void TestGoodsCsv::spreadsheetFiles()
{
    QFETCH(QByteArray, file);
    QFETCH(GoodsList, expected);
    QFETCH(QString, detail);
    QFETCH(char, separator);

    const GoodsCsvLoad load = readGoodsCsv(file, QStringLiteral("goods.csv"));
    QCOMPARE(load.detail, detail);
    QCOMPARE(load.ok(), detail.isEmpty());
    COMPARE_GOODS(load.rows, expected);
    QCOMPARE(load.separator, separator);
}

void TestGoodsCsv::fields_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<Goods>("expected");

    QTest::newRow("quoted: separator and doubled quotes inside")
        << cp1251(QStringLiteral("\"Сыр \"\"Российский\"\"; 45%\";123;4600000000015;12.50;2"))
        << goods(QStringLiteral("Сыр \"Российский\"; 45%"), "123", "4600000000015", 12.5, 2);
    QTest::newRow("blanks around fields go, inside quotes stay")
        << QByteArray("  \" a \"  ;  12 ; 34 ;1;1") << goods(" a ", "12", "34", 1, 1);
    QTest::newRow("tabs are no blanks") << QByteArray("\tx\t;1;2;3;4") << goods("\tx\t", "1", "2", 3, 4);
    QTest::newRow("quotes inside an unquoted field stay")
        << QByteArray("x\"y\"z;1;2;3;4") << goods("x\"y\"z", "1", "2", 3, 4);
    QTest::newRow("decimal comma") << QByteArray("x;1;2;12,50;4") << goods("x", "1", "2", 12.5, 4);
    QTest::newRow("exponent") << QByteArray("x;1;2;1.5e2;4") << goods("x", "1", "2", 150, 4);
    // The reader's own parser never returns from these.
    QTest::newRow("exponent -2^31 is 0") << QByteArray("x;1;2;5e-2147483648;4") << goods("x", "1", "2", 0, 4);
    QTest::newRow("exponent below -2^31 is 0")
        << QByteArray("x;1;2;5.5e-99999999999;4") << goods("x", "1", "2", 0, 4);
    QTest::newRow("exponent -2^31 + 1") << QByteArray("x;1;2;5e-2147483647;4") << goods("x", "1", "2", 0, 4);
    QTest::newRow("signs") << QByteArray("x;1;2;-2;+5") << goods("x", "1", "2", -2, 5);
    QTest::newRow("empty price and dept are 0") << QByteArray("x;1;2;;") << goods("x", "1", "2", 0, 0);
    QTest::newRow("lone sign in dept is 0") << QByteArray("x;1;2;1;-") << goods("x", "1", "2", 1, 0);
}

void TestGoodsCsv::fields()
{
    QFETCH(QByteArray, line);
    QFETCH(Goods, expected);

    const GoodsCsvLoad load = readGoodsCsv(Header + line + "\n", QStringLiteral("goods.csv"));
    QCOMPARE(load.error, QString());
    COMPARE_GOODS(load.rows, GoodsList({ expected }));
}

void TestGoodsCsv::fileShapes_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<GoodsList>("expected");

    QTest::newRow("header only") << Header << GoodsList();
    QTest::newRow("reversed header and an extra column")
        << QByteArray("dept;price;barcode;intcode;name;note\n1;2;3;4;5;six\n")
        << GoodsList({ goods("5", "4", "3", 2, 1) });
    QTest::newRow("CR LF, last line without LF")
        << QByteArray("name;intcode;barcode;price;dept\r\na;1;2;3;4\r\nb;5;6;7;8")
        << GoodsList({ goods("a", "1", "2", 3, 4), goods("b", "5", "6", 7, 8) });
}

void TestGoodsCsv::fileShapes()
{
    QFETCH(QByteArray, file);
    QFETCH(GoodsList, expected);

    const GoodsCsvLoad load = readGoodsCsv(file, QStringLiteral("goods.csv"));
    QCOMPARE(load.error, QString());
    COMPARE_GOODS(load.rows, expected);
}

void TestGoodsCsv::encodings_data()
{
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<QString>("expected");

    const QString cheese = QStringLiteral("Сыр «Ёлка» №5");
    QTest::newRow("Windows-1251") << cp1251(cheese) << cheese;
    QTest::newRow("UTF-8") << cheese.toUtf8() << cheese;
    // Two bytes that happen to form a valid UTF-8 character: "РЎ" is "С".
    QTest::newRow("Windows-1251 that is valid UTF-8 reads as UTF-8")
        << cp1251(QStringLiteral("РЎ")) << QStringLiteral("С");
    QTest::newRow("ASCII") << QByteArray("Tea") << QStringLiteral("Tea");
    QTest::newRow("invalid UTF-8 with a byte order mark stays Windows-1251")
        << QByteArray("\xEF\xBB\xBF") + cp1251(cheese) << cheese;
    QTest::newRow("byte order mark, UTF-8") << QByteArray("\xEF\xBB\xBF") + cheese.toUtf8() << cheese;
}

void TestGoodsCsv::encodings()
{
    QFETCH(QByteArray, name);
    QFETCH(QString, expected);

    // A byte order mark belongs at the very start of the file.
    QByteArray file = Header + name + ";1;2;3;4\n";
    if (name.startsWith("\xEF\xBB\xBF"))
        file = "\xEF\xBB\xBF" + Header + name.mid(3) + ";1;2;3;4\n";
    const GoodsCsvLoad load = readGoodsCsv(file, QStringLiteral("goods.csv"));
    QCOMPARE(load.error, QString());
    QCOMPARE(load.rows.value(0).name, expected);
}

// Saved and loaded back, a catalogue is the same whatever its texts' bytes
// happen to look like.
void TestGoodsCsv::ambiguousBytesReadBack()
{
    // In Windows-1251 these are C2 A8 and D0 AB: valid UTF-8 for "¨" and "Ы".
    const GoodsList rows
        = { goods(QStringLiteral("ВЁ"), "1", "", 10, 1), goods(QStringLiteral("Р«"), "2", "", 20, 2) };
    const QByteArray saved = goodsCsvBytes(rows);
    const GoodsCsvLoad load = readGoodsCsv(saved, QStringLiteral("goods.csv"));
    QCOMPARE(load.error, QString());
    COMPARE_GOODS(load.rows, rows);
}

void TestGoodsCsv::savedDialect()
{
    const GoodsList rows = {
        goods(QStringLiteral("Сыр \"Р\""), "12", "4600000000015", 12.5, 3),
        goods("a", "", "", 150, 1),
        goods("b", "1;2", " 7", 0.29, -4), // would not read back unquoted
        goods("c\nd", "x", "y", -2, 0), // the reader has no multi-line fields
        goods("e", "1\r2", "3\n", 1, 1), // written as blanks, quoted as blanks are
    };
    QByteArray expected = "name;intcode;barcode;price;dept\n"
        + cp1251(QStringLiteral("\"Сыр \"\"Р\"\"\";12;4600000000015;12.5;3\n"))
        + "\"a\";;;150;1\n"
          "\"b\";\"1;2\";\" 7\";0.29;-4\n"
          "\"c d\";x;y;-2;0\n"
          "\"e\";1 2;\"3 \";1;1\n";
#ifdef Q_OS_WIN
    // Lines end as the system's text files do.
    expected.replace("\n", "\r\n");
#endif
    QCOMPARE(goodsCsvBytes(rows), expected);
}

void TestGoodsCsv::roundTrip_data()
{
    QTest::addColumn<bool>("utf8");
    QTest::addColumn<QString>("extra");

    QTest::newRow("Windows-1251 as saved") << false << QString();
    QTest::newRow("same file recoded to UTF-8") << true << QString();
    // The code page lacks these: saved as UTF-8 rather than as "?".
    QTest::newRow("text outside Windows-1251") << false << QStringLiteral(" 中文 \U0001F600");
}

void TestGoodsCsv::roundTrip()
{
    QFETCH(bool, utf8);
    QFETCH(QString, extra);

    GoodsList rows = randomGoods(500, 62);
    rows[17].name += extra;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Товары.csv"));
    QString error;
    QVERIFY2(saveGoodsCsv(path, rows, &error), qPrintable(error));
    if (utf8)
        QVERIFY(writeFile(path, TextCodec::decode(readFile(path)).toUtf8()));

    GoodsTableModel model;
    const GoodsCsvLoad load = loadGoodsCsv(path, model);
    QCOMPARE(load.error, QString());
    COMPARE_GOODS(model.goods(), rows);
}

// Files beyond two 16 MiB blocks are read ahead on the reader's own thread;
// no line may be lost or doubled where the blocks meet.
void TestGoodsCsv::readAheadBlocks()
{
    const QByteArray pad(4000, 'p');
    QByteArray file = "name;intcode;barcode;price;dept;pad\n";
    int count = 0;
    while (file.size() < (40 << 20))
        file += cp1251(QStringLiteral("Товар;%1;2;3.5;4;").arg(++count)) + pad + '\n';

    const GoodsCsvLoad load = readGoodsCsv(file, QStringLiteral("big.csv"));
    QCOMPARE(load.error, QString());
    QCOMPARE(load.rows.size(), count);
    for (int i = 0; i < count; ++i)
        if (load.rows.at(i).intcode != QString::number(i + 1)
            || load.rows.at(i).name != QStringLiteral("Товар"))
            QFAIL(qPrintable(QStringLiteral("row %1: %2").arg(i).arg(describe(load.rows.at(i)))));
}

// The reader peeks at the byte after the data and takes a '\n' there for a
// line break; in a reused block that byte is whatever the last file left.
void TestGoodsCsv::sourceMarksEndOfData()
{
    QByteArray block(16, '\n');
    QCsvSource source(QByteArrayLiteral("a;b"));
    QCOMPARE(source.read(block.data(), 8), 3);
    QCOMPARE(block.left(5), QByteArray("a;b\0\n", 5));
    QCOMPARE(source.read(block.data(), 8), 0);
    QCOMPARE(block.at(0), '\0');

    // A full read writes nothing past what it was lent.
    block.fill('\n');
    QCsvSource full(QByteArrayLiteral("abcd"));
    QCOMPARE(full.read(block.data(), 4), 4);
    QCOMPARE(block.left(5), QByteArray("abcd\n"));
}

void TestGoodsCsv::failedLoadKeepsModel()
{
    QTemporaryDir dir;
    const QString bad = dir.filePath(QStringLiteral("bad.csv"));
    QVERIFY(writeFile(bad, Header + "a;1;2;3;4\nb;1;2;oops;4\n"));
    const GoodsList before = randomGoods(5, 3);
    GoodsTableModel model;
    model.setGoods(before);
    QSignalSpy reset(&model, &GoodsTableModel::modelAboutToBeReset);

    GoodsCsvLoad load = loadGoodsCsv(bad, model);
    QVERIFY(load.readerError);
    QVERIFY(load.error.contains(QStringLiteral("in line \"3\"")));

    const QString missing = dir.filePath(QStringLiteral("нет.csv"));
    load = loadGoodsCsv(missing, model);
    QVERIFY(!load.readerError);
    QVERIFY2(load.error.startsWith(QStringLiteral("Не удалось открыть файл \"%1\": ").arg(missing)),
             qPrintable(load.error));
    QCOMPARE(load.userText(), load.error);

    // Files that never end are not read: devices and pipes not at all, a
    // regular file no further than the limit.
#ifdef Q_OS_UNIX
    load = loadGoodsCsv(QStringLiteral("/dev/zero"), model);
    QCOMPARE(load.error, QStringLiteral("\"/dev/zero\" — не обычный файл, его нельзя загрузить."));
#endif
    const QString huge = dir.filePath(QStringLiteral("huge.csv"));
    {
        QFile file(huge);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(file.resize(GoodsCsvMaxFileSize + 1)); // sparse: no disk space taken
    }
    load = loadGoodsCsv(huge, model);
    QVERIFY2(load.error.contains(QStringLiteral("больше 64 МБ")), qPrintable(load.error));

    QVERIFY(reset.isEmpty());
    COMPARE_GOODS(model.goods(), before);
}

void TestGoodsCsv::failedSaveKeepsOldFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("goods.csv"));
    const GoodsList old = randomGoods(3, 4);
    QVERIFY(saveGoodsCsv(path, old));
    const QByteArray oldBytes = readFile(path);

    QString error;
#ifdef Q_OS_UNIX
    // A file size limit makes the write fail part-way, even for root
    // (Windows has no such limit).
    rlimit saved {};
    QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit small = saved;
    small.rlim_cur = rlim_t(oldBytes.size() + 100);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool saved1 = saveGoodsCsv(path, randomGoods(1000, 5), &error);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);

    QVERIFY(!saved1);
    // The reason in Russian, not Qt's English.
    const QString prefix = QStringLiteral("Не удалось записать файл \"%1\": ").arg(path);
    QVERIFY2(error.startsWith(prefix), qPrintable(error));
    QVERIFY2(!error.mid(prefix.size()).contains(QRegularExpression(QStringLiteral("[A-Za-z]"))),
             qPrintable(error));
    QCOMPARE(readFile(path), oldBytes);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList({ "goods.csv" }));
#endif

    const QString nowhere = dir.filePath(QStringLiteral("no/such/folder/goods.csv"));
    QVERIFY(!saveGoodsCsv(nowhere, old, &error));
    QCOMPARE(
        error,
        QStringLiteral("Не удалось открыть файл \"%1\" для записи: нет такого файла или папки").arg(nowhere));
}

QTEST_GUILESS_MAIN(TestGoodsCsv)
#include "tst_goodscsv.moc"
