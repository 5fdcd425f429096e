#pragma once

#include "link/reachability.h"

#include <QObject>
#include <QString>
#include <QVector>

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

class DeviceController;
class FleetJob;

// Runs one FleetJob per register, at most jobs() at a time, each on a
// DeviceController of its own (its own connection and worker thread per
// controller job). Jobs start in the order the indices are given, so that
// the first registers are done first; a job that fails never touches
// another. stop() starts no further job and tells the running ones
// (FleetJob::onStop), which end at their next safe point; finished() follows
// once the last running job is done.
//
// Each controller's journal lines name their register through the origin
// function, so that the exchange journal shows which register a line of an
// interleaved run belongs to.
//
// Threads: made and used on one thread (the GUI thread in the windows);
// each reachability probe runs on a thread of its own, which hands its
// answer back under a lock and by a queued signal. The destructor waits for
// probes in flight (each ends within PingTimeoutMs) and abandons running
// controller jobs, as a closing window does.
class FleetRunner : public QObject
{
    Q_OBJECT

public:
    static constexpr int DefaultJobs = 4;
    static constexpr int MaxJobs = 16;
    static constexpr int PingTimeoutMs = 1000;

    using Factory = std::function<std::unique_ptr<FleetJob>(int index)>;
    using Origin = std::function<QString(int index)>;

    explicit FleetRunner(QObject *parent = nullptr);
    ~FleetRunner() override;

    // Registers at a time, 1 to MaxJobs (values outside are brought within).
    void setJobs(int jobs);
    int jobs() const { return m_jobs; }
    // Reachability::pingFunction() unless set.
    void setPingFunction(Reachability::PingFunction ping) { m_ping = std::move(ping); }
    // The journal's owner text for the jobs of index; a neutral text unless set.
    void setOrigin(Origin origin) { m_origin = std::move(origin); }
    // The usual such text: "owner: ККТ serial", or the address where the
    // serial number is not known.
    static QString originText(const QString &owner, const QString &address, const QString &serial);

    // Makes and starts a job for each index in turn; finished() after the
    // last. False, and nothing started, while a run is under way.
    bool start(const QVector<int> &indices, Factory make);
    void stop();

    bool isRunning() const { return m_running; }
    bool isStopped() const { return m_stopped; }
    // Jobs started and not yet done.
    int runningCount() const { return int(m_active.size()); }

signals:
    void jobStarted(int index);
    void jobDone(int index);
    void finished();
    // A probe's answer is in (token): carries it from the probe's thread.
    void probed(int token, QPrivateSignal);

private:
    friend class FleetJob;

    struct Active
    {
        std::unique_ptr<DeviceController> controller;
        std::unique_ptr<FleetJob> job;
    };

    void fill();
    void onDone(int index);
    void probe(const QString &address, std::function<void(int)> then);
    void onProbed(int token);

    int m_jobs = DefaultJobs;
    Reachability::PingFunction m_ping;
    Origin m_origin;
    Factory m_make;
    QVector<int> m_queue;
    int m_next = 0;
    std::map<int, Active> m_active;
    bool m_running = false;
    bool m_stopped = false;

    struct Probe
    {
        std::thread thread;
        std::function<void(int)> then;
    };
    std::map<int, Probe> m_probes; // by token; this thread only
    int m_lastProbe = 0;
    // The answers of probe threads by token. std::mutex rather than QMutex:
    // ThreadSanitizer sees through it.
    std::mutex m_answerLock;
    std::map<int, int> m_answers;
};
