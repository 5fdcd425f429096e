#include "cli.h"
#include "clirun.h"
#include "support/testdatahome.h"
#include "support/testsettings.h"

#include "app/appsettings.h"
#include "goods/goodscsv.h"
#include "goods/goodsimage.h"
#include "link/frame.h"
#include "link/reachability.h"
#include "params/paramfile.h"
#include "sim/registersimulator.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using Sim = RegisterSimulator;

namespace {

const QString Host = QStringLiteral("127.0.0.36");
const QString Serial = QStringLiteral("0530000036");

bool anyWrite(const Sim &sim)
{
    for (const Sim::Request &r : sim.requestLog()) {
        if (r.command == Frame::CmdWritePages || r.command == Frame::CmdWriteSystemPages)
            return true;
    }
    return false;
}

} // namespace

class TestCliSnapshots : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void writeKeepsWhatTheRegisterHeld_data();
    void writeKeepsWhatTheRegisterHeld();
    void writeWithoutSnapshotWritesNothing_data();
    void writeWithoutSnapshotWritesNothing();

private:
    QString path(const QString &name) const { return m_dir.filePath(name); }
    // The write of kind "params" or "goods" with a file that differs from
    // what sim holds; the sim's own data before it in *held.
    QStringList writeArgs(const QString &kind, Sim &sim, QByteArray *held);

    TestSettingsDir m_store;
    QTemporaryDir m_dir;
    std::unique_ptr<TestDataHome> m_data;
};

void TestCliSnapshots::initTestCase()
{
    AppSettings::applyIdentity();
}

void TestCliSnapshots::init()
{
    m_data = std::make_unique<TestDataHome>();
    Reachability::setPingFunction([](const QString &, int) { return 0; });
}

void TestCliSnapshots::cleanup()
{
    Reachability::setPingFunction({});
    m_data.reset();
}

QStringList TestCliSnapshots::writeArgs(const QString &kind, Sim &sim, QByteArray *held)
{
    const QString port = portOf(sim);
    if (kind == QLatin1String("goods")) {
        const QByteArray area = buildGoodsImage({ { "Молоко", "12", "", 10, 1 } }, true);
        sim.setGoodsArea(area + sim.goodsArea().mid(area.size()));
        *held = sim.goodsArea();
        QFile f(path("new.csv"));
        if (!f.open(QIODevice::WriteOnly))
            return {};
        f.write(goodsCsvBytes({ { "Хлеб", "7", "", 45, 2 } }));
        f.close();
        return { "write-goods", Host, f.fileName(), "--serial", Serial, "--port", port };
    }
    const QString file = path("new.json");
    if (cli({ "read-params", Host, "--port", port, "-o", file }).code != Cli::ExitOk
        || cli({ "set", file, "organisation.name=Ёлка" }).code != Cli::ExitOk)
        return {};
    *held = sim.parameterImage();
    return { "write-params", Host, file, "--port", port };
}

void TestCliSnapshots::writeKeepsWhatTheRegisterHeld_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("write-params") << "params";
    QTest::newRow("write-goods") << "goods";
}

void TestCliSnapshots::writeKeepsWhatTheRegisterHeld()
{
    QFETCH(QString, kind);
    auto sim = startRegister(Host, Sim::Family253, Serial);
    QVERIFY(sim);
    Run r = cli({ "snapshots", Serial });
    QCOMPARE(r.code, int(Cli::ExitOk));
    QVERIFY2(r.out.startsWith(QStringLiteral("Снимков ККТ %1 нет (папка ").arg(Serial)), qPrintable(r.out));

    QByteArray held;
    const QStringList args = writeArgs(kind, *sim, &held);
    QVERIFY(!args.isEmpty());
    r = cli(args);
    QCOMPARE(r.code, int(Cli::ExitOk));

    r = cli({ "snapshots", Serial });
    QCOMPARE(r.code, int(Cli::ExitOk));
    const QStringList lines = r.out.trimmed().split('\n');
    QCOMPARE(lines.size(), 2);
    QCOMPARE(lines.first(), QStringLiteral("Файл\tДата\tВид\tОткуда"));
    const QStringList fields = lines.last().split('\t');
    QCOMPARE(fields.size(), 4);
    QCOMPARE(fields.at(2), kind == "params" ? QStringLiteral("параметры") : QStringLiteral("номенклатура"));
    QCOMPARE(fields.at(3), QStringLiteral("korvant-cli"));
    const QString snapshot = fields.first();
    QVERIFY2(QDir::fromNativeSeparators(snapshot).startsWith(m_data->path()), qPrintable(snapshot));

    // The snapshot is a normal file for the commands: written back, the
    // register holds again what it held.
    if (kind == "params") {
        r = cli({ "diff", snapshot, args.at(2) });
        QCOMPARE(r.code, int(Cli::ExitDiffers));
        QVERIFY2(r.out.contains(QStringLiteral("organisation.name: ")), qPrintable(r.out));
        r = cli({ "write-params", Host, snapshot, "--port", portOf(*sim) });
        QCOMPARE(r.code, int(Cli::ExitOk));
        QCOMPARE(sim->parameterImage(), held);
    } else {
        r = cli({ "write-goods", Host, snapshot, "--serial", Serial, "--port", portOf(*sim) });
        QCOMPARE(r.code, int(Cli::ExitOk));
        QCOMPARE(sim->goodsArea(), held);
    }
}

void TestCliSnapshots::writeWithoutSnapshotWritesNothing_data()
{
    writeKeepsWhatTheRegisterHeld_data();
}

void TestCliSnapshots::writeWithoutSnapshotWritesNothing()
{
    QFETCH(QString, kind);
    auto sim = startRegister(Host, Sim::Family253, Serial);
    QVERIFY(sim);
    QByteArray held;
    const QStringList args = writeArgs(kind, *sim, &held);
    QVERIFY(!args.isEmpty());
    const QByteArray store = sim->store();
    const QString blocker = m_data->unwritable();
    sim->clearRequestLog();

    const Run r = cli(args);
    QCOMPARE(r.code, int(Cli::ExitFile));
    QVERIFY2(r.err.startsWith(QStringLiteral("Снимок %1 ККТ перед записью не сохранён: не удалось создать "
                                             "папку %2")
                                  .arg(kind == "params" ? "параметров" : "номенклатуры",
                                       QDir::toNativeSeparators(blocker))),
             qPrintable(r.err));
    QVERIFY(r.err.trimmed().endsWith(QStringLiteral("В ККТ ничего не записано.")));
    QVERIFY(!sim->requestLog().isEmpty());
    QVERIFY(!anyWrite(*sim));
    QCOMPARE(sim->store(), store);
}

QTEST_GUILESS_MAIN(TestCliSnapshots)
#include "tst_clisnapshots.moc"
