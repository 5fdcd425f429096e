#include "clirun.h"
#include "support/simfleet.h"
#include "support/testdatahome.h"

#include "goods/goodscsv.h"
#include "goods/goodsimage.h"
#include "history/snapshotstore.h"
#include "link/reachability.h"
#include "params/paramfile.h"

#include <QTemporaryDir>
#include <QtTest>

using Sim = RegisterSimulator;

class TestCliApply : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void dryRunShowsDifferencesAndWritesNothing();
    void appliesToEachRegisterItMeans();
    void reportsInTheOrderTargetsWereGiven();
    void refusesCommandLinesBeforeAnyRegister_data();
    void refusesCommandLinesBeforeAnyRegister();
    void goodsToEachRegisterItsOwnWay();
    void goodsFileRefusedBeforeAnyRegister();

private:
    // A parameter file of another 2.53 register with new positions and
    // organisation name, and a trade setting that is not to be copied.
    QString sourceFile();

    TestDataHome m_home;
    QTemporaryDir m_dir;
};

void TestCliApply::initTestCase()
{
    QCoreApplication::setOrganizationName(QStringLiteral("Korvant Engineering"));
    QCoreApplication::setApplicationName(QStringLiteral("KorvantUtility3"));
    qRegisterMetaType<Sim::Request>();
    Reachability::setPingFunction([](const QString &, int) { return 0; });
}

void TestCliApply::cleanupTestCase()
{
    Reachability::setPingFunction({});
}

QString TestCliApply::sourceFile()
{
    Sim::Config config;
    config.serial = QStringLiteral("0530000110");
    Sim sim(config);
    sim.fillDemoParameters();
    if (!SimFleet::edit(sim, 53,
                        { { "positions[0].name", "Старший кассир" },
                          { "organisation.name", "ООО «Берёзка»" },
                          { "tradeConfig.maxPrice", "1.5" } }))
        return QString();
    ParamFile file;
    file.serial = sim.serial();
    file.version = QStringLiteral("2.53.12");
    file.params = sim.parameterImage();
    file.system = sim.systemImage();
    const QString path = m_dir.filePath(QStringLiteral("source.params.json"));
    QString error;
    return file.save(path, &error) ? path : QString();
}

void TestCliApply::dryRunShowsDifferencesAndWritesNothing()
{
    SimFleet sims;
    QVERIFY(sims.start({ { "127.0.0.111", 53, "0530000111" },
                         { "127.0.0.112", 53, "0530000112" },
                         { "127.0.0.113", 52, "0520000113" } }));
    const QString file = sourceFile();
    QVERIFY(!file.isEmpty());
    const Run r
        = cli({ "apply", file, "--groups", "positions,organisation", "--port", QString::number(sims.port()),
                "--dry-run", "127.0.0.111", "127.0.0.112", "127.0.0.113" });
    QCOMPARE(r.code, int(Cli::ExitMismatch)); // the 2.52 register
    for (const QString &address : { QStringLiteral("127.0.0.111"), QStringLiteral("127.0.0.112") }) {
        const int at = r.out.indexOf(QStringLiteral("== %1,").arg(address));
        QVERIFY2(at >= 0, qPrintable(r.out));
        const QString section = r.out.mid(at, r.out.indexOf(QStringLiteral("Итог:"), at) - at);
        QVERIFY2(section.contains(QStringLiteral("positions[0].name: \"Кассир\" -> \"Старший кассир\"")),
                 qPrintable(section));
        QVERIFY(section.contains(QStringLiteral("organisation.name: ")));
        QVERIFY(!section.contains(QStringLiteral("tradeConfig")));
    }
    QVERIFY(r.out.contains(QStringLiteral("127.0.0.113\t0520000113\tдругая ККТ, не записано")));
    for (int i = 0; i < 3; ++i) {
        QVERIFY(!sims[i].requestLog().isEmpty());
        QVERIFY(!SimFleet::wrote(sims[i]));
        QVERIFY(SnapshotStore().list(sims[i].serial()).isEmpty());
    }
}

