#include "link/icmpprobe.h"
#include "link/reachability.h"

#include <QtTest>

#include <cerrno>
#include <fcntl.h>
#include <functional>
#include <linux/capability.h>
#include <net/if.h>
#include <netinet/in.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <thread>
#include <unistd.h>

namespace {

bool writeProc(const char *path, const char *value)
{
    const int fd = ::open(path, O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = ::write(fd, value, strlen(value)) == ssize_t(strlen(value));
    ::close(fd);
    return ok;
}

bool loopbackUp()
{
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    ifreq ifr {};
    strncpy(ifr.ifr_name, "lo", IFNAMSIZ - 1);
    bool ok = fd >= 0 && ::ioctl(fd, SIOCGIFFLAGS, &ifr) == 0;
    ifr.ifr_flags |= IFF_UP;
    ok = ok && ::ioctl(fd, SIOCSIFFLAGS, &ifr) == 0;
    if (fd >= 0)
        ::close(fd);
    return ok;
}

// Capabilities belong to the thread: dropping CAP_NET_RAW here leaves the rest of the process alone.
bool dropRawSockets()
{
    __user_cap_header_struct header { _LINUX_CAPABILITY_VERSION_3, 0 };
    __user_cap_data_struct data[2] {};
    if (::syscall(SYS_capget, &header, data) != 0)
        return false;
    data[0].effective &= ~(1u << CAP_NET_RAW);
    return ::syscall(SYS_capset, &header, data) == 0;
}

struct Network
{
    bool pingGroup = false; // unprivileged ICMP datagram sockets allowed
    bool echoIgnored = false; // the stack answers no echo request
    bool rawAllowed = true;
};

// Runs body on a thread of its own inside a new network namespace with only a
// loopback interface, so nothing it sends can leave; the namespace goes with
// the thread. Returns an empty text, or why no namespace could be made.
QString inPrivateNetwork(const Network &network, const std::function<void()> &body)
{
    QString failure;
    std::thread thread([&] {
        if (::unshare(CLONE_NEWNET) != 0) {
            failure = QStringLiteral("cannot make a network namespace: %1")
                          .arg(QString::fromLocal8Bit(strerror(errno)));
            return;
        }
        if (!loopbackUp()
            || !writeProc("/proc/sys/net/ipv4/ping_group_range", network.pingGroup ? "0 2147483647" : "1 0")
            || !writeProc("/proc/sys/net/ipv4/icmp_echo_ignore_all", network.echoIgnored ? "1" : "0")
            || (!network.rawAllowed && !dropRawSockets())) {
            failure = QStringLiteral("cannot set up the network namespace");
            return;
        }
        body();
    });
    thread.join();
    return failure;
}

// A listening TCP socket on 127.0.0.1 of the calling thread's namespace; its port, or 0.
quint16 listenOnLoopback(int *fd)
{
    *fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr {};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof addr;
    if (*fd < 0 || ::bind(*fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr) != 0 || ::listen(*fd, 4) != 0
        || ::getsockname(*fd, reinterpret_cast<sockaddr *>(&addr), &size) != 0)
        return 0;
    return ntohs(addr.sin_port);
}

} // namespace

class TestIcmpProbe : public QObject
{
    Q_OBJECT

private slots:
    void notAnAddress_data();
    void notAnAddress();
    void loopbackAnswers();
    void methods_data();
    void methods();
    void seam();
};

void TestIcmpProbe::notAnAddress_data()
{
    QTest::addColumn<QString>("address");
    QTest::newRow("octet above 255") << QStringLiteral("192.168.1.300");
    QTest::newRow("limited broadcast reads as INADDR_NONE") << QStringLiteral("255.255.255.255");
    QTest::newRow("empty") << QString();
    QTest::newRow("host name") << QStringLiteral("kkt.local");
    QTest::newRow("address followed by NUL and text")
        << QStringLiteral("127.0.0.1") + QChar(0) + QStringLiteral("x");
}

void TestIcmpProbe::notAnAddress()
{
    QFETCH(QString, address);
    IcmpProbe probe;
    QCOMPARE(probe.ping(address, 1000), -1);
    QCOMPARE(probe.usedMethod(), IcmpProbe::AnyMethod); // no socket opened, nothing sent
}

void TestIcmpProbe::loopbackAnswers()
{
    IcmpProbe probe;
    const int result = probe.ping(QStringLiteral("127.0.0.1"), 1000);
    if (probe.usedMethod() == IcmpProbe::TcpConnect)
        QSKIP("no ICMP socket may be opened here; the methods test covers the fallback");
    QCOMPARE(result, 0);
}

void TestIcmpProbe::methods_data()
{
    QTest::addColumn<int>("method");
    QTest::addColumn<bool>("pingGroup");
    QTest::addColumn<bool>("echoIgnored");
    QTest::addColumn<bool>("rawAllowed");
    QTest::addColumn<bool>("listening"); // something accepts TCP on the probe's connect port
    QTest::addColumn<int>("result");
    QTest::addColumn<int>("used");

    const int any = IcmpProbe::AnyMethod;
    const int dgram = IcmpProbe::DatagramSocket;
    const int raw = IcmpProbe::RawSocket;
    const int tcp = IcmpProbe::TcpConnect;
    QTest::newRow("datagram socket, answered") << dgram << true << false << true << false << 0 << dgram;
    QTest::newRow("datagram socket, silent: time-out")
        << dgram << true << true << true << false << ETIMEDOUT << dgram;
    QTest::newRow("datagram socket not allowed: -2") << dgram << false << false << true << false << -2 << any;
    QTest::newRow("raw socket, answered") << raw << false << false << true << false << 0 << raw;
    QTest::newRow("raw socket, silent: time-out")
        << raw << false << true << true << false << ETIMEDOUT << raw;
    QTest::newRow("any: datagram socket first") << any << true << false << true << false << 0 << dgram;
    QTest::newRow("any: raw socket without ping group") << any << false << false << true << false << 0 << raw;
    QTest::newRow("any: no ICMP rights, TCP connect answers")
        << any << false << true << false << true << 0 << tcp;
    QTest::newRow("any: no ICMP rights, connection refused")
        << any << false << false << false << false << ECONNREFUSED << tcp;
    QTest::newRow("TCP connect pinned") << tcp << true << false << true << true << 0 << tcp;
}

void TestIcmpProbe::methods()
{
    QFETCH(int, method);
    QFETCH(bool, listening);
    Network network;
    QFETCH(bool, pingGroup);
    QFETCH(bool, echoIgnored);
    QFETCH(bool, rawAllowed);
    network.pingGroup = pingGroup;
    network.echoIgnored = echoIgnored;
    network.rawAllowed = rawAllowed;

    int result = 1;
    IcmpProbe::Method used = IcmpProbe::AnyMethod;
    const QString failure = inPrivateNetwork(network, [&] {
        int listener = -1;
        quint16 port = listenOnLoopback(&listener);
        if (!listening) {
            ::close(listener); // a port that was just free
            listener = -1;
        }
        IcmpProbe probe;
        probe.setMethod(IcmpProbe::Method(method));
        probe.setConnectPort(port);
        result = probe.ping(QStringLiteral("127.0.0.1"), 300);
        used = probe.usedMethod();
        if (listener >= 0)
            ::close(listener);
    });
    if (!failure.isEmpty())
        QSKIP(qPrintable(failure));
    QTEST(result, "result");
    QTEST(int(used), "used");
}

void TestIcmpProbe::seam()
{
    QStringList asked;
    Reachability::setPingFunction([&asked](const QString &address, int timeoutMs) {
        asked << QStringLiteral("%1/%2").arg(address).arg(timeoutMs);
        return ETIMEDOUT;
    });
    QCOMPARE(Reachability::pingFunction()(QStringLiteral("10.0.0.9"), 1000), ETIMEDOUT);
    QCOMPARE(asked, QStringList { QStringLiteral("10.0.0.9/1000") });

    Reachability::setPingFunction({});
    QCOMPARE(Reachability::pingFunction()(QStringLiteral("192.168.1.300"), 1000), -1);
    QCOMPARE(asked.size(), 1);
}

QTEST_GUILESS_MAIN(TestIcmpProbe)
#include "tst_icmpprobe.moc"
