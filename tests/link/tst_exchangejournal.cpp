#include "jobharness.h"

#include "link/devicecontroller.h"
#include "link/devicejob.h"
#include "link/exchangejournal.h"
#include "link/exchangejournalmodel.h"
#include "link/resultexplanation.h"
#include "link/taggedrecord.h"
#include "sim/registersimulator.h"

#include <QSignalSpy>
#include <QTcpServer>
#include <QtTest>

#include <memory>

using Sim = RegisterSimulator;

namespace {

const QString Host = QStringLiteral("127.0.0.3");
const QString Origin = QStringLiteral("ККТ 0012345678");

// The lines the process's journal took since the given sequence.
QVector<JournalLine> linesSince(quint64 sequence)
{
    return ExchangeJournal::instance()->linesAfter(sequence);
}

JournalLine line(int result, const QString &origin = QString())
{
    JournalLine l;
    l.result = result;
    l.origin = origin;
    return l;
}

} // namespace

class TestExchangeJournal : public QObject
{
    Q_OBJECT

private slots:
    void oneLinePerJob_data();
    void oneLinePerJob();
    void cancelledJob();
    void callsThatStartNothing();
    void jobAbandonedWithItsController();
    void durationCoversTheJob();
    void boundKeepsTheNewestLines();
    void modelFollowsTheJournal();
};

void TestExchangeJournal::oneLinePerJob_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<bool>("listening");
    QTest::addColumn<int>("fault");
    QTest::addColumn<int>("request"); // 0 identity, 1 directory, 2 serial, 3.. the job's own
    QTest::addColumn<bool>("otherTarget"); // writes: meant for another serial number
    QTest::addColumn<int>("result");
    QTest::addColumn<bool>("reported"); // the line names the register's serial number
    QTest::addColumn<int>("pages");
    QTest::addColumn<bool>("writeBegun");

    const int none = Sim::NoFault;
    // A 2.53 register: 21 parameter pages, 4 system pages.
    QTest::newRow("parameters read") << int(DeviceJob::ReadParams) << true << none << 0 << false
                                     << int(ResultOk) << true << 25 << false;
    QTest::newRow("parameters written")
        << int(DeviceJob::WriteParams) << true << none << 0 << false << int(ResultOk) << true << 25 << false;
    QTest::newRow("identity query") << int(DeviceJob::QueryInfo) << true << none << 0 << false
                                    << int(ResultOk) << true << 0 << false;
    // The read stops at the empty catalogue's end inside its first chunk,
    // which reports no progress of its own.
    QTest::newRow("goods read ending in its first chunk")
        << int(DeviceJob::ReadGoods) << true << none << 0 << false << int(ResultOk) << true << 4 << false;
    QTest::newRow("no reply to the second chunk of a read")
        << int(DeviceJob::ReadParams) << true << int(Sim::NoReply) << 4 << false << int(ErrNoReply) << true
        << 4 << false;
    QTest::newRow("write rejected at its second chunk")
        << int(DeviceJob::WriteGoods) << true << int(Sim::WriteRejected) << 4 << false
        << int(ErrWriteRejected) << true << 4 << true;
    QTest::newRow("write meant for another register") << int(DeviceJob::WriteGoods) << true << none << 0
                                                      << true << int(ErrSerialMismatch) << true << 0 << false;
    QTest::newRow("no register at the address")
        << int(DeviceJob::ReadParams) << false << none << 0 << false << int(ErrSocket) << false << 0 << false;
}

