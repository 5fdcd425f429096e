#pragma once

#include <QByteArray>
#include <QString>

// Tells whether an IPv4 address answers: one ICMP echo request, one wait.
//
// ping() results: 0 an echo reply came; -1 the text is no dotted IPv4 address
// (inet_addr() rejects it; 255.255.255.255 included), and nothing is sent; -2
// no way to probe at all; otherwise an errno value (ETIMEDOUT when nothing came
// in time, or the error of the failed send or connect).
//
// It uses an unprivileged ICMP datagram socket where net.ipv4.ping_group_range
// allows it, else a raw ICMP socket. With neither (no root, no ping group) it
// tries a TCP connection to the register port within the same time-out, so a
// register is not reported silent merely for lack of ICMP rights. On Windows
// the echo goes through the system's ICMP helper (IcmpSendEcho(), no rights
// needed; icmpprobe_win.cpp), with the same TCP fallback, and its failures
// are given as the same errno values.
class IcmpProbe
{
public:
    enum Method {
        AnyMethod, // the first of the three below that can be opened
        DatagramSocket,
        RawSocket,
        TcpConnect,
        IcmpHelper, // Windows only; the two socket methods exist on Linux only
    };

    static constexpr quint16 RegisterPort = 8080;
    static constexpr int PayloadSize = 32;

    IcmpProbe();

    int ping(const QString &address, int timeoutMs);

    // Pins one method (tests exercise each); a pinned method that cannot be
    // opened gives -2.
    void setMethod(Method method) { m_method = method; }
    void setConnectPort(quint16 port) { m_connectPort = port; }
    // The method the last ping() used; AnyMethod when it opened nothing.
    Method usedMethod() const { return m_used; }

private:
    int echo(int fd, bool raw, quint32 target, int timeoutMs);
    int tcpConnect(quint32 target, int timeoutMs);

    QByteArray m_payload;
    Method m_method = AnyMethod;
    Method m_used = AnyMethod;
    quint16 m_connectPort = RegisterPort;
};
