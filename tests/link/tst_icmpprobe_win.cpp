// The probe's Windows side: the system's ICMP helper and the TCP fallback.
#include "link/icmpprobe.h"

#include <QTcpServer>
#include <QtTest>

#include <cerrno>

class TestIcmpProbeWin : public QObject
{
    Q_OBJECT

private slots:
    void notAnAddress_data();
    void notAnAddress();
    void loopbackAnswersThroughTheHelper();
    void socketMethodsDoNotExist_data();
    void socketMethodsDoNotExist();
    void tcpFallback();
};

void TestIcmpProbeWin::notAnAddress_data()
{
    QTest::addColumn<QString>("address");
    QTest::newRow("octet above 255") << QStringLiteral("192.168.1.300");
    QTest::newRow("limited broadcast reads as INADDR_NONE") << QStringLiteral("255.255.255.255");
    QTest::newRow("empty") << QString();
    QTest::newRow("host name") << QStringLiteral("kkt.local");
    QTest::newRow("address followed by NUL and text")
        << QStringLiteral("127.0.0.1") + QChar(0) + QStringLiteral("x");
}

void TestIcmpProbeWin::notAnAddress()
{
    QFETCH(QString, address);
    IcmpProbe probe;
    QCOMPARE(probe.ping(address, 1000), -1);
    QCOMPARE(probe.usedMethod(), IcmpProbe::AnyMethod); // nothing opened, nothing sent
}

void TestIcmpProbeWin::loopbackAnswersThroughTheHelper()
{
    IcmpProbe probe;
    QCOMPARE(probe.ping(QStringLiteral("127.0.0.1"), 2000), 0);
    QCOMPARE(probe.usedMethod(), IcmpProbe::IcmpHelper);
}

void TestIcmpProbeWin::socketMethodsDoNotExist_data()
{
    QTest::addColumn<int>("method");
    QTest::newRow("datagram socket") << int(IcmpProbe::DatagramSocket);
    QTest::newRow("raw socket") << int(IcmpProbe::RawSocket);
}

void TestIcmpProbeWin::socketMethodsDoNotExist()
{
    QFETCH(int, method);
    IcmpProbe probe;
    probe.setMethod(IcmpProbe::Method(method));
    QCOMPARE(probe.ping(QStringLiteral("127.0.0.1"), 1000), -2);
    QCOMPARE(probe.usedMethod(), IcmpProbe::AnyMethod);
}

void TestIcmpProbeWin::tcpFallback()
{
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress(QStringLiteral("127.0.0.1"))));
    IcmpProbe probe;
    probe.setMethod(IcmpProbe::TcpConnect);
    probe.setConnectPort(server.serverPort());
    QCOMPARE(probe.ping(QStringLiteral("127.0.0.1"), 3000), 0);
    QCOMPARE(probe.usedMethod(), IcmpProbe::TcpConnect);

    // A closed port answers with a refusal: that is no register either.
    const quint16 port = server.serverPort();
    server.close();
    probe.setConnectPort(port);
    QCOMPARE(probe.ping(QStringLiteral("127.0.0.1"), 3000), ECONNREFUSED);
}

QTEST_GUILESS_MAIN(TestIcmpProbeWin)
#include "tst_icmpprobe_win.moc"
