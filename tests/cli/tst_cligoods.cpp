#include "cli.h"
#include "support/testdatahome.h"
#include "support/testsettings.h"

#include "goods/goodscsv.h"
#include "goods/goodsimage.h"
#include "history/snapshotstore.h"
#include "link/devicejob.h"
#include "link/frame.h"
#include "link/reachability.h"
#include "link/resultexplanation.h"
#include "params/deviceparams53.h"
#include "params/paramfile.h"
#include "sim/registersimulator.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTextStream>
#include <QtTest>

#include <memory>

using Sim = RegisterSimulator;

namespace {

const QString Host = QStringLiteral("127.0.0.62");
const QString Serial = QStringLiteral("0530000062");
const QByteArray Header = "name;intcode;barcode;price;dept\n";

struct Run
{
    int code = -1;
    QString out;
    QString err;
};

Run cli(const QStringList &args)
{
    Run r;
    QTextStream out(&r.out);
    QTextStream err(&r.err);
    Cli c(out, err);
    r.code = c.run(QStringList { QStringLiteral("korvant-cli") } + args);
    out.flush();
    err.flush();
    return r;
}

std::unique_ptr<Sim> startRegister(int goodsPages = -1, quint32 versionWord = 0)
{
    Sim::Config config;
    config.serial = Serial;
    config.discoveryPort = 0;
    config.goodsPages = goodsPages;
    config.versionWord = versionWord;
    if (((versionWord >> 16) & 0xFFF) == 52)
        config.family = Sim::Family252;
    // A register reports no more rows than its area holds (record 0 is the header).
    if (goodsPages > 0)
        config.goodsCapacity = 2 * goodsPages - 1;
    auto sim = std::make_unique<Sim>(config);
    if (!sim->listen(QHostAddress(Host)))
        return nullptr;
    return sim;
}

bool anyWrite(const Sim &sim)
{
    for (const Sim::Request &r : sim.requestLog())
        if (r.command == Frame::CmdWritePages)
            return true;
    return false;
}

} // namespace

class TestCliGoods : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void goodsCheck_data();
    void goodsCheck();
    void goodsCheckJson();
    void goodsCheckWithParams_data();
    void goodsCheckWithParams();
    void goodsDiff_data();
    void goodsDiff();
    void writeThenReadThroughFiles();
    void writeGoodsRefusals_data();
    void writeGoodsRefusals();
    void writeFailingAfterItsFirstPagesSaysSo_data();
    void writeFailingAfterItsFirstPagesSaysSo();

private:
    QString file(const QString &name, const QByteArray &content);

    TestSettingsDir m_store;
    QTemporaryDir m_dir;
};

void TestCliGoods::init()
{
    // The simulated register's address answers; nothing is pinged.
    Reachability::setPingFunction([](const QString &address, int) { return address == Host ? 0 : 1; });
}

void TestCliGoods::cleanup()
{
    Reachability::setPingFunction({});
}

QString TestCliGoods::file(const QString &name, const QByteArray &content)
{
    const QString path = m_dir.filePath(name);
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(content) != content.size())
        return QString();
    return path;
}

