#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

#include <mutex>
#include <optional>

class QUdpSocket;

// Finds registers by a UDP broadcast probe. One scan per run(); run() blocks
// its (worker) thread, stop() may be called from any thread.
//
// Whatever the network sends, a scan stays bounded: each datagram restarts
// the wait on a target, but a target is left TargetWaitFactor timeouts after
// its probe went out (3 s at the default 1000 ms); identical replies count
// once; the list keeps at most MaxFound registers; and received() reports an
// unchanged count at most every ReportIntervalMs.
class DeviceFinder : public QObject
{
    Q_OBJECT

public:
    // One matching reply: the three fields as the register sent them.
    struct Reply
    {
        QString device;
        QString mac;
        QString ip;
    };

    static constexpr int TargetWaitFactor = 3;
    static constexpr int MaxFound = 4096;
    static constexpr int ReportIntervalMs = 100;
    static constexpr int MaxSerialLength = 20;

    explicit DeviceFinder(QObject *parent = nullptr);

    // The datagram every register answers.
    static QByteArray probe();

    // The reply grammar. Text up to the first NUL counts; anything after the
    // line feed is ignored. A serial number longer than a register's serial
    // field (MaxSerialLength) is no register's.
    static std::optional<Reply> parseReply(const QByteArray &datagram);

    // Broadcast address of every IPv4 entry of every non-loopback interface,
    // in the order the system lists them (duplicates kept).
    static QList<QHostAddress> interfaceBroadcasts();

    int timeout() const { return m_timeout; }
    void setTimeout(int ms) { m_timeout = ms; }
    quint16 port() const { return m_port; }
    void setPort(quint16 port) { m_port = port; }

    // Replaces the interface broadcasts as the addresses to probe. Tests give
    // loopback addresses here so that no scan ever leaves the machine.
    void setTargets(const QList<QHostAddress> &targets) { m_targets = targets; }
    QList<QHostAddress> targets() const;

    // JSON array of the last scan, compact; empty before the first.
    QByteArray result() const { return m_result; }

public slots:
    void run();
    void stop();

signals:
    void finished();
    void received(int count);

private:
    bool isStopped();

    int m_timeout = 1000;
    quint16 m_port = 8090;
    bool m_stopFlag = false;
    // std::mutex rather than QMutex: ThreadSanitizer sees through it.
    std::mutex m_stopLock;
    QPointer<QUdpSocket> m_socket;
    QByteArray m_result;
    std::optional<QList<QHostAddress>> m_targets;
};