// Every job leaves exactly one line, with what the job did and how it ended.
void TestExchangeJournal::oneLinePerJob()
{
    QFETCH(int, kind);
    QFETCH(bool, listening);
    QFETCH(int, fault);
    QFETCH(int, request);
    QFETCH(bool, otherTarget);
    QFETCH(int, result);
    QFETCH(bool, reported);
    QFETCH(int, pages);
    QFETCH(bool, writeBegun);

    auto sim = startSim(Host);
    QVERIFY(sim);
    const quint16 port = sim->serverPort();
    if (!listening)
        sim->close();
    if (fault != Sim::NoFault)
        sim->setFault(Sim::Fault(fault), request);
    const QString target = otherTarget ? QStringLiteral("0099999999") : sim->serial();

    DeviceController controller;
    controller.setOrigin(Origin);
    QSignalSpy finished(&controller, &DeviceController::finished);
    const quint64 before = ExchangeJournal::instance()->lastSequence();
    const QDateTime asked = QDateTime::currentDateTime();
    bool started = false;
    switch (kind) {
    case DeviceJob::ReadParams:
        started = controller.readParams(Host, port);
        break;
    case DeviceJob::WriteParams:
        started = controller.writeParams(
            Host, port,
            TaggedRecord::make(TaggedRecord::ParameterImageTag, sim->parameterImage())
                + TaggedRecord::make(TaggedRecord::SystemImageTag, sim->systemImage()),
            target, 53);
        break;
    case DeviceJob::QueryInfo:
        started = controller.queryInfo(Host, port);
        break;
    case DeviceJob::ReadGoods:
        started = controller.readGoods(Host, port);
        break;
    case DeviceJob::WriteGoods:
        started = controller.writeGoods(Host, port, QByteArray(8 * 256, 'g'), target, 53);
        break;
    }
    QVERIFY(started);
    QVERIFY(finished.wait(10000));
    QCOMPARE(controller.result(), result);

    const QVector<JournalLine> lines = linesSince(before);
    QCOMPARE(lines.size(), 1);
    const JournalLine &l = lines.first();
    QCOMPARE(l.origin, Origin);
    QCOMPARE(l.host, Host);
    QCOMPARE(l.port, port);
    QCOMPARE(l.serial, reported ? sim->serial() : QString());
    QCOMPARE(l.kind, kind);
    QCOMPARE(l.pages, pages);
    QCOMPARE(l.result, result);
    QCOMPARE(l.explanation, resultExplanation(result, writeBegun));
    QVERIFY(l.started >= asked && l.started <= QDateTime::currentDateTime());
}

void TestExchangeJournal::cancelledJob()
{
    auto sim = startSim(Host);
    QVERIFY(sim);
    sim->setFault(Sim::ReplyDelay, 3, 300);
    DeviceController controller;
    controller.setOrigin(Origin);
    QSignalSpy finished(&controller, &DeviceController::finished);
    const quint64 before = ExchangeJournal::instance()->lastSequence();
    connect(&controller, &DeviceController::connected, &controller, &DeviceController::stop);
    QVERIFY(controller.readParams(Host, sim->serverPort()));
    QVERIFY(finished.wait(10000));

    const QVector<JournalLine> lines = linesSince(before);
    QCOMPARE(lines.size(), 1);
    QCOMPARE(lines.first().result, int(ErrStopped));
    QCOMPARE(lines.first().explanation, resultExplanation(ErrStopped));
    QCOMPARE(lines.first().kind, int(DeviceJob::ReadParams));
}

// A call that starts nothing still shows in the journal, with -17; the job
// that was running keeps its own line.
void TestExchangeJournal::callsThatStartNothing()
{
    auto sim = startSim(Host);
    QVERIFY(sim);
    DeviceController controller; // no origin: a neutral one
    QSignalSpy finished(&controller, &DeviceController::finished);
    const quint64 before = ExchangeJournal::instance()->lastSequence();

    QVERIFY(!controller.writeGoods(Host, sim->serverPort(), QByteArray(256, 'g'), QString(), 53));
    QVERIFY(controller.readParams(Host, sim->serverPort()));
    QVERIFY(!controller.readGoods(Host, sim->serverPort()));
    QVERIFY(finished.wait(10000));

    const QVector<JournalLine> lines = linesSince(before);
    QCOMPARE(lines.size(), 3);
    QCOMPARE(lines.at(0).kind, int(DeviceJob::WriteGoods));
    QCOMPARE(lines.at(0).result, int(ErrNotStarted));
    QCOMPARE(lines.at(1).kind, int(DeviceJob::ReadGoods));
    QCOMPARE(lines.at(1).result, int(ErrNotStarted));
    QCOMPARE(lines.at(1).explanation, resultExplanation(ErrNotStarted));
    QCOMPARE(lines.at(2).kind, int(DeviceJob::ReadParams));
    QCOMPARE(lines.at(2).result, int(ResultOk));
    for (const JournalLine &l : lines) {
        QCOMPARE(l.origin, controller.origin());
        QVERIFY(!l.origin.isEmpty());
    }
}

