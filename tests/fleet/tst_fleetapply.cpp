#include "support/simfleet.h"

#include "fleet/fleetapply.h"
#include "fleet/fleetgroup.h"
#include "history/snapshotstore.h"
#include "link/devicejob.h"
#include "link/exchangejournal.h"
#include "link/frame.h"
#include "params/deviceparams.h"
#include "params/paramfile.h"

#include <QHash>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using Sim = RegisterSimulator;

namespace {

const QString SerialA = QStringLiteral("0530000101");
const QString SerialB = QStringLiteral("0530000102");
const QString SerialC = QStringLiteral("0530000103");
const QString SerialD = QStringLiteral("0520000104");

// The top-level group of a path: "positions[0].name" -> "positions".
QString groupOf(const QString &path)
{
    return path.section(QRegularExpression(QStringLiteral("[.\\[]")), 0, 0);
}

// A family 2.53 source: the demo set with changes in several groups.
std::unique_ptr<DeviceParams> source(const Sim &like)
{
    std::unique_ptr<DeviceParams> p = SimFleet::params(like, 53);
    const QVector<QPair<QString, QString>> values = {
        { "positions[0].name", "Старший кассир" }, { "positions[1].name", "Бухгалтер" },
        { "organisation.name", "ООО «Берёзка»" },  { "organisation.email", "info@berezka.example" },
        { "tradeConfig.maxPrice", "123.45" },      { "users[1].name", "Не копировать" },
    };
    for (const auto &v : values) {
        if (!p->setValue(v.first, v.second))
            return nullptr;
    }
    return p;
}

bool waitFor(FleetApply &fleet)
{
    QSignalSpy spy(&fleet, &FleetApply::finished);
    return !fleet.isRunning() || spy.wait(30000);
}

QList<int> statuses(const FleetApply &fleet)
{
    QList<int> list;
    for (const FleetOutcome &o : fleet.outcomes())
        list.append(o.status);
    return list;
}

} // namespace

class TestFleetApply : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void changesExactlyTheChosenGroupsOfTheMeantRegisters();
    void stopsOnlyBetweenRegisters_data();
    void stopsOnlyBetweenRegisters();
    void registersRunSideBySideAndApart();
    void confirmsInTargetOrder();
    void writesNothingItCannotVouchFor_data();
    void writesNothingItCannotVouchFor();

private:
    QTemporaryDir m_dir;
};

void TestFleetApply::initTestCase()
{
    qRegisterMetaType<Sim::Request>();
    QVERIFY(m_dir.isValid());
}