void TestCliGoods::goodsCheck_data()
{
    QTest::addColumn<QByteArray>("content"); // empty: no such file
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<int>("exit");
    QTest::addColumn<QString>("out");
    QTest::addColumn<QString>("err"); // a part of it

    const QByteArray clean = Header + "Молоко;1;4600000000015;12.5;16\n";
    QTest::newRow("clean file") << clean << QStringList() << int(Cli::ExitOk) << QString() << QString();
    QTest::newRow("findings in file order, one a line")
        << Header + "Молоко;;;1;17\n\"\";12a;4600000000017;1;1\n"
        << QStringList() << int(Cli::ExitFindings)
        << QStringLiteral("1. Внутренний код не задан\n1. Номер отдела содержит некорректное значение\n"
                          "2. Наименование не задано\n2. Внутренний код содержит некорректное значение\n"
                          "2. Штрихкод содержит некорректное значение\n")
        << QString();
    QTest::newRow("--departments 20 takes department 17")
        << Header + "Молоко;1;;1;17\n"
        << QStringList { "--departments", "20" } << int(Cli::ExitOk) << QString() << QString();
    QTest::newRow("--capacity 2 allows one row")
        << clean + "Кефир;2;;1;1\n"
        << QStringList { "--capacity", "2" } << int(Cli::ExitFindings)
        << QStringLiteral("Количество строк 2 превышает лимит 1\n") << QString();
    QTest::newRow("reader error: a Russian line, then its message, nothing checked")
        << QByteArray("name;intcode;price;dept\nA;1;1;1\n") << QStringList() << int(Cli::ExitFile)
        << QString()
        << QStringLiteral(
               "Строка 1 (заголовок): нет столбца «barcode».\nMissing column \"barcode\" in header of file");
    QTest::newRow("commas where the header has a column missing")
        << QByteArray("name,intcode,price,dept\nA,1,1,1\n") << QStringList() << int(Cli::ExitFile)
        << QString() << QStringLiteral("В файле разделитель «,», ожидается «;».\nФайл ");
    QTest::newRow("no such file") << QByteArray() << QStringList() << int(Cli::ExitFile) << QString()
                                  << QStringLiteral("Не удалось открыть файл");
    QTest::newRow("capacity that is no number")
        << clean << QStringList { "--capacity", "много" } << int(Cli::ExitUsage) << QString()
        << QStringLiteral("много");
}

void TestCliGoods::goodsCheck()
{
    QFETCH(QByteArray, content);
    QFETCH(QStringList, options);
    QFETCH(int, exit);
    QFETCH(QString, out);
    QFETCH(QString, err);
    const QString path = content.isEmpty() ? m_dir.filePath(QStringLiteral("none.csv"))
                                           : file(QStringLiteral("goods.csv"), content);
    const Run r = cli(QStringList { "goods-check", path } + options);
    QCOMPARE(r.code, exit);
    QCOMPARE(r.out, out);
    QVERIFY2(r.err.contains(err), qPrintable(r.err));
}

void TestCliGoods::goodsCheckJson()
{
    const QString path = file(QStringLiteral("goods.csv"), Header + "Молоко;1;;1;1\n\"Кефир\";;;1;0\n");
    const Run r = cli({ "goods-check", path, "--json" });
    QCOMPARE(r.code, int(Cli::ExitFindings));
    const QJsonArray expected = {
        QJsonObject { { "row", 1 }, { "column", 1 }, { "text", "2. Внутренний код не задан" } },
        QJsonObject {
            { "row", 1 }, { "column", 4 }, { "text", "2. Номер отдела содержит некорректное значение" } },
    };
    QCOMPARE(QJsonDocument::fromJson(r.out.toUtf8()).array(), expected);
    QVERIFY2(r.out.indexOf("\"row\"") < r.out.indexOf("\"column\""), "keys in the order row, column, text");
}

void TestCliGoods::goodsCheckWithParams_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QString>("out");

    // The register: maximum price 1000.00, 2 departments in use, capacity 3.
    const QString limits = QStringLiteral(
        "1. Цена 1000.01 больше максимальной цены ККТ 1000.00\n2. Отдел 3 не используется: в ККТ настроено "
        "отделов 2\n");
    QTest::newRow("the file's capacity")
        << QStringList() << QStringLiteral("Количество строк 3 превышает лимит 2\n") + limits;
    QTest::newRow("--capacity given wins") << QStringList { "--capacity", "2000" } << limits;
}

