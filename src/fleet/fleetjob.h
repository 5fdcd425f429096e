#pragma once

#include <QObject>
#include <QString>

#include <functional>

class DeviceController;
class FleetRunner;

// One register's part of a fleet run (see FleetRunner): its steps, one after
// another, on a DeviceController of its own, so that registers proceed side
// by side, each on its own connection. A subclass does its first step in
// start() and calls finish() after the last; the runner then deletes the job
// and its controller.
//
// Threads: made, run and deleted on the runner's thread. A controller job
// runs on the controller's worker thread and a probe on a thread of its own; both
// answer through the event loop, so every step of a job runs on the runner's
// thread and never inside another object's signal.
class FleetJob : public QObject
{
    Q_OBJECT

public:
    explicit FleetJob(int index, QObject *parent = nullptr);
    ~FleetJob() override;

    // The target's place in the run.
    int index() const { return m_index; }

    // Called once by the runner, with the job's controller ready.
    virtual void start() = 0;
    // The runner was stopped. A job ends at its next point where nothing is
    // half done; a write under way is finished first. By default the job
    // only notes it (stopRequested()); a job of reads alone may stop its
    // controller's job at once.
    virtual void onStop() { }

    bool stopRequested() const { return m_stopRequested; }

signals:
    // Once, after the last step's controller job has ended.
    void done(int index);

protected:
    using Then = std::function<void(int result)>;

    DeviceController &controller() const { return *m_controller; }
    // Starts one controller job (start() calls controller().readParams(...) and
    // the like); then(result) comes from the event loop once the job has
    // ended, or with ErrNotStarted when start() started nothing.
    void runJob(const std::function<bool()> &start, Then then);
    // The reachability probe of the address, run off this thread; then(code)
    // from the event loop, 0 when the address answered.
    void probe(const QString &address, Then then);
    // Ends the job: done() once.
    void finish();

private:
    friend class FleetRunner;

    void onJobFinished();

    int m_index = 0;
    FleetRunner *m_runner = nullptr;
    DeviceController *m_controller = nullptr;
    Then m_then;
    bool m_stopRequested = false;
    bool m_finished = false;
};
