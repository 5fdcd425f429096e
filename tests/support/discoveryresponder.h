#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QNetworkDatagram>
#include <QUdpSocket>

#include <functional>
#include <memory>

// The discovery side of a register: answers every datagram it gets with its
// reply datagrams, sent to the sender's address and port. Lives on the thread
// that made it and answers from that thread's event loop.
class DiscoveryResponder
{
public:
    DiscoveryResponder() = default;
    DiscoveryResponder(const DiscoveryResponder &) = delete;
    DiscoveryResponder &operator=(const DiscoveryResponder &) = delete;

    // A UDP port that nothing on the machine uses at the moment, for a test
    // that runs beside others.
    static quint16 freePort()
    {
        QUdpSocket probe;
        probe.bind(QHostAddress::AnyIPv4, 0, QUdpSocket::DontShareAddress);
        return probe.localPort();
    }

    static QByteArray line(const QString &serial, const QString &mac, const QString &ip)
    {
        return QStringLiteral("%1 %2 %3\n").arg(serial, mac, ip).toLatin1();
    }

    // Shared with the finder, which binds the same port on any address.
    bool bind(const QHostAddress &address, quint16 port)
    {
        m_socket = std::make_unique<QUdpSocket>();
        QObject::connect(m_socket.get(), &QUdpSocket::readyRead, m_socket.get(), [this] { answer(); });
        return m_socket->bind(address, port, QUdpSocket::ShareAddress | QUdpSocket::ReuseAddressHint);
    }

    // Binds to the address and answers as the register with that serial and
    // MAC at that address.
    bool start(const QString &address, quint16 port, const QString &serial, const QString &mac)
    {
        setReply(serial, mac, address);
        return bind(QHostAddress(address), port);
    }

    quint16 port() const { return m_socket ? m_socket->localPort() : 0; }

    // Datagrams sent back for each probe, in order; none makes it silent.
    void setReplies(const QList<QByteArray> &replies) { m_replies = replies; }
    void setReply(const QString &serial, const QString &mac, const QString &ip)
    {
        m_replies = { line(serial, mac, ip) };
    }

    // Runs when a probe arrives, before the replies go out.
    void setOnProbe(std::function<void()> hook) { m_onProbe = std::move(hook); }

    int probes() const { return m_probes.size(); }
    const QList<QByteArray> &probeData() const { return m_probes; }

private:
    void answer()
    {
        while (m_socket->hasPendingDatagrams()) {
            const QNetworkDatagram probe = m_socket->receiveDatagram();
            m_probes.append(probe.data());
            if (m_onProbe)
                m_onProbe();
            for (const QByteArray &reply : qAsConst(m_replies))
                m_socket->writeDatagram(reply, probe.senderAddress(), quint16(probe.senderPort()));
        }
    }

    std::unique_ptr<QUdpSocket> m_socket;
    QList<QByteArray> m_replies;
    QList<QByteArray> m_probes;
    std::function<void()> m_onProbe;
};
