#include "support/discoveryresponder.h"
#include "support/wine.h"

#include "link/devicefinder.h"
#include "sim/registersimulator.h"

#include <QElapsedTimer>
#include <QThread>
#include <QtTest>

#include <functional>

// Every scan here probes loopback addresses only, on a port of the test's own.
class TestDeviceFinder : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void parseAccepted_data();
    void parseAccepted();
    void parseRejected_data();
    void parseRejected();

    void twoRegistersInArrivalOrder();
    void sameRegisterThroughTwoTargetsListedOnce();
    void floodEndsInTime_data();
    void floodEndsInTime();
    void malformedReplyDroppedButScanGoesOn();
    void noTargetsGivesEmptyArray();
    void stopDuringFirstWaitEndsScan();

private:
    struct Scan
    {
        bool done = false;
        QByteArray result;
        QList<int> received;
        int finished = 0;
    };

    // Runs one scan of the finder on a worker thread, as the browse dialog
    // does, while this thread's responders answer.
    Scan scan(DeviceFinder &finder, const QList<QHostAddress> &targets);

    static constexpr int Timeout = 300;
    quint16 m_port = 0;
};

void TestDeviceFinder::init()
{
    m_port = DiscoveryResponder::freePort();
    QVERIFY(m_port != 0);
}

TestDeviceFinder::Scan TestDeviceFinder::scan(DeviceFinder &finder, const QList<QHostAddress> &targets)
{
    finder.setTargets(targets);
    finder.setPort(m_port);
    finder.setTimeout(Timeout);

    Scan out;
    QThread thread;
    QObject relay;
    QThread *home = QThread::currentThread();
    finder.moveToThread(&thread);
    connect(&thread, &QThread::started, &finder, &DeviceFinder::run);
    // Hand the finder back before its thread ends, so it can run again.
    connect(
        &finder, &DeviceFinder::finished, &finder, [&finder, home] { finder.moveToThread(home); },
        Qt::DirectConnection);
    connect(&finder, &DeviceFinder::received, &relay, [&out](int n) { out.received.append(n); });
    connect(&finder, &DeviceFinder::finished, &relay, [&] {
        out.result = finder.result();
        ++out.finished;
    });
    connect(&finder, &DeviceFinder::finished, &thread, &QThread::quit);
    thread.start();
    // Upper bound only: a scan that hangs fails here instead of stalling.
    out.done = QTest::qWaitFor([&] { return out.finished > 0; }, Timeout * (targets.size() + 1) + 5000);
    thread.quit();
    thread.wait();
    QCoreApplication::processEvents();
    QObject::disconnect(&finder, nullptr, &relay, nullptr);
    return out;
}

void TestDeviceFinder::parseAccepted_data()
{
    QTest::addColumn<QByteArray>("datagram");
    QTest::addColumn<QString>("device");
    QTest::addColumn<QString>("mac");
    QTest::addColumn<QString>("ip");

    QTest::newRow("serial, colon MAC, address, line feed")
        << QByteArray("123 00:11:22:33:44:55 192.168.1.7\n") << "123"
        << "00:11:22:33:44:55"
        << "192.168.1.7";
    QTest::newRow("dash separators kept in the MAC")
        << QByteArray("123 00-11-22-33-44-55 192.168.1.7\n") << "123"
        << "00-11-22-33-44-55"
        << "192.168.1.7";
    QTest::newRow("mixed separators and lower-case hex kept")
        << QByteArray("9 0a:1b-2c:3d-4e:5F 10.0.0.0\n") << "9"
        << "0a:1b-2c:3d-4e:5F"
        << "10.0.0.0";
    QTest::newRow("largest part of each form") << QByteArray("5 00:11:22:33:44:55 255.249.199.99\n") << "5"
                                               << "00:11:22:33:44:55"
                                               << "255.249.199.99";
    QTest::newRow("serial keeps its leading zeros")
        << QByteArray("000123 00:11:22:33:44:55 192.168.1.7\n") << "000123"
        << "00:11:22:33:44:55"
        << "192.168.1.7";
    // Only the start is anchored; the fields must still end at the line feed.
    QTest::newRow("text after the line feed stays out of the address")
        << QByteArray("123 00:11:22:33:44:55 192.168.1.7\nKorvant 2.53 ready\n") << "123"
        << "00:11:22:33:44:55"
        << "192.168.1.7";
    QTest::newRow("bytes after a NUL ignored")
        << QByteArray("123 00:11:22:33:44:55 192.168.1.7\n\0 junk", 40) << "123"
        << "00:11:22:33:44:55"
        << "192.168.1.7";
}

