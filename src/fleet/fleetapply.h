#pragma once

#include "history/snapshotstore.h"
#include "link/reachability.h"
#include "tabs/devicetab.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVector>

#include <functional>
#include <memory>

class DeviceController;
class DeviceParams;

// One register a change is applied to.
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
    QStringList differences; // by field name, "path: now -> after the write", as korvant-cli diff
    QStringList details; // a read-back or a re-read that differs: its field differences
    SnapshotInfo snapshot; // the snapshot taken before the write (path empty: none)
    bool snapshotNotStored = false; // Failed: read, but the snapshot could not be stored

    // The images read from the register and those to be written.
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
};

// Applies chosen groups of one parameter set (the source) to other registers
// of its family, one register after another:
//
//   prepare   1. reachability; 2.-3. read the register's parameters on a job
//             that confirms its serial number and family (the write guard's
//             rule); 4. merge the chosen groups into what was read (in
//             memory); 5. the differences by field name. Nothing is written.
//   confirm   ConfirmEach: after each prepared register; ConfirmAll: once,
//             after every register is prepared; none without confirmation.
//   commit    re-read after a confirmation and check that the register still
//             holds what was compared; take the snapshot of it
//             (SnapshotOrigin::Fleet); write, where the job's own guard
//             confirms serial and family on the writing connection; read back
//             and compare with what was written.
//
// The merge copies the chosen groups with DeviceParams::copyGroup (never
// identity or kept fields) and writes only the bytes whose value changes:
// every other byte of the image stays exactly as the register holds it, and
// the system image is left alone.
//
// Read-back "equal": the write fills each region to its end (the images
// written are the register's whole regions, as read), so the parameter image
// read back must equal the written one byte for byte, and the system image
// must be the one read before. Anything else fails with the differing fields.
//
// Only a register that is about to be written gets a snapshot: a dry run, a
// register without changes and one not confirmed write nothing, and a
// snapshot would only push an older one, taken before a real write, out of
// the kept ones.
//
// cancel() stops before the next register: a register whose steps are under
// way finishes them (a write is never stopped half-way); those not reached are
// Skipped. Everything runs on the controller's thread; jobs run on the
// controller one after another and their ends come back through its
// finished() signal. The controller must not be used by anything else
// meanwhile.
class FleetApply : public QObject
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
    static constexpr int PingTimeoutMs = 1000;

    // source: the parameter set whose groups are copied; its family is the
    // only one written to.
    FleetApply(DeviceController &controller, std::unique_ptr<DeviceParams> source,
               const QList<DeviceTab> &groups, QObject *parent = nullptr);
    ~FleetApply() override;

    void setMode(Mode mode) { m_mode = mode; }
    Mode mode() const { return m_mode; }
    // Reachability::pingFunction() unless set.
    void setPingFunction(Reachability::PingFunction ping) { m_ping = std::move(ping); }
    void setStore(const SnapshotStore &store) { m_store = store; }

    int family() const { return m_family; }
    QList<DeviceTab> groups() const { return m_groups; }

    // Starts with the first register; finished() comes after the last.
    void start(const QList<FleetTarget> &targets);
    // The answer to confirmationNeeded(): write, or skip the register (all
    // compared registers for AllTargets).
    void confirm(bool write);
    void cancel();

    bool isRunning() const { return m_running; }
    bool isCancelled() const { return m_cancelled; }
    // The register (or AllTargets) waiting for confirm(); NoTarget when none.
    static constexpr int NoTarget = -2;
    int awaiting() const { return m_awaiting; }
    const QVector<FleetOutcome> &outcomes() const { return m_outcomes; }

    // "проверка связи", "чтение параметров", ...
    static QString stepText(Step step);

signals:
    void stepStarted(int index, FleetApply::Step step);
    void outcomeChanged(int index);
    void confirmationNeeded(int index);
    void finished();

private:
    using Then = std::function<void()>;

    void advance();
    void advanceLater();
    void afterPrepare();
    // On to the register after the current one.
    void next();
    void awaitConfirmation(int index);
    void finish();

    void prepare(int index, Then done);
    void onRead(int index, int result);
    void commit(int index, Then done);
    void onChecked(int index, int result, Then done);
    void snapshotThenWrite(int index, Then done);
    void write(int index, Then done);
    void onWritten(int index, int result, Then done);
    void onReadBack(int index, int result);

    // Starts a job; then() gets its result once it has ended.
    void runJob(const std::function<bool()> &start, std::function<void(int)> then);
    void onJobFinished();

    // The serial number the register of outcome index must have.
    QString expectedSerial(const FleetOutcome &o) const;
    // Empty when the register of the controller's last job is the one meant;
    // else the refusal's text (code in *code).
    QString guard(const FleetOutcome &o, int *code) const;
    bool merge(FleetOutcome &o, QString *error) const;
    // Sets the register's outcome and tells about it.
    void settle(int index, FleetOutcome::Status status, const QString &message, int code = 0,
                bool writeBegun = false);
    // Failed without a result code; cause names it for a summary column.
    void failWithout(int index, const QString &cause, const QString &message);

    DeviceController &m_controller;
    std::unique_ptr<DeviceParams> m_source;
    QList<DeviceTab> m_groups;
    int m_family = 0;
    Mode m_mode = Mode::ConfirmEach;
    Reachability::PingFunction m_ping;
    SnapshotStore m_store;

    QVector<FleetOutcome> m_outcomes;
    int m_index = 0;
    bool m_committing = false; // ConfirmAll: the writes after the one confirmation
    bool m_running = false;
    bool m_cancelled = false;
    int m_awaiting = NoTarget;
    std::function<void(int)> m_then;
};

Q_DECLARE_METATYPE(FleetApply::Step)
