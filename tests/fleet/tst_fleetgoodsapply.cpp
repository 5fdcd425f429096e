#include "support/simfleet.h"

#include "fleet/fleetgoodsapply.h"
#include "goods/goodsimage.h"
#include "history/snapshotstore.h"
#include "link/devicejob.h"

#include <QTemporaryDir>
#include <QtTest>

using Sim = RegisterSimulator;

namespace {

// The catalogue written.
GoodsList catalogue()
{
    return { { QStringLiteral("Хлеб"), QStringLiteral("12345"), QString(), 47.50, 1 },
             { QStringLiteral("Батон"), QStringLiteral("12346"), QString(), 30.00, 1 },
             { QStringLiteral("Молоко"), QStringLiteral("12347"), QStringLiteral("4600000000015"), 80.50,
               2 } };
}

void holdGoods(Sim &sim, const GoodsList &rows)
{
    const QByteArray image = buildGoodsImage(rows, true);
    sim.setGoodsArea(image + sim.goodsArea().mid(image.size()));
}

bool holdsCatalogue(const Sim &sim)
{
    return sim.goodsArea().startsWith(buildGoodsImage(catalogue(), true));
}

bool waitFor(FleetRun &fleet)
{
    QSignalSpy spy(&fleet, &FleetRun::finished);
    return !fleet.isRunning() || spy.wait(30000);
}

QList<int> statuses(const FleetRun &fleet)
{
    QList<int> list;
    for (const FleetOutcome &o : fleet.outcomes())
        list.append(o.status);
    return list;
}

QList<FleetTarget> targetsOf(SimFleet &sims, const QVector<SimFleet::Member> &members)
{
    QList<FleetTarget> targets;
    for (const SimFleet::Member &m : members)
        targets.append({ m.address, sims.port(), m.serial, QString() });
    return targets;
}

} // namespace

class TestFleetGoodsApply : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void writesEachRegisterItsOwnWay();
    void dryRunWritesNothing();
    void registerChangedBeforeItsConfirmationIsNotWritten();
    void stopsOnlyBetweenRegisters_data();
    void stopsOnlyBetweenRegisters();

private:
    QTemporaryDir m_dir;
};

void TestFleetGoodsApply::initTestCase()
{
    qRegisterMetaType<Sim::Request>();
    QVERIFY(m_dir.isValid());
}