void TestFleetApply::changesExactlyTheChosenGroupsOfTheMeantRegisters()
{
    SimFleet sims;
    // C answers with another serial number than the list says; D is a 2.52.
    QVERIFY(sims.start({ { "127.0.0.101", 53, SerialA },
                         { "127.0.0.102", 53, SerialB },
                         { "127.0.0.103", 53, QStringLiteral("0530000199") },
                         { "127.0.0.104", 52, SerialD } }));
    const std::unique_ptr<DeviceParams> from = source(sims[0]);
    QVERIFY(from);
    // Each register has its own data beside what is copied.
    QVERIFY(SimFleet::edit(sims[0], 53, { { "users[0].name", "Петров" } }));
    QVERIFY(SimFleet::edit(sims[1], 53,
                           { { "organisation.name", "ООО Старое" }, { "positions[2].name", "Охранник" } }));
    // A byte the layout only zero-fills: a write of unrelated groups must keep it.
    QByteArray stray = sims[0].parameterImage();
    stray[0x06] = char(0x5A);
    sims[0].setParameterImage(stray);

    std::unique_ptr<DeviceParams> before[4];
    QByteArray system[4], image[4];
    for (int i = 0; i < 4; ++i) {
        before[i] = SimFleet::params(sims[i], i == 3 ? 52 : 53);
        system[i] = sims[i].systemImage();
        image[i] = sims[i].parameterImage();
    }

    std::unique_ptr<DeviceParams> copy(DeviceParams::create(QStringLiteral("2.53.*")));
    QByteArray p, s;
    from->toImage(p, s);
    copy->fromImage(p, s);
    FleetApply fleet(std::move(copy), { DeviceTab::Positions, DeviceTab::Organisation });
    fleet.setMode(FleetApply::Mode::WithoutConfirmation);
    const SnapshotStore store(m_dir.filePath(QStringLiteral("chosen")));
    fleet.setStore(store);
    fleet.setPingFunction([](const QString &address, int) { return address == "127.0.0.105" ? 11 : 0; });
    QList<FleetTarget> targets;
    const QString serials[] = { SerialA, SerialB, SerialC, SerialD, QStringLiteral("0530000105") };
    for (int i = 0; i < 5; ++i)
        targets.append({ QStringLiteral("127.0.0.%1").arg(101 + i), sims.port(), serials[i], QString() });
    fleet.start(targets);
    QVERIFY(waitFor(fleet));

    QCOMPARE(statuses(fleet),
             (QList<int> { FleetOutcome::Verified, FleetOutcome::Verified, FleetOutcome::Refused,
                           FleetOutcome::Refused, FleetOutcome::Unreachable }));
    QCOMPARE(fleet.outcomes().at(2).code, int(ErrSerialMismatch));
    QCOMPARE(fleet.outcomes().at(3).code, int(ErrFamilyMismatch));
    QVERIFY(fleet.outcomes().at(4).message.contains(QStringLiteral("127.0.0.105")));

    QHash<QString, QString> wanted;
    for (const ParamValue &v : from->values())
        wanted.insert(v.path, v.text);
    for (int i = 0; i < 2; ++i) {
        const FleetOutcome &o = fleet.outcomes().at(i);
        const QVector<ParamValue> was = before[i]->values();
        const QVector<ParamValue> now = SimFleet::params(sims[i], 53)->values();
        QCOMPARE(now.size(), was.size());
        for (int k = 0; k < now.size(); ++k) {
            const ParamValue &v = now.at(k);
            QCOMPARE(v.path, was.at(k).path);
            const bool copied
                = (groupOf(v.path) == "positions" || groupOf(v.path) == "organisation") && v.info.settable();
            QCOMPARE(v.text, copied ? wanted.value(v.path) : was.at(k).text);
        }
        QCOMPARE(sims[i].systemImage(), system[i]);
        QVERIFY(!o.differences.isEmpty());
        for (const QString &line : o.differences)
            QVERIFY2(line.startsWith("positions[") || line.startsWith("organisation."), qPrintable(line));
        // The snapshot holds the register as it was.
        const QVector<SnapshotInfo> kept = store.list(serials[i]);
        QCOMPARE(kept.size(), 1);
        QCOMPARE(kept.first().path, o.snapshot.path);
        ParamFile file;
        QString error;
        QVERIFY2(SnapshotStore::loadParams(kept.first(), &file, &error), qPrintable(error));
        QCOMPARE(file.params, image[i]);
    }
    QCOMPARE(sims[0].parameterImage().at(0x06), char(0x5A));
    for (int i = 2; i < 4; ++i) {
        QVERIFY(!SimFleet::wrote(sims[i]));
        QCOMPARE(sims[i].parameterImage(), image[i]);
        QVERIFY(store.list(serials[i]).isEmpty());
        QVERIFY(store.list(sims[i].serial()).isEmpty());
    }
    for (const FleetOutcome &o : fleet.outcomes())
        QVERIFY(!o.message.isEmpty());
}

void TestFleetApply::stopsOnlyBetweenRegisters_data()
{
    QTest::addColumn<bool>("confirmEach");
    QTest::addColumn<int>("jobs");
    QTest::addColumn<int>("slow"); // a register whose replies take their time, or -1
    QTest::addColumn<QList<int>>("expected");
    QTest::addColumn<QList<bool>>("contacted");
    const int verified = FleetOutcome::Verified;
    const int skipped = FleetOutcome::Skipped;
    QTest::newRow("one at a time, stop asked during the first write")
        << false << 1 << -1 << QList<int> { verified, skipped, skipped }
        << QList<bool> { true, false, false };
    QTest::newRow("one at a time, stop asked while the first waits for confirmation")
        << true << 1 << -1 << QList<int> { skipped, skipped, skipped } << QList<bool> { true, false, false };
    // The second register is still reading when the stop comes: it ends its
    // read and is written nothing; the third is never started.
    QTest::newRow("two at a time, stop asked during the first write")
        << false << 2 << 1 << QList<int> { verified, skipped, skipped } << QList<bool> { true, true, false };
    QTest::newRow("three at a time, stop asked at the first confirmation")
        << true << 3 << -1 << QList<int> { skipped, skipped, skipped } << QList<bool> { true, true, true };
}

