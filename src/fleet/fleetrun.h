#pragma once

#include "fleet/fleetjob.h"
#include "fleet/fleetrunner.h"
#include "history/snapshotstore.h"
#include "link/reachability.h"

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVector>

#include <functional>
#include <memory>

// One register data is written to.
struct FleetTarget
{
    QString address;
    quint16 port = 8080;
    // The register meant. Empty: whichever register answers at the address;
    // the serial number it reports then binds every later step to it.
    QString serial;
    QString name; // for people
};

// What became of one register.
struct FleetOutcome
{
    enum Status {
        Waiting, // not reached yet
        Compared, // read and compared, not written (awaiting confirmation, or a dry run)
        Unchanged, // it holds the chosen data already; nothing to write
        Verified, // written, read back and found equal to what was written
        Unreachable, // the address does not answer
        Refused, // another register or family answered; nothing written
        Failed, // a transfer failed (code), the snapshot was not stored, or the read-back differs
        Skipped, // not confirmed, or the run was stopped before it
    };

    FleetTarget target;
    Status status = Waiting;
    QString serial; // as the register reported it (empty when it never answered)
    QString version;
    int code = 0; // the failed job's result code (0: none)
    QString failure; // Failed without a code: what failed, in a few words for a summary
    bool writeBegun = false; // pages had gone out when the write failed
    QString message; // what happened (Russian)
    QString explanation; // what the code means, when there is one
    QStringList differences; // "what: now -> after the write", in the naming of the data's diff
    QStringList details; // a read-back or a re-read that differs: its differences
    SnapshotInfo snapshot; // the snapshot taken before the write (path empty: none)
    bool snapshotNotStored = false; // Failed: read, but the snapshot could not be stored

    // The data read from the register and the data to be written (images).
    QByteArray before;
    QByteArray beforeSystem;
    QByteArray after;
    QByteArray afterSystem;
    int goodsCapacity = 0;

    // Short, for a summary column: "записано и проверено", "не доступен",
    // "ошибка -4", "ошибка: снимок не сохранён", ...
    QString statusText() const;
    // Unreachable, Refused or Failed.
    bool failed() const;
    // Nothing more will happen to the register in this run.
    bool final() const { return status != Waiting && status != Compared; }
};

// "2.53.12"
QString fleetVersionText(int major, int minor, int build);

// The pattern every write to many registers follows, whatever the data:
//
//   prepare   the register's own steps up to where it could be written
//             (reachability, a guarded read, the comparison); nothing is
//             written and no snapshot taken. The register is then Compared,
//             or has a final outcome (Unchanged, Unreachable, Refused, Failed).
//   confirm   ConfirmEach: for each Compared register, in target order;
//             ConfirmAll: once, after every register is prepared;
//             WithoutConfirmation: none; DryRun: no write at all.
//   commit    the snapshot, the write and its checks, ending with a final
//             outcome. Only a register about to be written gets a snapshot.
//
// Registers proceed side by side, at most jobs() at a time, each on its own
// connection (FleetRunner). A register waiting for its confirmation keeps its
// place among them, so no more than jobs() registers are ever read ahead of
// the person confirming. Outcomes stay in the order the targets were given.
// A failure of one register ends only that register.
//
// cancel() ("Остановить") starts no further register. A register whose
// write has begun (after a confirmation, from its re-read on) finishes it,
// read-back included; one still being prepared finishes its current read and
// is Skipped; registers not reached are Skipped.
//
// A data kind derives from FleetRun, makes its registers' jobs (a Job with
// its prepare() and commit()) and names its steps.
class FleetRun : public QObject
{
    Q_OBJECT

public:
    enum class Mode {
        ConfirmEach,
        ConfirmAll,
        WithoutConfirmation,
        DryRun,
    };

    enum class Step {
        Probe,
        Read,
        Snapshot,
        Check, // the re-read before a confirmed write
        Write,
        ReadBack,
    };

    // confirmationNeeded() index for ConfirmAll: every compared register at once.
    static constexpr int AllTargets = -1;
    // awaiting() when nothing waits for confirm().
    static constexpr int NoTarget = -2;
    static constexpr int PingTimeoutMs = FleetRunner::PingTimeoutMs;

    ~FleetRun() override;

    void setMode(Mode mode) { m_mode = mode; }
    Mode mode() const { return m_mode; }
    // Registers at a time (FleetRunner::DefaultJobs unless set; 1 to MaxJobs).
    void setJobs(int jobs) { m_runner.setJobs(jobs); }
    int jobs() const { return m_runner.jobs(); }
    // Reachability::pingFunction() unless set.
    void setPingFunction(Reachability::PingFunction ping) { m_runner.setPingFunction(std::move(ping)); }
    void setStore(const SnapshotStore &store) { m_store = store; }
    SnapshotStore store() const { return m_store; }
    // The owner the exchange journal names ("Применить к другим ККТ"); each
    // register's lines add the register to it.
    void setOrigin(const QString &owner) { m_owner = owner; }

