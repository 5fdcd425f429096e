#include "fleet/fleetjob.h"
#include "fleet/fleetrunner.h"
#include "link/devicecontroller.h"

#include <QPointer>
#include <QSet>
#include <QSignalSpy>
#include <QThread>
#include <QtTest>

#include <atomic>
#include <memory>

namespace {

// What the jobs of one run saw.
struct Log
{
    QList<int> started;
    QList<int> done;
    QList<int> stopsSeen;
    int running = 0;
    int most = 0;
    QSet<const DeviceController *> controllers;
    QStringList origins;
};

// A job without a register: it waits its time, then ends; with an address
// it first asks the probe.
class TimedJob : public FleetJob
{
public:
    TimedJob(int index, Log &log, int ms, const QString &address = QString())
        : FleetJob(index)
        , m_log(log)
        , m_ms(ms)
        , m_address(address)
    {
    }

    void start() override
    {
        m_log.started.append(index());
        m_log.most = qMax(m_log.most, ++m_log.running);
        m_log.controllers.insert(&controller());
        m_log.origins.append(controller().origin());
        if (m_address.isEmpty())
            return wait();
        probe(m_address, [this](int code) {
            probeCode = code;
            probeThread = QThread::currentThread();
            wait();
        });
    }
    void onStop() override { m_log.stopsSeen.append(index()); }

    int probeCode = -1;
    QThread *probeThread = nullptr;

private:
    void wait()
    {
        QTimer::singleShot(m_ms, this, [this] {
            --m_log.running;
            m_log.done.append(index());
            finish();
        });
    }

    Log &m_log;
    int m_ms;
    QString m_address;
};

} // namespace

class TestFleetRunner : public QObject
{
    Q_OBJECT

private slots:
    void runsAtMostJobsAtOnceInTargetOrder_data();
    void runsAtMostJobsAtOnceInTargetOrder();
    void stopStartsNoFurtherJob();
    void probesOffTheRunnersThread();
};

void TestFleetRunner::runsAtMostJobsAtOnceInTargetOrder_data()
{
    QTest::addColumn<int>("jobs");
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("most");
    QTest::newRow("one at a time") << 1 << 4 << 1;
    QTest::newRow("three at a time") << 3 << 7 << 3;
    QTest::newRow("more allowed than there are") << 16 << 5 << 5;
}

void TestFleetRunner::runsAtMostJobsAtOnceInTargetOrder()
{
    QFETCH(int, jobs);
    QFETCH(int, count);
    QFETCH(int, most);
    Log log;
    FleetRunner runner;
    runner.setJobs(jobs);
    runner.setOrigin([](int index) { return QStringLiteral("Сводка: №%1").arg(index); });
    QSignalSpy finished(&runner, &FleetRunner::finished);
    QVector<int> indices;
    for (int i = 0; i < count; ++i)
        indices.append(i);
    // The first job takes longest: the others overtake it.
    QVERIFY(runner.start(indices, [&log, count](int index) {
        return std::make_unique<TimedJob>(index, log, index == 0 ? 20 * count : 10);
    }));
    QVERIFY(!runner.start(indices, [&log](int index) { return std::make_unique<TimedJob>(index, log, 1); }));
    QVERIFY(finished.wait(10000));
    QCOMPARE(finished.count(), 1);
    QVERIFY(!runner.isRunning());
    QCOMPARE(log.started, QList<int>(indices.toList()));
    QCOMPARE(log.done.size(), count);
    QCOMPARE(log.most, most);
    // Each job on a controller of its own, named after its register: jobs
    // running at once never share one.
    QVERIFY(log.controllers.size() >= most);
    QCOMPARE(log.origins.first(), QStringLiteral("Сводка: №0"));
    QCOMPARE(log.origins.last(), QStringLiteral("Сводка: №%1").arg(count - 1));
}

void TestFleetRunner::stopStartsNoFurtherJob()
{
    Log log;
    FleetRunner runner;
    runner.setJobs(2);
    QSignalSpy finished(&runner, &FleetRunner::finished);
    // Job 0 ends first; the stop then comes while job 1 still runs.
    connect(&runner, &FleetRunner::jobDone, &runner, [&runner](int index) {
        if (index == 0)
            runner.stop();
    });
    QVERIFY(runner.start({ 0, 1, 2, 3 }, [&log](int index) {
        return std::make_unique<TimedJob>(index, log, index == 0 ? 10 : 200);
    }));
    QVERIFY(finished.wait(10000));
    QCOMPARE(log.started, (QList<int> { 0, 1 }));
    QCOMPARE(log.stopsSeen, (QList<int> { 1 }));
    // The running job was not cut short: it ended by itself.
    QCOMPARE(log.done, (QList<int> { 0, 1 }));
    QVERIFY(runner.isStopped());
}

void TestFleetRunner::probesOffTheRunnersThread()
{
    Log log;
    std::atomic<int> pinged { 0 };
    QThread *runnerThread = QThread::currentThread();
    std::atomic<bool> offThread { true };
    QPointer<TimedJob> silent;
    {
        FleetRunner runner;
        runner.setPingFunction([&](const QString &address, int timeoutMs) {
            ++pinged;
            if (QThread::currentThread() == runnerThread)
                offThread = false;
            return address == QLatin1String("127.0.0.3") && timeoutMs == FleetRunner::PingTimeoutMs ? 11 : 0;
        });
        QSignalSpy finished(&runner, &FleetRunner::finished);
        TimedJob *answering = nullptr;
        QVERIFY(runner.start({ 0, 1 }, [&](int index) {
            auto job = std::make_unique<TimedJob>(
                index, log, 1000, index == 0 ? QStringLiteral("127.0.0.2") : QStringLiteral("127.0.0.3"));
            if (index == 0)
                answering = job.get();
            else
                silent = job.get();
            return job;
        }));
        QTRY_VERIFY(answering && silent && answering->probeThread && silent->probeThread);
        QCOMPARE(answering->probeCode, 0);
        QCOMPARE(silent->probeCode, 11);
        // The answers come back on the runner's thread.
        QCOMPARE(answering->probeThread, runnerThread);
        QVERIFY(offThread);
        QCOMPARE(pinged.load(), 2);
        QVERIFY(finished.isEmpty());
        // Going away with jobs under way deletes them.
    }
    QVERIFY(silent.isNull());
}

QTEST_GUILESS_MAIN(TestFleetRunner)
#include "tst_fleetrunner.moc"