void TestFleetApply::stopsOnlyBetweenRegisters()
{
    QFETCH(bool, confirmEach);
    QFETCH(int, jobs);
    QFETCH(int, slow);
    QFETCH(QList<int>, expected);
    QFETCH(QList<bool>, contacted);
    SimFleet sims;
    QVERIFY(sims.start({ { "127.0.0.106", 53, "0530000106" },
                         { "127.0.0.107", 53, "0530000107" },
                         { "127.0.0.108", 53, "0530000108" } }));
    if (slow >= 0)
        sims[slow].setFault(Sim::ReplyDelay, Sim::EveryRequest, 40);
    FleetApply fleet(source(sims[0]), { DeviceTab::Positions });
    fleet.setMode(confirmEach ? FleetApply::Mode::ConfirmEach : FleetApply::Mode::WithoutConfirmation);
    fleet.setJobs(jobs);
    const SnapshotStore store(m_dir.filePath(QString::fromLatin1(QTest::currentDataTag())));
    fleet.setStore(store);
    fleet.setPingFunction([](const QString &, int) { return 0; });
    connect(&fleet, &FleetApply::stepStarted, &fleet, [&fleet](int index, FleetApply::Step step) {
        if (index == 0 && step == FleetApply::Step::Write)
            fleet.cancel();
    });
    connect(&fleet, &FleetApply::confirmationNeeded, &fleet, [&fleet] { fleet.cancel(); });
    QList<FleetTarget> targets;
    for (int i = 0; i < 3; ++i)
        targets.append(
            { QStringLiteral("127.0.0.%1").arg(106 + i), sims.port(), sims[i].serial(), QString() });
    fleet.start(targets);
    QVERIFY(waitFor(fleet));

    QCOMPARE(statuses(fleet), expected);
    QCOMPARE(SimFleet::wrote(sims[0]), !confirmEach);
    for (int i = 1; i < 3; ++i) {
        QVERIFY(!SimFleet::wrote(sims[i]));
        // Registers not reached were not even connected to.
        QCOMPARE(!sims[i].requestLog().isEmpty(), contacted.at(i));
        QVERIFY(fleet.outcomes().at(i).message.contains(QStringLiteral("остановлено")));
    }
    // Only a register written keeps a snapshot: none for one stopped during
    // its read or at its confirmation.
    for (int i = 0; i < 3; ++i)
        QCOMPARE(store.list(sims[i].serial()).isEmpty(), expected.at(i) != FleetOutcome::Verified);
}

