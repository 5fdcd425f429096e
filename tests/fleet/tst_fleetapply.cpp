#include "support/simfleet.h"

#include "fleet/fleetapply.h"
#include "fleet/fleetgroup.h"
#include "history/snapshotstore.h"
#include "link/devicecontroller.h"
#include "link/devicejob.h"
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

    DeviceController controller;
    std::unique_ptr<DeviceParams> copy(DeviceParams::create(QStringLiteral("2.53.*")));
    QByteArray p, s;
    from->toImage(p, s);
    copy->fromImage(p, s);
    FleetApply fleet(controller, std::move(copy), { DeviceTab::Positions, DeviceTab::Organisation });
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
    QTest::addColumn<QList<int>>("expected");
    QTest::newRow("stop asked during the first write")
        << false << QList<int> { FleetOutcome::Verified, FleetOutcome::Skipped, FleetOutcome::Skipped };
    QTest::newRow("stop asked while the first waits for confirmation")
        << true << QList<int> { FleetOutcome::Skipped, FleetOutcome::Skipped, FleetOutcome::Skipped };
}

void TestFleetApply::stopsOnlyBetweenRegisters()
{
    QFETCH(bool, confirmEach);
    QFETCH(QList<int>, expected);
    SimFleet sims;
    QVERIFY(sims.start({ { "127.0.0.106", 53, "0530000106" },
                         { "127.0.0.107", 53, "0530000107" },
                         { "127.0.0.108", 53, "0530000108" } }));
    DeviceController controller;
    FleetApply fleet(controller, source(sims[0]), { DeviceTab::Positions });
    fleet.setMode(confirmEach ? FleetApply::Mode::ConfirmEach : FleetApply::Mode::WithoutConfirmation);
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
    // The registers after the stop were not even connected to.
    QVERIFY(sims[1].requestLog().isEmpty());
    QVERIFY(sims[2].requestLog().isEmpty());
    QVERIFY(fleet.outcomes().at(2).message.contains(QStringLiteral("остановлено")));
    // Stopped at its confirmation, a register keeps no snapshot: nothing was written.
    QCOMPARE(store.list(sims[0].serial()).isEmpty(), confirmEach);
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
    DeviceController controller;
    std::unique_ptr<DeviceParams> from = source(sim);
    if (fault == "same data")
        from = SimFleet::params(sim, 53);
    FleetApply fleet(controller, std::move(from), { DeviceTab::Positions });
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