void TestDeviceFinder::parseAccepted()
{
    QFETCH(QByteArray, datagram);
    const std::optional<DeviceFinder::Reply> reply = DeviceFinder::parseReply(datagram);
    QVERIFY(reply.has_value());
    QTEST(reply->device, "device");
    QTEST(reply->mac, "mac");
    QTEST(reply->ip, "ip");
}

void TestDeviceFinder::parseRejected_data()
{
    QTest::addColumn<QByteArray>("datagram");

    QTest::newRow("leading-zero address part") << QByteArray("123 00:11:22:33:44:55 192.168.01.7\n");
    QTest::newRow("no line feed") << QByteArray("123 00:11:22:33:44:55 192.168.1.7");
    QTest::newRow("address part above 255") << QByteArray("123 00:11:22:33:44:55 192.168.1.256\n");
    QTest::newRow("three-part address") << QByteArray("123 00:11:22:33:44:55 192.168.1\n");
    QTest::newRow("blank before the line feed") << QByteArray("123 00:11:22:33:44:55 192.168.1.7 \n");
    QTest::newRow("text before the serial") << QByteArray(" 123 00:11:22:33:44:55 192.168.1.7\n");
    QTest::newRow("two blanks between fields") << QByteArray("123  00:11:22:33:44:55 192.168.1.7\n");
    QTest::newRow("five MAC pairs") << QByteArray("123 00:11:22:33:44 192.168.1.7\n");
    QTest::newRow("MAC pair not hex") << QByteArray("123 00:11:22:33:44:5G 192.168.1.7\n");
    QTest::newRow("serial with a letter") << QByteArray("12a 00:11:22:33:44:55 192.168.1.7\n");
    QTest::newRow("NUL before the line feed") << QByteArray("123 00:11:22:33:44:55 192.168.1.7\0\n", 35);
    QTest::newRow("the probe itself") << DeviceFinder::probe();
    QTest::newRow("empty datagram") << QByteArray();
}

void TestDeviceFinder::parseRejected()
{
    QFETCH(QByteArray, datagram);
    QVERIFY(!DeviceFinder::parseReply(datagram).has_value());
}

void TestDeviceFinder::twoRegistersInArrivalOrder()
{
    SKIP_SCANS_UNDER_WINE();
    DiscoveryResponder second, third;
    QVERIFY(second.start("127.0.0.2", m_port, "200", "00:11:22:33:44:02"));
    QVERIFY(third.start("127.0.0.3", m_port, "300", "00-11-22-33-44-03"));

    DeviceFinder finder;
    const Scan s = scan(finder, { QHostAddress("127.0.0.3"), QHostAddress("127.0.0.2") });
    QVERIFY(s.done);
    QCOMPARE(s.finished, 1);
    QCOMPARE(s.result,
             QByteArray(R"([{"device":"300","ip":"127.0.0.3","mac":"00-11-22-33-44-03"},)"
                        R"({"device":"200","ip":"127.0.0.2","mac":"00:11:22:33:44:02"}])"));
    QCOMPARE(s.received, QList<int>({ 1, 2 }));
    // The probe is the 21 bytes of text, no terminating NUL.
    QCOMPARE(second.probeData(), QList<QByteArray> { QByteArray("Are You Korvant POS?\n") });
    QCOMPARE(third.probeData(), QList<QByteArray> { QByteArray("Are You Korvant POS?\n") });
}

// Identical replies count once, also when they come through two targets.
void TestDeviceFinder::sameRegisterThroughTwoTargetsListedOnce()
{
    SKIP_SCANS_UNDER_WINE();
    DiscoveryResponder r;
    QVERIFY(r.start("127.0.0.2", m_port, "200", "00:11:22:33:44:02"));
    r.setReplies(
        { r.line("200", "00:11:22:33:44:02", "127.0.0.2"), r.line("200", "00:11:22:33:44:02", "127.0.0.2") });

    DeviceFinder finder;
    const Scan s = scan(finder, { QHostAddress("127.0.0.2"), QHostAddress("127.0.0.2") });
    QVERIFY(s.done);
    QCOMPARE(s.result, QByteArray(R"([{"device":"200","ip":"127.0.0.2","mac":"00:11:22:33:44:02"}])"));
    QCOMPARE(r.probes(), 2);
}