// A window closed while its job runs takes the job's end with it; the
// journal still has the job, as stopped.
void TestExchangeJournal::jobAbandonedWithItsController()
{
    auto sim = startSim(Host);
    QVERIFY(sim);
    sim->setFault(Sim::ReplyDelay, 4, 300);
    const quint64 before = ExchangeJournal::instance()->lastSequence();
    {
        DeviceController controller;
        QSignalSpy frames(&controller, &DeviceController::frame);
        QString serial = QStringLiteral("0000000001");
        // The origin is asked at the start, never when the owner is going.
        controller.setOrigin([&serial] { return QStringLiteral("ККТ %1").arg(serial); });
        QVERIFY(controller.writeGoods(Host, sim->serverPort(), QByteArray(8 * 256, 'g'), sim->serial(), 53));
        serial = QStringLiteral("changed");
        QTRY_COMPARE(frames.count(), 1); // the first chunk is in, the second delayed
    }
    QTRY_COMPARE_WITH_TIMEOUT(DeviceNet::instanceCount(), 0, DeviceNet::ReplyWindowMs + 2000);
    const QVector<JournalLine> lines = linesSince(before);
    QCOMPARE(lines.size(), 1);
    QCOMPARE(lines.first().origin, QStringLiteral("ККТ 0000000001"));
    QCOMPARE(lines.first().result, int(ErrStopped));
    QCOMPARE(lines.first().pages, 4);
    // Its first chunk was written: the register may hold part of it.
    QCOMPARE(lines.first().explanation, resultExplanation(ErrStopped, true));
}

void TestExchangeJournal::durationCoversTheJob()
{
    auto sim = startSim(Host);
    QVERIFY(sim);
    sim->setFault(Sim::ReplyDelay, 3, 300);
    DeviceController controller;
    QSignalSpy finished(&controller, &DeviceController::finished);
    const quint64 before = ExchangeJournal::instance()->lastSequence();
    QVERIFY(controller.readParams(Host, sim->serverPort()));
    QVERIFY(finished.wait(10000));
    QCOMPARE(controller.result(), int(ResultOk));
    const QVector<JournalLine> lines = linesSince(before);
    QCOMPARE(lines.size(), 1);
    QVERIFY2(lines.first().durationMs >= 300, qPrintable(QString::number(lines.first().durationMs)));
}

void TestExchangeJournal::boundKeepsTheNewestLines()
{
    ExchangeJournal journal;
    journal.setCapacity(3);
    for (int i = 1; i <= 5; ++i)
        journal.append(line(-i));
    QVector<JournalLine> lines = journal.lines();
    QCOMPARE(lines.size(), 3);
    QCOMPARE(lines.first().sequence, quint64(3));
    QCOMPARE(lines.first().result, -3);
    QCOMPARE(lines.last().sequence, quint64(5));
    QCOMPARE(journal.lastSequence(), quint64(5));
    QCOMPARE(journal.linesAfter(4).size(), 1);
    QCOMPARE(journal.linesAfter(1).size(), 3); // lines pushed out are not made up
    QVERIFY(journal.linesAfter(5).isEmpty());

    journal.setCapacity(1);
    lines = journal.lines();
    QCOMPARE(lines.size(), 1);
    QCOMPARE(lines.first().sequence, quint64(5));
}

// The table gains new lines at the end and loses the oldest at the top, so
// a view keeps its place; lines from before it was made are there.
void TestExchangeJournal::modelFollowsTheJournal()
{
    ExchangeJournal journal;
    journal.setCapacity(4);
    journal.append(line(ResultOk));
    journal.append(line(ResultOk));
    ExchangeJournalModel model(&journal);
    QCOMPARE(model.rowCount(), 2);
    QCOMPARE(model.columnCount(), int(ExchangeJournalModel::ColumnCount));

    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    QSignalSpy removed(&model, &QAbstractItemModel::rowsRemoved);
    QSignalSpy reset(&model, &QAbstractItemModel::modelReset);
    for (int i = 3; i <= 5; ++i)
        journal.append(line(ErrNoReply, QStringLiteral("line %1").arg(i)));
    QCOMPARE(model.rowCount(), 4);
    QCOMPARE(inserted.size(), 3);
    QCOMPARE(inserted.last().at(1).toInt(), 4); // at the end
    QCOMPARE(removed.size(), 1);
    QCOMPARE(removed.last().at(1).toInt(), 0); // from the top
    QVERIFY(reset.isEmpty());
    QCOMPARE(model.lineAt(0).sequence, quint64(2));
    QCOMPARE(model.lineAt(3).sequence, quint64(5));
    QCOMPARE(model.data(model.index(3, ExchangeJournalModel::ResultColumn)).toString(), QStringLiteral("-4"));
    QCOMPARE(model.data(model.index(3, ExchangeJournalModel::OriginColumn)).toString(),
             QStringLiteral("line 5"));
}

QTEST_GUILESS_MAIN(TestExchangeJournal)
#include "tst_exchangejournal.moc"