void TestCliApply::appliesToEachRegisterItMeans()
{
    SimFleet sims;
    // 115 is listed as 0530000115, but another register answers there.
    QVERIFY(sims.start({ { "127.0.0.114", 53, "0530000114" },
                         { "127.0.0.115", 53, "0530000195" },
                         { "127.0.0.116", 53, "0530000116" } }));
    const QString file = sourceFile();
    QVERIFY(!file.isEmpty());
    const QByteArray other = sims[1].parameterImage();
    const Run r = cli({ "apply", file, "--groups", "positions", "--port", QString::number(sims.port()),
                        "0530000114@127.0.0.114", "0530000115@127.0.0.115", "127.0.0.116" });
    QCOMPARE(r.code, int(Cli::ExitMismatch));
    QVERIFY2(r.out.contains(QStringLiteral("127.0.0.114\t0530000114\tзаписано и проверено\n")),
             qPrintable(r.out));
    QVERIFY(r.out.contains(QStringLiteral("127.0.0.115\t0530000195\tдругая ККТ, не записано\n")));
    QVERIFY(r.out.contains(QStringLiteral("127.0.0.116\t0530000116\tзаписано и проверено\n")));
    QVERIFY(
        r.out.contains(QStringLiteral("Заводской номер ККТ 0530000195 не совпадает с ожидаемым 0530000115")));
    QVERIFY(!SimFleet::wrote(sims[1]));
    QCOMPARE(sims[1].parameterImage(), other);
    for (const int i : { 0, 2 }) {
        ParamValue position, price;
        QVERIFY(SimFleet::params(sims[i], 53)->value(QStringLiteral("positions[0].name"), &position));
        QVERIFY(SimFleet::params(sims[i], 53)->value(QStringLiteral("tradeConfig.maxPrice"), &price));
        QCOMPARE(position.text, QStringLiteral("Старший кассир"));
        QVERIFY(price.text != QStringLiteral("1.5"));
        // The snapshot is a normal one, listed by snapshots.
        const Run listed = cli({ "snapshots", sims[i].serial() });
        QCOMPARE(listed.code, 0);
        QVERIFY2(listed.out.contains(QStringLiteral("применение к другим ККТ")), qPrintable(listed.out));
    }
}

void TestCliApply::reportsInTheOrderTargetsWereGiven()
{
    SimFleet sims;
    QVERIFY(sims.start({ { "127.0.0.181", 53, "0530000181" },
                         { "127.0.0.182", 53, "0530000182" },
                         { "127.0.0.183", 53, "0530000183" } }));
    // The first register is done last.
    sims[0].setFault(Sim::ReplyDelay, Sim::EveryRequest, 30);
    const QString file = sourceFile();
    QVERIFY(!file.isEmpty());
    const Run r = cli({ "apply", file, "--groups", "positions", "--jobs", "3", "--port",
                        QString::number(sims.port()), "127.0.0.181", "127.0.0.182", "127.0.0.183" });
    QCOMPARE(r.code, 0);
    const int first = r.out.indexOf(QStringLiteral("== 127.0.0.181,"));
    const int second = r.out.indexOf(QStringLiteral("== 127.0.0.182,"));
    const int third = r.out.indexOf(QStringLiteral("== 127.0.0.183,"));
    QVERIFY2(first >= 0 && first < second && second < third, qPrintable(r.out));
    // Each report is whole: its verdict comes before the next register's heading.
    QVERIFY(r.out.indexOf(QStringLiteral("Итог: записано и проверено"), first) < second);
    for (int i = 0; i < 3; ++i)
        QVERIFY(SimFleet::wrote(sims[i]));
}

void TestCliApply::refusesCommandLinesBeforeAnyRegister_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("message");
    QTest::newRow("no groups") << QStringList { "127.0.0.117" } << "не указаны группы";
    QTest::newRow("registration data is no group")
        << QStringList { "--groups", "config,registration", "127.0.0.117" }
        << "неизвестная группа «registration»";
    QTest::newRow("one register twice")
        << QStringList { "--groups", "ofd", "127.0.0.117", "0530000117@127.0.0.117" } << "указан дважды";
    QTest::newRow("serial number missing before @")
        << QStringList { "--groups", "ofd", "@127.0.0.117" } << "не указан заводской номер";
    QTest::newRow("incomplete address") << QStringList { "--groups", "ofd", "127.0.0." } << "не IPv4-адрес";
    QTest::newRow("no register at a time") << QStringList { "--groups", "ofd", "--jobs", "0", "127.0.0.117" }
                                           << "неверное число ККТ одновременно";
    QTest::newRow("more registers at a time than allowed")
        << QStringList { "--groups", "ofd", "--jobs", "17", "127.0.0.117" } << "допустимо от 1 до 16";
}

void TestCliApply::refusesCommandLinesBeforeAnyRegister()
{
    QFETCH(QStringList, args);
    QFETCH(QString, message);
    SimFleet sims;
    QVERIFY(sims.start({ { "127.0.0.117", 53, "0530000117" } }));
    const QString file = sourceFile();
    const Run r = cli(QStringList { "apply", file, "--port", QString::number(sims.port()) } + args);
    QCOMPARE(r.code, int(Cli::ExitUsage));
    QVERIFY2(r.err.contains(message), qPrintable(r.err));
    QVERIFY(sims[0].requestLog().isEmpty());
}