void TestDeviceFinder::floodEndsInTime_data()
{
    QTest::addColumn<bool>("junk");
    QTest::addColumn<int>("intervalMs");
    QTest::addColumn<QByteArray>("result");
    // Each datagram restarts the wait; only the limit per target ends it.
    QTest::newRow("its own reply again, as fast as it can")
        << false << 0 << QByteArray(R"([{"device":"4401","ip":"127.0.0.2","mac":"MAC"}])");
    QTest::newRow("a datagram that is no reply, every 250 ms") << true << 250 << QByteArray("[]");
}

void TestDeviceFinder::floodEndsInTime()
{
    SKIP_SCANS_UNDER_WINE();
    QFETCH(bool, junk);
    QFETCH(int, intervalMs);
    QFETCH(QByteArray, result);
    RegisterSimulator::Config config;
    config.serial = QStringLiteral("4401");
    config.discoveryPort = m_port;
    RegisterSimulator sim(config);
    QVERIFY(sim.listen(QHostAddress("127.0.0.2")));
    sim.setDiscoveryFlood({ 20000, intervalMs, junk });
    if (junk) // its first reply would end the wait with a register found
        sim.setSerial(QString());

    DeviceFinder finder;
    QElapsedTimer clock;
    clock.start();
    const Scan s = scan(finder, { QHostAddress("127.0.0.2") });
    QVERIFY(s.done);
    QVERIFY2(clock.elapsed() < Timeout * DeviceFinder::TargetWaitFactor + 2000,
             "a target's wait ends after its limit and a margin");
    QCOMPARE(s.result, result.replace("MAC", sim.macAddress().toLatin1()));
    QVERIFY(sim.discoverySent() > 1);
}

void TestDeviceFinder::malformedReplyDroppedButScanGoesOn()
{
    SKIP_SCANS_UNDER_WINE();
    DiscoveryResponder r;
    QVERIFY(r.bind(QHostAddress("127.0.0.2"), m_port));
    r.setReplies({ "123 00:11:22:33:44:55 192.168.01.7\n",
                   DiscoveryResponder::line("7", "00:11:22:33:44:55", "10.1.2.3") });

    DeviceFinder finder;
    const Scan s = scan(finder, { QHostAddress("127.0.0.2") });
    QVERIFY(s.done);
    QCOMPARE(s.result, QByteArray(R"([{"device":"7","ip":"10.1.2.3","mac":"00:11:22:33:44:55"}])"));
    // The dropped reply still reports the unchanged count.
    QCOMPARE(s.received, QList<int>({ 0, 1 }));
}

void TestDeviceFinder::noTargetsGivesEmptyArray()
{
    SKIP_SCANS_UNDER_WINE();
    DiscoveryResponder r;
    QVERIFY(r.start("127.0.0.2", m_port, "200", "00:11:22:33:44:02"));

    // A finder that found something before must not keep it.
    DeviceFinder finder;
    QVERIFY(scan(finder, { QHostAddress("127.0.0.2") }).result.contains("200"));

    const Scan s = scan(finder, {});
    QVERIFY(s.done);
    QCOMPARE(s.result, QByteArray("[]"));
    QCOMPARE(s.finished, 1);
    QVERIFY(s.received.isEmpty());
    QCOMPARE(r.probes(), 1);
}

void TestDeviceFinder::stopDuringFirstWaitEndsScan()
{
    SKIP_SCANS_UNDER_WINE();
    DeviceFinder finder;
    DiscoveryResponder first, second, third;
    QVERIFY(first.bind(QHostAddress("127.0.0.2"), m_port));
    QVERIFY(second.start("127.0.0.3", m_port, "300", "00:11:22:33:44:03"));
    QVERIFY(third.start("127.0.0.4", m_port, "400", "00:11:22:33:44:04"));
    // The first register stays silent and stops the scan from this thread
    // while the finder waits for its reply.
    first.setOnProbe([&finder] { finder.stop(); });

    const Scan s
        = scan(finder, { QHostAddress("127.0.0.2"), QHostAddress("127.0.0.3"), QHostAddress("127.0.0.4") });
    QVERIFY(s.done);
    QCOMPARE(s.result, QByteArray("[]"));
    QCOMPARE(first.probes(), 1);
    QCOMPARE(second.probes(), 0);
    QCOMPARE(third.probes(), 0);
}

QTEST_GUILESS_MAIN(TestDeviceFinder)
#include "tst_devicefinder.moc"
