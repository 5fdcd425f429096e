// The probe on Windows: IcmpSendEcho() needs no rights, unlike ICMP sockets.
#include "icmpprobe.h"

#include <QDeadlineTimer>

#include <cerrno>
// winsock2.h before windows.h, which the ICMP headers include.
// clang-format off
#include <winsock2.h>
#include <ws2tcpip.h>
#include <iphlpapi.h>
#include <icmpapi.h>
// clang-format on

namespace {

// The errno values the callers explain, for IcmpSendEcho()'s IP_STATUS.
int errnoOfIpStatus(ULONG status)
{
    switch (status) {
    case IP_REQ_TIMED_OUT:
        return ETIMEDOUT;
    case IP_DEST_HOST_UNREACHABLE:
    case IP_TTL_EXPIRED_TRANSIT:
        return EHOSTUNREACH;
    case IP_DEST_NET_UNREACHABLE:
    case IP_NO_RESOURCES:
        return ENETUNREACH;
    case IP_DEST_PROT_UNREACHABLE:
    case IP_DEST_PORT_UNREACHABLE:
        return ECONNREFUSED;
    default:
        return EIO;
    }
}

// ... and for a Winsock error.
int errnoOfSocketError(int error)
{
    switch (error) {
    case WSAETIMEDOUT:
        return ETIMEDOUT;
    case WSAECONNREFUSED:
        return ECONNREFUSED;
    case WSAEHOSTUNREACH:
        return EHOSTUNREACH;
    case WSAENETUNREACH:
        return ENETUNREACH;
    case WSAENETDOWN:
        return ENETDOWN;
    case WSAEACCES:
        return EACCES;
    default:
        return EIO;
    }
}

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
    const unsigned long target = inet_addr(text.constData());
    if (target == INADDR_NONE)
        return -1;

    if (m_method == AnyMethod || m_method == IcmpHelper) {
        const HANDLE icmp = IcmpCreateFile();
        if (icmp != INVALID_HANDLE_VALUE) {
            m_used = IcmpHelper;
            // Room for one reply with its data, plus the error block the
            // function may put there.
            QByteArray reply(int(sizeof(ICMP_ECHO_REPLY)) + PayloadSize + 8 + 64, '\0');
            const DWORD n
                = IcmpSendEcho(icmp, IPAddr(target), m_payload.data(), WORD(m_payload.size()), nullptr,
                               reply.data(), DWORD(reply.size()), DWORD(qMax(0, timeoutMs)));
            const DWORD error = n == 0 ? GetLastError() : 0;
            IcmpCloseHandle(icmp);
            if (n == 0)
                return error == IP_REQ_TIMED_OUT || error == ERROR_TIMEOUT ? ETIMEDOUT
                                                                           : errnoOfIpStatus(error);
            const auto *echo = reinterpret_cast<const ICMP_ECHO_REPLY *>(reply.constData());
            if (echo->Status != IP_SUCCESS)
                return errnoOfIpStatus(echo->Status);
            return echo->Address == target ? 0 : EHOSTUNREACH;
        }
    }
    if (m_method == AnyMethod || m_method == TcpConnect) {
        m_used = TcpConnect;
        return tcpConnect(quint32(target), timeoutMs);
    }
    return -2;
}

int IcmpProbe::tcpConnect(quint32 target, int timeoutMs)
{
    const QDeadlineTimer deadline(qMax(0, timeoutMs));
    WSADATA data;
    if (WSAStartup(MAKEWORD(2, 2), &data) != 0)
        return -2;
    const SOCKET s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s == INVALID_SOCKET) {
        WSACleanup();
        return -2;
    }
    u_long nonBlocking = 1;
    ioctlsocket(s, FIONBIO, &nonBlocking);
    sockaddr_in to {};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = target;
    to.sin_port = htons(m_connectPort);
    int rc = 0;
    if (::connect(s, reinterpret_cast<const sockaddr *>(&to), sizeof to) != 0) {
        rc = WSAGetLastError();
        if (rc == WSAEWOULDBLOCK) {
            // A refused connection shows in the exception set, not the write set.
            fd_set writable, failed;
            FD_ZERO(&writable);
            FD_ZERO(&failed);
            FD_SET(s, &writable);
            FD_SET(s, &failed);
            const qint64 ms = deadline.remainingTime();
            timeval wait { long(ms / 1000), long(ms % 1000 * 1000) };
            const int n = ::select(0, nullptr, &writable, &failed, &wait);
            if (n == 0) {
                rc = ETIMEDOUT;
            } else if (n < 0) {
                rc = errnoOfSocketError(WSAGetLastError());
            } else if (FD_ISSET(s, &writable)) {
                rc = 0;
            } else {
                int error = 0;
                int size = sizeof error;
                if (::getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char *>(&error), &size) != 0)
                    error = WSAGetLastError();
                rc = errnoOfSocketError(error);
            }
        } else {
            rc = errnoOfSocketError(rc);
        }
    }
    closesocket(s);
    WSACleanup();
    return rc;
}