namespace {

GoodsList newCatalogue()
{
    return { { QStringLiteral("Хлеб"), QStringLiteral("12345"), QString(), 47.50, 1 },
             { QStringLiteral("Батон"), QStringLiteral("12346"), QString(), 30.00, 1 },
             { QStringLiteral("Молоко"), QStringLiteral("12347"), QString(), 80.50, 2 } };
}

void holdGoods(Sim &sim, const GoodsList &rows)
{
    const QByteArray image = buildGoodsImage(rows, true);
    sim.setGoodsArea(image + sim.goodsArea().mid(image.size()));
}

bool saveCatalogue(const QString &path, const GoodsList &rows)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(goodsCsvBytes(rows)) > 0;
}

} // namespace

void TestCliApply::goodsToEachRegisterItsOwnWay()
{
    SimFleet sims;
    QVERIFY(sims.start({ { "127.0.0.191", 53, "0530000191" },
                         { "127.0.0.192", 53, "0530000192", 3 },
                         { "127.0.0.193", 52, "0520000193" },
                         { "127.0.0.194", 53, "0530000194" },
                         { "127.0.0.195", 53, "0530000196" } }));
    holdGoods(sims[0], { { QStringLiteral("Хлеб"), QStringLiteral("12345"), QString(), 45.00, 1 } });
    holdGoods(sims[2], newCatalogue());
    // The register at .194 is replaced after it was read.
    sims[3].setConnectionSerials({ "0530000194", "0530000194", "0530000199" });
    const QString file = m_dir.filePath(QStringLiteral("prices.csv"));
    QVERIFY(saveCatalogue(file, newCatalogue()));
    const QStringList targets { "127.0.0.191", "127.0.0.192", "127.0.0.193", "127.0.0.194",
                                "0530000195@127.0.0.195" };
    QByteArray before[5];
    for (int i = 0; i < 5; ++i)
        before[i] = sims[i].goodsArea();

    const Run dry
        = cli(QStringList { "apply-goods", file, "--dry-run", "--port", QString::number(sims.port()) }
              + targets.mid(0, 3));
    QCOMPARE(dry.code, int(Cli::ExitJobFailed)); // .192 cannot hold it
    QVERIFY2(dry.out.contains(QStringLiteral("12345 \"Хлеб\": цена 45.00 -> 47.50\n")), qPrintable(dry.out));
    for (int i = 0; i < 3; ++i) {
        QVERIFY(!SimFleet::wrote(sims[i]));
        QVERIFY(SnapshotStore().list(sims[i].serial()).isEmpty());
    }

    const Run r = cli(
        QStringList { "apply-goods", file, "--jobs", "2", "--port", QString::number(sims.port()) } + targets);
    QCOMPARE(r.code, int(Cli::ExitMismatch));
    const QStringList summary
        = r.out.section(QStringLiteral("\nАдрес\tЗаводской номер\tИтог\n"), 1).split('\n');
    QCOMPARE(summary,
             (QStringList { "127.0.0.191\t0530000191\tзаписано и проверено",
                            "127.0.0.192\t0530000192\tошибка: не помещается в ККТ",
                            "127.0.0.193\t0520000193\tбез изменений",
                            "127.0.0.194\t0530000194\tдругая ККТ, не записано",
                            "127.0.0.195\t0530000196\tдругая ККТ, не записано", "" }));
    QVERIFY2(r.out.contains(QStringLiteral("Номенклатура не помещается в ККТ: строк 3, ёмкость ККТ 2.")),
             qPrintable(r.out));
    QVERIFY(sims[0].goodsArea().startsWith(buildGoodsImage(newCatalogue(), true)));
    QCOMPARE(SnapshotStore().list(sims[0].serial(), SnapshotKind::Goods).size(), 1);
    // Nothing written where the catalogue was refused, the same already, or
    // another register answered; a snapshot only where a write was to begin
    // (.194's write guard then refused the register on the writing connection).
    const QStringList listed { "0530000192", "0520000193", "0530000194", "0530000195" };
    for (int i = 1; i < 5; ++i) {
        QVERIFY2(!SimFleet::wrote(sims[i]), qPrintable(QString::number(i)));
        QCOMPARE(sims[i].goodsArea(), before[i]);
        QCOMPARE(SnapshotStore().list(listed.at(i - 1)).size(), i == 3 ? 1 : 0);
    }
}

void TestCliApply::goodsFileRefusedBeforeAnyRegister()
{
    SimFleet sims;
    QVERIFY(sims.start({ { "127.0.0.197", 53, "0530000197" } }));
    const QString file = m_dir.filePath(QStringLiteral("negative.csv"));
    GoodsList rows = newCatalogue();
    rows[1].price = -1;
    QVERIFY(saveCatalogue(file, rows));
    const Run r = cli({ "apply-goods", file, "--port", QString::number(sims.port()), "127.0.0.197" });
    QCOMPARE(r.code, int(Cli::ExitFile));
    QVERIFY2(r.err.contains(QStringLiteral("Строка 3 файла")), qPrintable(r.err));
    QVERIFY(sims[0].requestLog().isEmpty());
}

QTEST_GUILESS_MAIN(TestCliApply)
#include "tst_cliapply.moc"