void TestFleetGoodsApply::writesEachRegisterItsOwnWay()
{
    const QVector<SimFleet::Member> members = {
        { "127.0.0.151", 53, "0530000151" }, // holds an older catalogue: written
        { "127.0.0.152", 53, "0530000152", 3 }, // room for 2 rows only
        { "127.0.0.153", 52, "0520000153" }, // holds the catalogue already
        { "127.0.0.154", 53, "0530000154" }, // another register answers the write
        { "127.0.0.155", 53, "0530000155" }, // the connection breaks during the write
        { "127.0.0.156", 53, "0530000156" }, // one department configured
        { "127.0.0.157", 52, "0520000157" }, // empty: written
    };
    SimFleet sims;
    QVERIFY(sims.start(members));
    holdGoods(sims[0],
              { { QStringLiteral("Хлеб"), QStringLiteral("12345"), QString(), 45.00, 1 },
                { QStringLiteral("Кефир"), QStringLiteral("12348"), QString(), 60.00, 2 } });
    holdGoods(sims[2], catalogue());
    sims[3].setConnectionSerials({ members[3].serial, members[3].serial, QStringLiteral("0530000199") });
    sims[4].addFault({ Sim::CloseConnection, Sim::EveryRequest, Frame::CmdWritePages, 0, 3 });
    QVERIFY(SimFleet::edit(sims[5], 53, { { "tradeConfig.departmentCount", "1" } }));
    for (int i = 0; i < members.size(); ++i)
        sims[i].addFault({ Sim::ReplyDelay, Sim::EveryRequest, Sim::AnyCommand, 3, 3 });

    FleetGoodsApply fleet(catalogue());
    fleet.setMode(FleetRun::Mode::WithoutConfirmation);
    fleet.setJobs(3);
    const SnapshotStore store(m_dir.filePath(QStringLiteral("apart")));
    fleet.setStore(store);
    fleet.setPingFunction([](const QString &, int) { return 0; });
    fleet.start(targetsOf(sims, members));
    QVERIFY(waitFor(fleet));

    QCOMPARE(statuses(fleet),
             (QList<int> { FleetOutcome::Verified, FleetOutcome::Failed, FleetOutcome::Unchanged,
                           FleetOutcome::Refused, FleetOutcome::Failed, FleetOutcome::Failed,
                           FleetOutcome::Verified }));
    const QVector<FleetOutcome> &o = fleet.outcomes();
    QCOMPARE(o[0].differences,
             (QStringList { QStringLiteral("12345 \"Хлеб\": цена 45.00 -> 47.50"),
                            QStringLiteral("12346 \"Батон\": добавлен, штрихкод —, цена 30.00, отдел 1"),
                            QStringLiteral("12347 \"Молоко\": добавлен, штрихкод 4600000000015, цена 80.50, "
                                           "отдел 2"),
                            QStringLiteral("12348 \"Кефир\": удалён, штрихкод —, цена 60.00, отдел 2") }));
    QCOMPARE(o[1].statusText(), QStringLiteral("ошибка: не помещается в ККТ"));
    QVERIFY2(o[1].message.contains(QStringLiteral("строк 3, ёмкость ККТ 2")), qPrintable(o[1].message));
    QCOMPARE(o[3].code, int(ErrSerialMismatch));
    QCOMPARE(o[4].code, int(ErrSocket));
    QVERIFY(o[4].writeBegun);
    QCOMPARE(o[5].statusText(), QStringLiteral("ошибка: нет такого отдела в ККТ"));
    QVERIFY2(o[5].message.contains(QStringLiteral("12347 \"Молоко\" отнесён к отделу 2")),
             qPrintable(o[5].message));

    for (const int i : { 0, 2, 6 })
        QVERIFY2(holdsCatalogue(sims[i]), qPrintable(QString::number(i)));
    // Not a page went out where the catalogue does not fit, is there already,
    // or another register answered the write.
    for (const int i : { 1, 2, 3, 5 })
        QVERIFY2(!SimFleet::wrote(sims[i]), qPrintable(QString::number(i)));
    // A snapshot only where a write was about to begin: of what the register
    // held (the write guard then refused .154 on its own connection).
    for (int i = 0; i < members.size(); ++i) {
        const bool kept = i == 0 || i == 3 || i == 4 || i == 6;
        const QVector<SnapshotInfo> list = store.list(members[i].serial, SnapshotKind::Goods);
        QCOMPARE(list.size(), kept ? 1 : 0);
        QCOMPARE(o[i].snapshot.path, kept ? list.first().path : QString());
    }
}

void TestFleetGoodsApply::dryRunWritesNothing()
{
    const QVector<SimFleet::Member> members
        = { { "127.0.0.161", 53, "0530000161" }, { "127.0.0.162", 52, "0520000162" } };
    SimFleet sims;
    QVERIFY(sims.start(members));
    FleetGoodsApply fleet(catalogue());
    fleet.setMode(FleetRun::Mode::DryRun);
    const SnapshotStore store(m_dir.filePath(QStringLiteral("dry")));
    fleet.setStore(store);
    fleet.setPingFunction([](const QString &, int) { return 0; });
    fleet.start(targetsOf(sims, members));
    QVERIFY(waitFor(fleet));

    QCOMPARE(statuses(fleet), (QList<int> { FleetOutcome::Compared, FleetOutcome::Compared }));
    for (int i = 0; i < 2; ++i) {
        QCOMPARE(fleet.outcomes().at(i).differences.size(), 3);
        QVERIFY(!SimFleet::wrote(sims[i]));
        QVERIFY(store.list(members[i].serial).isEmpty());
    }
}