void TestCliGoods::goodsCheckWithParams()
{
    QFETCH(QStringList, options);
    QFETCH(QString, out);
    DeviceParams53 params;
    ParamFile settings;
    settings.serial = Serial;
    settings.version = QStringLiteral("2.53.40");
    settings.goodsCapacity = 3;
    params.registrationIds.serialNumber.setText(Serial);
    params.tradeConfig.maxPrice = 10000000;
    params.tradeConfig.departmentCount = 2;
    params.toImage(settings.params, settings.system);
    const QString paramsPath = m_dir.filePath(QStringLiteral("register.json"));
    QString error;
    QVERIFY2(settings.save(paramsPath, &error), qPrintable(error));
    const QString csv
        = file(QStringLiteral("goods.csv"), Header + "Икра;1;;1000.01;1\nХлеб;2;;1000;3\nСоль;3;;1;2\n");

    const Run r = cli(QStringList { "goods-check", csv, "--params", paramsPath } + options);
    QCOMPARE(r.code, int(Cli::ExitFindings));
    QCOMPARE(r.out, out);

    const Run missing = cli({ "goods-check", csv, "--params", m_dir.filePath(QStringLiteral("none.json")) });
    QCOMPARE(missing.code, int(Cli::ExitFile));
    QCOMPARE(missing.out, QString());
}

void TestCliGoods::goodsDiff_data()
{
    QTest::addColumn<QByteArray>("a");
    QTest::addColumn<QByteArray>("b"); // empty: no such file
    QTest::addColumn<int>("exit");
    QTest::addColumn<QString>("out");
    QTest::addColumn<QString>("err"); // a part of it

    const QByteArray a = Header + "Хлеб;12345;;45;1\nКефир;7;;60;2\nМолоко;8;4600000000015;80;1\n";
    QTest::newRow("same rows in another order, price written otherwise")
        << a << Header + "Молоко;8;4600000000015;80.00;1\nХлеб;12345;;4.5e1;1\nКефир;7;;60;2\n"
        << int(Cli::ExitOk) << QString() << QString();
    QTest::newRow("added, removed, changed")
        << a << Header + "Хлеб;12345;;47,50;1\nМолоко;8;4600000000015;80;3\nБатон;9;;30;1\n"
        << int(Cli::ExitDiffers)
        << QStringLiteral("12345 \"Хлеб\": цена 45.00 -> 47.50\n"
                          "8 \"Молоко\": отдел 1 -> 3\n"
                          "9 \"Батон\": добавлен, штрихкод —, цена 30.00, отдел 1\n"
                          "7 \"Кефир\": удалён, штрихкод —, цена 60.00, отдел 2\n"
                          "Добавлено: 1, удалено: 1, изменено: 2, без изменений: 0\n")
        << QString();
    QTest::newRow("second file missing")
        << a << QByteArray() << int(Cli::ExitFile) << QString() << QStringLiteral("сравнение не выполнено");
}

void TestCliGoods::goodsDiff()
{
    QFETCH(QByteArray, a);
    QFETCH(QByteArray, b);
    QFETCH(int, exit);
    QFETCH(QString, out);
    QFETCH(QString, err);
    const QString first = file(QStringLiteral("a.csv"), a);
    const QString second
        = b.isEmpty() ? m_dir.filePath(QStringLiteral("none.csv")) : file(QStringLiteral("b.csv"), b);
    const Run r = cli({ "goods-diff", first, second });
    QCOMPARE(r.code, exit);
    QCOMPARE(r.out, out);
    QVERIFY2(r.err.contains(err), qPrintable(r.err));
}

void TestCliGoods::writeThenReadThroughFiles()
{
    const auto sim = startRegister();
    QVERIFY(sim);
    const GoodsList rows = { { "Молоко \"Весёлый молочник\"; 1 л", "12345", "4600000000015", 89.9, 2 },
                             { "Хлеб", "7", "", 0.29, 1 },
                             { "Сыр", "", "12345670", 1500, 16 } };
    const QString in = file(QStringLiteral("in.csv"), goodsCsvBytes(rows));
    const QString port = QString::number(sim->serverPort());
    const Run write = cli({ "write-goods", Host, in, "--serial", Serial, "--port", port });
    QCOMPARE(write.code, int(Cli::ExitOk));
    QVERIFY2(write.out.endsWith(QStringLiteral("\nВыгрузка завершена успешно (строк: 3)\n")),
             qPrintable(write.out));
    QCOMPARE(sim->goodsArea().left(6 * GoodsRecordSize), buildGoodsImage(rows, true));

    const QString out = m_dir.filePath(QStringLiteral("out.csv"));
    const Run read = cli({ "read-goods", Host, "-o", out, "--port", port });
    QCOMPARE(read.code, int(Cli::ExitOk));
    QVERIFY2(read.out.contains(out), qPrintable(read.out));
    QFile f(out);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), goodsCsvBytes(rows)); // the window's "Сохранить в файл" dialect

    // Without -o the file is named after the register.
    const QString cwd = QDir::currentPath();
    QDir::setCurrent(m_dir.path());
    const Run named = cli({ "read-goods", Host, "--port", port });
    QDir::setCurrent(cwd);
    QCOMPARE(named.code, int(Cli::ExitOk));
    QVERIFY(QFile::exists(m_dir.filePath(Serial + ".goods.csv")));
}

