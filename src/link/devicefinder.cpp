#include "devicefinder.h"

#include "link/ipv4address.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkDatagram>
#include <QNetworkInterface>
#include <QRegularExpression>
#include <QSet>
#include <QUdpSocket>

DeviceFinder::DeviceFinder(QObject *parent)
    : QObject(parent)
{
}

QByteArray DeviceFinder::probe()
{
    return QByteArrayLiteral("Are You Korvant POS?\n");
}

std::optional<DeviceFinder::Reply> DeviceFinder::parseReply(const QByteArray &datagram)
{
    // Serial, MAC (":" or "-" between pairs), dotted IPv4 without leading
    // zeros, line feed. Anchored at the start only.
    static const QRegularExpression grammar(
        QStringLiteral(R"(^(\d+) (([0-9A-Fa-f]{2}[:-]){5}([0-9A-Fa-f]{2})) )") + Ipv4Address::pattern()
        + QStringLiteral(R"([\n])"));

    const int nul = datagram.indexOf('\0');
    const QString text = QString::fromLatin1(nul < 0 ? datagram : datagram.left(nul));
    const QRegularExpressionMatch match = grammar.match(text);
    if (!match.hasMatch() || match.capturedLength(1) > MaxSerialLength)
        return std::nullopt;
    // The fields come from the groups, so text after the line feed never
    // leaks into the address.
    return Reply { match.captured(1), match.captured(2), match.captured(5) };
}

QList<QHostAddress> DeviceFinder::interfaceBroadcasts()
{
    QList<QHostAddress> list;
    const QList<QNetworkInterface> interfaces = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface &iface : interfaces) {
        if (iface.flags().testFlag(QNetworkInterface::IsLoopBack))
            continue;
        const QList<QNetworkAddressEntry> entries = iface.addressEntries();
        for (const QNetworkAddressEntry &entry : entries) {
            if (entry.ip().protocol() == QAbstractSocket::IPv4Protocol)
                list.append(entry.broadcast());
        }
    }
    return list;
}

QList<QHostAddress> DeviceFinder::targets() const
{
    return m_targets ? *m_targets : interfaceBroadcasts();
}

void DeviceFinder::stop()
{
    const std::lock_guard<std::mutex> locker(m_stopLock);
    m_stopFlag = true;
}

bool DeviceFinder::isStopped()
{
    const std::lock_guard<std::mutex> locker(m_stopLock);
    return m_stopFlag;
}

void DeviceFinder::run()
{
    const QList<QHostAddress> addresses = targets();
    {
        const std::lock_guard<std::mutex> locker(m_stopLock);
        m_stopFlag = false;
    }

    m_socket = new QUdpSocket(this);
    // A failed bind leaves a socket that receives nothing; the scan then
    // simply finds no register. The port is shared with whatever else holds
    // it on this computer; on Windows only ReuseAddressHint asks for that
    // (SO_REUSEADDR), ShareAddress alone does not.
    m_socket->bind(QHostAddress::AnyIPv4, m_port,
                   QAbstractSocket::ShareAddress | QAbstractSocket::ReuseAddressHint);

    const QByteArray datagram = probe();
    // A negative wait would be no time-out at all.
    const int timeout = qMax(0, m_timeout);
    QJsonArray found;
    QSet<QString> seen;
    int count = 0;
    QElapsedTimer sinceReport;
    for (const QHostAddress &address : addresses) {
        if (m_socket->writeDatagram(datagram, address, m_port) != datagram.size())
            continue;
        bool stopped = false;
        // Stay on this address while replies keep coming, but not for ever.
        const QDeadlineTimer leave(qint64(timeout) * TargetWaitFactor);
        while (!leave.hasExpired()
               && m_socket->waitForReadyRead(int(qMin<qint64>(timeout, leave.remainingTime())))) {
            const QNetworkDatagram reply = m_socket->receiveDatagram();
            const int before = count;
            if (const std::optional<Reply> r = parseReply(reply.data())) {
                const QString key = r->device + QLatin1Char(' ') + r->mac + QLatin1Char(' ') + r->ip;
                if (count < MaxFound && !seen.contains(key)) {
                    seen.insert(key);
                    found.append(QJsonObject { { QStringLiteral("device"), r->device },
                                               { QStringLiteral("mac"), r->mac },
                                               { QStringLiteral("ip"), r->ip } });
                    ++count;
                }
            }
            stopped = isStopped();
            if (stopped)
                break;
            // Activity without news is reported sparingly: a flood must not
            // flood the receiving thread's event queue too.
            if (count != before || !sinceReport.isValid() || sinceReport.hasExpired(ReportIntervalMs)) {
                sinceReport.start();
                emit received(count);
            }
        }
        if (stopped || isStopped())
            break;
    }

    delete m_socket;
    m_result = QJsonDocument(found).toJson(QJsonDocument::Compact);
    emit finished();
}