void TestFleetGoodsApply::registerChangedBeforeItsConfirmationIsNotWritten()
{
    const QVector<SimFleet::Member> members
        = { { "127.0.0.171", 53, "0530000171" }, { "127.0.0.172", 53, "0530000172" } };
    SimFleet sims;
    QVERIFY(sims.start(members));
    FleetGoodsApply fleet(catalogue());
    fleet.setMode(FleetRun::Mode::ConfirmEach);
    const SnapshotStore store(m_dir.filePath(QStringLiteral("changed")));
    fleet.setStore(store);
    fleet.setPingFunction([](const QString &, int) { return 0; });
    // While the first register waits for its confirmation, someone writes a
    // price into it at the counter.
    connect(&fleet, &FleetRun::confirmationNeeded, &fleet, [&](int index) {
        if (index == 0)
            holdGoods(sims[0], { { QStringLiteral("Хлеб"), QStringLiteral("12345"), QString(), 46.00, 1 } });
        QTimer::singleShot(0, &fleet, [&fleet] { fleet.confirm(true); });
    });
    fleet.start(targetsOf(sims, members));
    QVERIFY(waitFor(fleet));

    QCOMPARE(statuses(fleet), (QList<int> { FleetOutcome::Failed, FleetOutcome::Verified }));
    const FleetOutcome &changed = fleet.outcomes().first();
    QCOMPARE(changed.statusText(), QStringLiteral("ошибка: ККТ изменилась после сравнения"));
    QCOMPARE(changed.details,
             QStringList { QStringLiteral("12345 \"Хлеб\": добавлен, штрихкод —, цена 46.00, отдел 1") });
    QVERIFY(!SimFleet::wrote(sims[0]));
    QVERIFY(store.list(members[0].serial).isEmpty());
    QVERIFY(holdsCatalogue(sims[1]));
}

void TestFleetGoodsApply::stopsOnlyBetweenRegisters_data()
{
    QTest::addColumn<int>("jobs");
    QTest::addColumn<int>("stopAt"); // the register whose step stops the run
    QTest::addColumn<int>("step");
    QTest::addColumn<QList<int>>("expected");
    QTest::newRow("one at a time, during the first write")
        << 1 << 0 << int(FleetRun::Step::Write)
        << QList<int> { FleetOutcome::Verified, FleetOutcome::Skipped, FleetOutcome::Skipped };
    QTest::newRow("two at a time, during the second one's reads")
        << 2 << 1 << int(FleetRun::Step::Read)
        << QList<int> { FleetOutcome::Skipped, FleetOutcome::Skipped, FleetOutcome::Skipped };
}

void TestFleetGoodsApply::stopsOnlyBetweenRegisters()
{
    QFETCH(int, jobs);
    QFETCH(int, stopAt);
    QFETCH(int, step);
    QFETCH(QList<int>, expected);
    const QVector<SimFleet::Member> members = { { "127.0.0.181", 53, "0530000181" },
                                                { "127.0.0.182", 53, "0530000182" },
                                                { "127.0.0.183", 53, "0530000183" } };
    SimFleet sims;
    QVERIFY(sims.start(members));
    for (int i = 0; i < members.size(); ++i)
        sims[i].setFault(Sim::ReplyDelay, Sim::EveryRequest, 3);
    FleetGoodsApply fleet(catalogue());
    fleet.setMode(FleetRun::Mode::WithoutConfirmation);
    fleet.setJobs(jobs);
    const SnapshotStore store(m_dir.filePath(QString::fromLatin1(QTest::currentDataTag())));
    fleet.setStore(store);
    fleet.setPingFunction([](const QString &, int) { return 0; });
    connect(&fleet, &FleetRun::stepStarted, &fleet, [&fleet, stopAt, step](int index, FleetRun::Step s) {
        if (index == stopAt && int(s) == step)
            fleet.cancel();
    });
    fleet.start(targetsOf(sims, members));
    QVERIFY(waitFor(fleet));

    QCOMPARE(statuses(fleet), expected);
    for (int i = 0; i < members.size(); ++i) {
        const bool verified = expected.at(i) == FleetOutcome::Verified;
        // A write begun is finished and checked; nothing else is written or kept.
        QCOMPARE(holdsCatalogue(sims[i]), verified);
        QCOMPARE(SimFleet::wrote(sims[i]), verified);
        QCOMPARE(store.list(members[i].serial).isEmpty(), !verified);
    }
    if (jobs == 1) {
        QVERIFY(sims[1].requestLog().isEmpty());
        QVERIFY(sims[2].requestLog().isEmpty());
    } else {
        // Stopped during its parameter read, the register's catalogue is not read.
        for (const Sim::Request &r : sims[1].requestLog())
            QCOMPARE(r.connection, sims[1].requestLog().first().connection);
    }
}

QTEST_GUILESS_MAIN(TestFleetGoodsApply)
#include "tst_fleetgoodsapply.moc"