void TestCliGoods::writeGoodsRefusals_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("serial");
    QTest::addColumn<int>("goodsPages");
    QTest::addColumn<int>("exit");
    QTest::addColumn<QString>("err"); // a part of it
    QTest::addColumn<bool>("contacted");
    QTest::addColumn<quint32>("versionWord"); // the register's; 0: 2.53.12

    const QByteArray two = Header + "Молоко;1;;1;1\nХлеб;2;;1;1\n";
    QTest::newRow("CSV error: nothing sent")
        << QByteArray(Header + "\"Молоко;1;;1;1\n") << Serial << -1 << int(Cli::ExitFile)
        << QStringLiteral("Escaped string was not closed in line 2") << false << 0u;
    QTest::newRow("negative price: nothing sent")
        << QByteArray(Header + "Молоко;1;;1;1\nХлеб;2;;-3;1\n") << Serial << -1 << int(Cli::ExitFile)
        << QStringLiteral("Строка 3 файла") << false << 0u;
    // Rows the record would change: 999 arrived as 231, -1 as 255, the code
    // as 99999, the name cut to 84 characters.
    const QByteArray first = Header + "Молоко;1;;1;1\n";
    const QString refused = QStringLiteral(", столбец %1: %2; в ККТ ничего не отправлено");
    QTest::newRow("department beyond a byte: nothing sent")
        << QByteArray(first + "Хлеб;2;;1;999\n") << Serial << -1 << int(Cli::ExitFile)
        << refused.arg("dept", "отдел 999: номер отдела в записи ККТ занимает один байт (от 0 до 255)")
        << false << 0u;
    QTest::newRow("negative department: nothing sent")
        << QByteArray(first + "Хлеб;2;;1;-1\n") << Serial << -1 << int(Cli::ExitFile)
        << refused.arg("dept", "отдел -1: номер отдела в записи ККТ занимает один байт (от 0 до 255)")
        << false << 0u;
    QTest::newRow("internal code longer than its field: nothing sent")
        << QByteArray(first + "Хлеб;99999999999;;1;1\n") << Serial << -1 << int(Cli::ExitFile)
        << refused.arg("intcode", "внутренний код длиннее 5 байт в кодировке Windows-1251 (11 байт)") << false
        << 0u;
    QTest::newRow("name longer than its field: nothing sent")
        << QByteArray(first + QByteArray(100000, 'x') + ";2;;1;1\n") << Serial << -1 << int(Cli::ExitFile)
        << refused.arg("name", "наименование длиннее 84 байт в кодировке Windows-1251 (100000 байт)") << false
        << 0u;
    QTest::newRow("barcode with a letter: nothing sent")
        << QByteArray(first + "Хлеб;2;46000000000A5;1;1\n") << Serial << -1 << int(Cli::ExitFile)
        << refused.arg("barcode", "штрихкод «46000000000A5»: запись ККТ хранит в штрихкоде только цифры")
        << false << 0u;
    QTest::newRow("another register: nothing written")
        << two << QStringLiteral("0530000999") << -1 << int(Cli::ExitMismatch)
        << QStringLiteral("Заводской номер ККТ 0530000062 не совпадает с указанным 0530000999") << true << 0u;
    QTest::newRow("firmware the utility does not configure: nothing written")
        << two << Serial << -1 << int(Cli::ExitMismatch)
        << QStringLiteral("Версия ККТ 2.52.37 не поддерживается, в ККТ ничего не записано") << true
        << 0x20340025u;
    QTest::newRow("no serial given") << two << QString() << -1 << int(Cli::ExitUsage)
                                     << QStringLiteral("--serial") << false << 0u;
    // The register reports a capacity of 1: no row fits. Said before the
    // snapshot is kept, with the numbers.
    QTest::newRow("more rows than the register holds")
        << two << Serial << 1 << int(Cli::ExitJobFailed)
        << QStringLiteral("не помещается в ККТ: строк 2, ёмкость ККТ 0. В ККТ ничего не записано") << true
        << 0u;
}