void TestFleetApply::registersRunSideBySideAndApart()
{
    SimFleet sims;
    QVector<SimFleet::Member> members;
    for (int i = 0; i < 6; ++i)
        members.append(
            { QStringLiteral("127.0.0.%1").arg(131 + i), 53, QStringLiteral("05300001%1").arg(31 + i) });
    QVERIFY(sims.start(members));
    // One register fails during its write (the first rule that matches a
    // request applies), another is replaced by a second register when the
    // write connects.
    sims[1].addFault({ Sim::CloseConnection, Sim::EveryRequest, Frame::CmdWritePages, 0, 3 });
    for (int i = 0; i < 6; ++i)
        sims[i].addFault({ Sim::ReplyDelay, Sim::EveryRequest, Sim::AnyCommand, 5, 3 });
    sims[3].setConnectionSerials({ members.at(3).serial, QStringLiteral("0530000199") });

    FleetApply fleet(source(sims[0]), { DeviceTab::Positions });
    fleet.setMode(FleetApply::Mode::WithoutConfirmation);
    fleet.setJobs(3);
    fleet.setOrigin(QStringLiteral("Проверка"));
    fleet.setStore(SnapshotStore(m_dir.filePath(QStringLiteral("apart"))));
    fleet.setPingFunction([](const QString &, int) { return 0; });
    int most = 0;
    connect(&fleet, &FleetApply::stepStarted, &fleet, [&](int, FleetApply::Step step) {
        if (step == FleetApply::Step::Read)
            most = qMax(most, fleet.activeCount());
    });
    QList<FleetTarget> targets;
    QHash<QString, QString> serialAt;
    for (const SimFleet::Member &m : members) {
        targets.append({ m.address, sims.port(), m.serial, QString() });
        serialAt.insert(m.address, m.serial);
    }
    const quint64 before = ExchangeJournal::instance()->lastSequence();
    fleet.start(targets);
    QVERIFY(waitFor(fleet));

    QCOMPARE(statuses(fleet),
             (QList<int> { FleetOutcome::Verified, FleetOutcome::Failed, FleetOutcome::Verified,
                           FleetOutcome::Refused, FleetOutcome::Verified, FleetOutcome::Verified }));
    QCOMPARE(fleet.outcomes().at(1).code, int(ErrSocket));
    QCOMPARE(fleet.outcomes().at(3).code, int(ErrSerialMismatch));
    QVERIFY(!SimFleet::wrote(sims[3]));
    for (const int i : { 0, 2, 4, 5 }) {
        ParamValue position;
        QVERIFY(SimFleet::params(sims[i], 53)->value(QStringLiteral("positions[0].name"), &position));
        QCOMPARE(position.text, QStringLiteral("Старший кассир"));
    }
    // Several registers were under way at once, never more than asked for.
    QVERIFY2(most >= 2 && most <= 3, qPrintable(QString::number(most)));

    // Every journal line names the register it belongs to, also where the
    // lines of several registers interleave.
    const QVector<JournalLine> lines = ExchangeJournal::instance()->linesAfter(before);
    // Read, write and read-back each; the failed write and the refused one end their register.
    QCOMPARE(lines.size(), 4 * 3 + 2 * 2);
    for (const JournalLine &line : lines) {
        QVERIFY2(serialAt.contains(line.host), qPrintable(line.host));
        QCOMPARE(line.origin, QStringLiteral("Проверка: ККТ %1").arg(serialAt.value(line.host)));
        if (line.host != members.at(3).address && !line.serial.isEmpty())
            QCOMPARE(line.serial, serialAt.value(line.host));
    }
}

void TestFleetApply::confirmsInTargetOrder()
{
    SimFleet sims;
    QVERIFY(sims.start({ { "127.0.0.141", 53, "0530000141" },
                         { "127.0.0.142", 53, "0530000142" },
                         { "127.0.0.143", 53, "0530000143" },
                         { "127.0.0.144", 53, "0530000144" } }));
    // The first register is the slowest: the second is compared before it.
    sims[0].setFault(Sim::ReplyDelay, Sim::EveryRequest, 20);
    FleetApply fleet(source(sims[0]), { DeviceTab::Positions });
    fleet.setMode(FleetApply::Mode::ConfirmEach);
    fleet.setJobs(2);
    fleet.setStore(SnapshotStore(m_dir.filePath(QStringLiteral("order"))));
    fleet.setPingFunction([](const QString &, int) { return 0; });
    QList<int> asked;
    QList<bool> readAhead; // at the first question: which registers had been contacted
    connect(&fleet, &FleetApply::confirmationNeeded, &fleet, [&](int index) {
        if (asked.isEmpty()) {
            for (int i = 0; i < 4; ++i)
                readAhead.append(!sims[i].requestLog().isEmpty());
        }
        asked.append(index);
        QTimer::singleShot(0, &fleet, [&fleet] { fleet.confirm(true); });
    });
    QList<FleetTarget> targets;
    for (int i = 0; i < 4; ++i)
        targets.append(
            { QStringLiteral("127.0.0.%1").arg(141 + i), sims.port(), sims[i].serial(), QString() });
    fleet.start(targets);
    QVERIFY(waitFor(fleet));

    QCOMPARE(asked, (QList<int> { 0, 1, 2, 3 }));
    QCOMPARE(statuses(fleet), QVector<int>(4, FleetOutcome::Verified).toList());
    // A register waiting for its turn keeps its place: no more registers
    // are read ahead of the person than run at once.
    QCOMPARE(readAhead, (QList<bool> { true, true, false, false }));
}

