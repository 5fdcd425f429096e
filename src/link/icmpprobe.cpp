#include "icmpprobe.h"

#include <QDeadlineTimer>

#include <arpa/inet.h>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <netinet/in.h>
#include <netinet/ip_icmp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr int EchoHeaderSize = 8;

quint16 internetChecksum(const unsigned char *data, int size)
{
    quint32 sum = 0;
    for (int i = 0; i + 1 < size; i += 2)
        sum += quint32(data[i]) << 8 | data[i + 1];
    if (size % 2)
        sum += quint32(data[size - 1]) << 8;
    while (sum >> 16)
        sum = (sum & 0xFFFF) + (sum >> 16);
    return quint16(~sum);
}

// Waits for fd to become ready; 0 when it did, else an errno value.
int waitFor(int fd, short events, const QDeadlineTimer &deadline)
{
    for (;;) {
        pollfd p { fd, events, 0 };
        const int n = ::poll(&p, 1, int(deadline.remainingTime()));
        if (n > 0)
            return 0;
        if (n == 0)
            return ETIMEDOUT;
        if (errno != EINTR)
            return errno;
    }
}

sockaddr_in socketAddress(quint32 target, quint16 port = 0)
{
    sockaddr_in addr {};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = target;
    addr.sin_port = htons(port);
    return addr;
}

std::atomic<quint16> s_sequence { 1 };

} // namespace

IcmpProbe::IcmpProbe()
    : m_payload(PayloadSize, char(0xAD))
{
}

int IcmpProbe::ping(const QString &address, int timeoutMs)
{
    m_used = AnyMethod;
    const QByteArray text = address.toUtf8();
    // inet_addr() would stop at an embedded NUL and accept the part before it.
    if (text.contains('\0'))
        return -1;
    const in_addr_t target = inet_addr(text.constData());
    if (target == INADDR_NONE)
        return -1;

    int fd = -1;
    bool raw = false;
    if (m_method == AnyMethod || m_method == DatagramSocket)
        fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_ICMP);
    if (fd < 0 && (m_method == AnyMethod || m_method == RawSocket)) {
        fd = ::socket(AF_INET, SOCK_RAW | SOCK_CLOEXEC, IPPROTO_ICMP);
        raw = true;
    }
    if (fd >= 0) {
        m_used = raw ? RawSocket : DatagramSocket;
        const int rc = echo(fd, raw, target, timeoutMs);
        ::close(fd);
        return rc;
    }
    if (m_method == AnyMethod || m_method == TcpConnect) {
        m_used = TcpConnect;
        return tcpConnect(target, timeoutMs);
    }
    return -2;
}

int IcmpProbe::echo(int fd, bool raw, quint32 target, int timeoutMs)
{
    const QDeadlineTimer deadline(qMax(0, timeoutMs));
    // A datagram socket gets its identifier from the kernel; a raw one sees every
    // ICMP packet of the host, so it tells its own replies by identifier too.
    const quint16 id = quint16(::getpid());
    const quint16 sequence = s_sequence.fetch_add(1);

    unsigned char packet[EchoHeaderSize + PayloadSize] = {};
    packet[0] = ICMP_ECHO;
    packet[4] = quint8(id >> 8);
    packet[5] = quint8(id);
    packet[6] = quint8(sequence >> 8);
    packet[7] = quint8(sequence);
    memcpy(packet + EchoHeaderSize, m_payload.constData(), PayloadSize);
    const quint16 sum = internetChecksum(packet, sizeof packet);
    packet[2] = quint8(sum >> 8);
    packet[3] = quint8(sum);

    const sockaddr_in to = socketAddress(target);
    if (::sendto(fd, packet, sizeof packet, 0, reinterpret_cast<const sockaddr *>(&to), sizeof to) < 0)
        return errno;

    for (;;) {
        if (const int rc = waitFor(fd, POLLIN, deadline))
            return rc;
        unsigned char buffer[1024];
        sockaddr_in from {};
        socklen_t fromSize = sizeof from;
        const ssize_t n
            = ::recvfrom(fd, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr *>(&from), &fromSize);
        if (n < 0) {
            if (errno == EINTR || errno == EAGAIN)
                continue;
            return errno;
        }
        int offset = 0;
        if (raw) {
            if (n < 20)
                continue;
            offset = (buffer[0] & 0x0F) * 4;
        }
        if (n - offset < EchoHeaderSize || from.sin_addr.s_addr != target)
            continue;
        const unsigned char *icmp = buffer + offset;
        const quint16 replyId = quint16(icmp[4] << 8 | icmp[5]);
        const quint16 replySequence = quint16(icmp[6] << 8 | icmp[7]);
        if (icmp[0] == ICMP_ECHOREPLY && replySequence == sequence && (!raw || replyId == id))
            return 0;
    }
}

int IcmpProbe::tcpConnect(quint32 target, int timeoutMs)
{
    const QDeadlineTimer deadline(qMax(0, timeoutMs));
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -2;
    const sockaddr_in to = socketAddress(target, m_connectPort);
    int rc = 0;
    if (::connect(fd, reinterpret_cast<const sockaddr *>(&to), sizeof to) < 0) {
        rc = errno;
        if (rc == EINPROGRESS) {
            rc = waitFor(fd, POLLOUT, deadline);
            if (rc == 0) {
                socklen_t size = sizeof rc;
                if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &rc, &size) < 0)
                    rc = errno;
            }
        }
    }
    ::close(fd);
    return rc;
}