void TestCliGoods::writeGoodsRefusals()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, serial);
    QFETCH(int, goodsPages);
    QFETCH(int, exit);
    QFETCH(QString, err);
    QFETCH(bool, contacted);
    QFETCH(quint32, versionWord);
    TestDataHome data;
    const auto sim = startRegister(goodsPages, versionWord);
    QVERIFY(sim);
    const QByteArray area = sim->goodsArea();
    QStringList args = { "write-goods", Host, file(QStringLiteral("in.csv"), content), "--port",
                         QString::number(sim->serverPort()) };
    if (!serial.isEmpty())
        args << "--serial" << serial;
    const Run r = cli(args);
    QCOMPARE(r.code, exit);
    QVERIFY2(r.err.contains(err), qPrintable(r.err));
    QCOMPARE(!sim->requestLog().isEmpty(), contacted);
    QVERIFY(!anyWrite(*sim));
    QCOMPARE(sim->goodsArea(), area);
    QVERIFY(SnapshotStore().list(Serial).isEmpty()); // nothing written, nothing kept
}

void TestCliGoods::writeFailingAfterItsFirstPagesSaysSo_data()
{
    QTest::addColumn<int>("fault");
    QTest::addColumn<int>("request"); // of the writing connection
    QTest::addColumn<int>("result");
    QTest::addColumn<int>("written"); // pages the register holds new data in
    // Seven rows: five pages, four in the first write, one in the second.
    QTest::newRow("no reply to the second write") << int(Sim::NoReply) << 4 << int(ErrNoReply) << 4;
    QTest::newRow("copy of the first write's confirmation")
        << int(Sim::DuplicateReply) << 3 << int(ErrBadReply) << 4;
}

// A write that fails once pages went out says the register may now hold
// part of the new catalogue, as write-params does.
void TestCliGoods::writeFailingAfterItsFirstPagesSaysSo()
{
    QFETCH(int, fault);
    QFETCH(int, request);
    QFETCH(int, result);
    QFETCH(int, written);
    const auto sim = startRegister();
    QVERIFY(sim);
    sim->addFault({ Sim::Fault(fault), request, Frame::CmdWritePages });
    const QByteArray before = sim->goodsArea();
    const GoodsList rows(7, Goods { QStringLiteral("Молоко"), QStringLiteral("1"), QString(), 1, 1 });
    const QString in = file(QStringLiteral("in.csv"), goodsCsvBytes(rows));

    const Run r
        = cli({ "write-goods", Host, in, "--serial", Serial, "--port", QString::number(sim->serverPort()) });
    QCOMPARE(r.code, int(Cli::ExitJobFailed));
    QCOMPARE(r.err,
             QStringLiteral("Ошибка выгрузки. %1\n%2\n").arg(result).arg(resultExplanation(result, true)));
    QVERIFY(r.err.contains(QStringLiteral("часть новых данных")));
    const QByteArray image = buildGoodsImage(rows, true);
    QCOMPARE(sim->goodsArea().left(written * 256), image.left(written * 256));
    QCOMPARE(sim->goodsArea().mid(written * 256), before.mid(written * 256));
}

QTEST_GUILESS_MAIN(TestCliGoods)
#include "tst_cligoods.moc"
