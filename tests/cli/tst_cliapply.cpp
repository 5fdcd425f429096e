#include "clirun.h"
#include "support/simfleet.h"
#include "support/testdatahome.h"

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

QTEST_GUILESS_MAIN(TestCliApply)
#include "tst_cliapply.moc"
