#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <QThreadPool>

// Probes the addresses of listed registers through the reachability seam
// (Reachability::pingFunction()), a few at a time (setMaxParallel(), by
// default DefaultParallel) on threads of its own pool, so the GUI thread
// never waits for a silent address.
//
// Threads: made and used on one thread (the GUI thread); each probe runs on a
// pool thread and hands its outcome back queued, so checked() and finished()
// arrive on the owner's thread. The destructor drops probes not yet started
// and waits for those in flight (each ends within TimeoutMs).
class ConnectionCheck : public QObject
{
    Q_OBJECT

public:
    static constexpr int DefaultParallel = 4;
    static constexpr int TimeoutMs = 1000;

    struct Target
    {
        QString serial;
        QString addr;
    };

    explicit ConnectionCheck(QObject *parent = nullptr);
    ~ConnectionCheck() override;

    // Starts probing every target; false (and nothing probed) while a check
    // still runs or when there is nothing to probe.
    bool start(const QList<Target> &targets);
    bool isRunning() const { return m_pending > 0; }
    // Probes at a time, at least 1; takes effect from the next start().
    void setMaxParallel(int count) { m_parallel = qMax(1, count); }
    int maxParallel() const { return m_parallel; }

signals:
    void checked(const QString &serial, const QString &addr, bool answered);
    void finished();

private:
    void onProbed(const QString &serial, const QString &addr, bool answered);

    QThreadPool m_pool;
    int m_pending = 0;
    int m_parallel = DefaultParallel;
};