void TestFleetApply::writesNothingItCannotVouchFor_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("field"); // a field the outcome's details name
    QTest::addColumn<bool>("written");
    QTest::addColumn<QString>("summary"); // the outcome as the summary column shows it
    QTest::newRow("another register answers the writing connection")
        << "connection serials" << int(FleetOutcome::Refused) << QString() << false
        << "другая ККТ, не записано";
    QTest::newRow("register changed between its differences and the confirmation")
        << "changed before confirmation" << int(FleetOutcome::Failed) << "users[0].name" << false
        << "ошибка: ККТ изменилась после сравнения";
    QTest::newRow("snapshot cannot be stored") << "unwritable store" << int(FleetOutcome::Failed) << QString()
                                               << false << "ошибка: снимок не сохранён";
    QTest::newRow("register holds the chosen data already")
        << "same data" << int(FleetOutcome::Unchanged) << QString() << false << "без изменений";
    QTest::newRow("register alters a field as it stores it")
        << "altered on store" << int(FleetOutcome::Failed) << "organisation.address" << true
        << "ошибка: записано, но прочитано другое";
}

void TestFleetApply::writesNothingItCannotVouchFor()
{
    QFETCH(QString, fault);
    QFETCH(int, status);
    QFETCH(QString, field);
    QFETCH(bool, written);
    QFETCH(QString, summary);
    const QString serial = QStringLiteral("0530000109");
    SimFleet sims;
    QVERIFY(sims.start({ { "127.0.0.109", 53, serial } }));
    Sim &sim = sims[0];
    const QByteArray image = sim.parameterImage();
    std::unique_ptr<DeviceParams> from = source(sim);
    if (fault == "same data")
        from = SimFleet::params(sim, 53);
    FleetApply fleet(std::move(from), { DeviceTab::Positions });
    fleet.setMode(fault == "changed before confirmation" ? FleetApply::Mode::ConfirmEach
                                                         : FleetApply::Mode::WithoutConfirmation);
    QTemporaryDir dir;
    const QString blocker = dir.filePath(QStringLiteral("file"));
    QFile(blocker).open(QIODevice::WriteOnly);
    const SnapshotStore store(fault == "unwritable store" ? blocker + QStringLiteral("/snapshots")
                                                          : dir.path());
    fleet.setStore(store);
    fleet.setPingFunction([](const QString &, int) { return 0; });

    if (fault == "connection serials")
        sim.setConnectionSerials({ serial, QStringLiteral("0530000190") });
    connect(&fleet, &FleetApply::confirmationNeeded, &fleet, [&] {
        QVERIFY(SimFleet::edit(sim, 53, { { "users[0].name", "Изменено" } }));
        fleet.confirm(true);
    });
    if (fault == "altered on store") {
        connect(&sim, &Sim::stored, &sim, [&sim] {
            SimFleet::edit(sim, 53, { { "organisation.address", "Изменено ККТ" } });
        });
    }
    fleet.start({ { QStringLiteral("127.0.0.109"), sims.port(), serial, QString() } });
    QVERIFY(waitFor(fleet));

    const FleetOutcome &o = fleet.outcomes().first();
    QCOMPARE(int(o.status), status);
    QCOMPARE(o.statusText(), summary);
    QVERIFY(!o.message.isEmpty());
    QCOMPARE(SimFleet::wrote(sim), written);
    if (fault == "unwritable store" || fault == "same data")
        QCOMPARE(sim.parameterImage(), image);
    if (!field.isEmpty()) {
        QVERIFY2(!o.details.filter(field).isEmpty(), qPrintable(o.details.join('\n')));
    }
    QCOMPARE(o.snapshotNotStored, fault == "unwritable store");
    // Snapshots only where a write followed.
    QCOMPARE(store.list(serial).isEmpty(),
             fault == "unwritable store" || fault == "same data" || fault == "changed before confirmation");
}

QTEST_GUILESS_MAIN(TestFleetApply)
#include "tst_fleetapply.moc"