    // Starts with the first registers; finished() comes after the last.
    void start(const QList<FleetTarget> &targets);
    // The answer to confirmationNeeded(): write, or skip the register (all
    // compared registers for AllTargets).
    void confirm(bool write);
    void cancel();

    bool isRunning() const { return m_running; }
    bool isCancelled() const { return m_cancelled; }
    // The register (or AllTargets) waiting for confirm(); NoTarget when none.
    int awaiting() const { return m_awaiting; }
    const QVector<FleetOutcome> &outcomes() const { return m_outcomes; }
    // Registers whose steps are under way (or that wait for confirmation).
    int activeCount() const { return m_runner.runningCount(); }

    // What a step is called in progress texts ("проверка связи", ...).
    virtual QString stepText(Step step) const;

signals:
    void stepStarted(int index, FleetRun::Step step);
    void outcomeChanged(int index);
    void confirmationNeeded(int index);
    void finished();

protected:
    explicit FleetRun(QObject *parent = nullptr);

    // One register's steps for the data kind.
    class Job : public FleetJob
    {
    public:
        Job(FleetRun &run, int index);

        void start() final;

    protected:
        using Done = std::function<void()>;

        // Ends with the outcome Compared (a write is to follow) or a final one.
        virtual void prepare(Done done) = 0;
        // The write after its confirmation; ends with a final outcome.
        virtual void commit(Done done) = 0;

        FleetRun &run() const { return m_run; }
        FleetOutcome &outcome() const { return m_run.m_outcomes[index()]; }
        void step(Step step) { emit m_run.stepStarted(index(), step); }
        void settle(FleetOutcome::Status status, const QString &message, int code = 0,
                    bool writeBegun = false)
        {
            m_run.settle(index(), status, message, code, writeBegun);
        }
        // Failed without a result code; cause names it for a summary column.
        void failWithout(const QString &cause, const QString &message)
        {
            outcome().failure = cause;
            settle(FleetOutcome::Failed, message);
        }
        // Reachability, then the register's parameters read on a job that
        // reports its serial number and firmware; then(result) once the read
        // has ended. An address that does not answer is Unreachable, and
        // done() follows instead.
        void reachAndReadParams(Done done, Then then);
        // Empty when the register of the controller's last job has the
        // serial number expected and the firmware family (for 0: any family
        // the utility writes to); else why it is refused, code in *code.
        QString guard(int family, int *code) const;
        // A write the job's own guard refused on the writing connection
        // (ErrSerialMismatch, ErrFamilyMismatch): settled as Refused, naming
        // the register that answered; true.
        bool writeRefused(int result, int family);
        // A write that failed (result not ResultOk): settled as Failed, true.
        bool writeFailed(int result);
        // A read-back that failed, or was answered by another register than
        // the one written: settled as Failed, true.
        bool readBackFailed(int result);
        // A stopped run takes no snapshot and writes nothing more: true, with
        // the register Skipped, when the run was stopped.
        bool skippedByStop();
        // The serial number the register must have: the target's, or else
        // the one it reported when first read.
        QString expectedSerial() const;

    private:
        void afterPrepare();
        void onAnswer(bool write);

        FleetRun &m_run;
    };

    virtual std::unique_ptr<Job> makeJob(int index) = 0;

    void settle(int index, FleetOutcome::Status status, const QString &message, int code = 0,
                bool writeBegun = false);

private:
    void onRunnerFinished();
    // ConfirmEach: a prepared register waits for its turn to be confirmed.
    void queueConfirmation(int index, std::function<void(bool)> answer);
    void presentNext();
    void startCommits();
    void finish();
    QString originText(int index) const;

    FleetRunner m_runner;
    Mode m_mode = Mode::ConfirmEach;
    SnapshotStore m_store;
    QString m_owner;

    QVector<FleetOutcome> m_outcomes;
    bool m_committing = false; // ConfirmAll: the writes after the one confirmation
    bool m_running = false;
    bool m_cancelled = false;
    int m_awaiting = NoTarget;
    // ConfirmEach: answers awaited, by register, and the first register not past its turn.
    QMap<int, std::function<void(bool)>> m_pending;
    QVector<bool> m_answered;
    int m_confirmNext = 0;
};

Q_DECLARE_METATYPE(FleetRun::Step)
