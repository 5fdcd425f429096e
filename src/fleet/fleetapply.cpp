#include "fleetapply.h"

#include "fleet/fleetgroup.h"
#include "history/snapshottaker.h"
#include "link/devicecontroller.h"
#include "link/devicejob.h"
#include "link/frame.h"
#include "link/resultexplanation.h"
#include "link/taggedrecord.h"
#include "params/deviceparams.h"
#include "params/paramfile.h"
#include "params/paramsdiff.h"

#include <QCoreApplication>
#include <QTimer>

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("FleetApply", text);
}

QString versionOf(int major, int minor, int build)
{
    return QStringLiteral("%1.%2.%3").arg(major).arg(minor).arg(build);
}

ParamFile paramFile(const FleetOutcome &o, const QByteArray &params, const QByteArray &system)
{
    ParamFile f;
    f.serial = o.serial;
    f.version = o.version;
    f.goodsCapacity = o.goodsCapacity;
    f.params = params;
    f.system = system;
    return f;
}

// own with the bytes that differ between before and after, both being the
// layout written over own, before and after the merge: bytes the layout only
// normalises (zero fill, check bytes of unchanged records) stay own.
QByteArray patched(const QByteArray &own, const QByteArray &before, const QByteArray &after)
{
    QByteArray out = own;
    if (out.size() < after.size())
        out.append(QByteArray(after.size() - out.size(), '\0'));
    for (int i = 0; i < after.size(); ++i) {
        if (i >= before.size() || before.at(i) != after.at(i))
            out[i] = after.at(i);
    }
    return out;
}

// What a write of written leaves in a region read back as read: written, then
// the zero bytes the write fills the region up with.
bool holdsWritten(const QByteArray &read, const QByteArray &written)
{
    if (read.size() < written.size() || !read.startsWith(written))
        return false;
    for (int i = written.size(); i < read.size(); ++i) {
        if (read.at(i) != '\0')
            return false;
    }
    return true;
}

QByteArray parameterImage(const QByteArray &data)
{
    return TaggedRecord::find(data, TaggedRecord::ParameterImageTag);
}

QByteArray systemImage(const QByteArray &data)
{
    return TaggedRecord::find(data, TaggedRecord::SystemImageTag);
}

} // namespace

QString FleetOutcome::statusText() const
{
    switch (status) {
    case Waiting:
        return tr("ожидает");
    case Compared:
        return tr("сравнено, не записано");
    case Unchanged:
        return tr("без изменений");
    case Verified:
        return tr("записано и проверено");
    case Unreachable:
        return tr("не доступен");
    case Refused:
        return tr("другая ККТ, не записано");
    case Failed:
        if (code != 0)
            return tr("ошибка %1").arg(code);
        return failure.isEmpty() ? tr("ошибка") : tr("ошибка: %1").arg(failure);
    case Skipped:
        return tr("пропущено");
    }
    return QString();
}

bool FleetOutcome::failed() const
{
    return status == Unreachable || status == Refused || status == Failed;
}

FleetApply::FleetApply(DeviceController &controller, std::unique_ptr<DeviceParams> source,
                       const QList<DeviceTab> &groups, QObject *parent)
    : QObject(parent)
    , m_controller(controller)
    , m_source(std::move(source))
    , m_groups(groups)
    , m_family(m_source ? m_source->family() : 0)
{
    qRegisterMetaType<FleetApply::Step>();
    connect(&m_controller, &DeviceController::finished, this, &FleetApply::onJobFinished);
}

FleetApply::~FleetApply() = default;

QString FleetApply::stepText(Step step)
{
    switch (step) {
    case Step::Probe:
        return tr("проверка связи");
    case Step::Read:
        return tr("чтение параметров и проверка заводского номера");
    case Step::Snapshot:
        return tr("снимок параметров перед записью");
    case Step::Check:
        return tr("проверка, что параметры ККТ не изменились");
    case Step::Write:
        return tr("запись");
    case Step::ReadBack:
        return tr("чтение записанного для проверки");
    }
    return QString();
}

void FleetApply::start(const QList<FleetTarget> &targets)
{
    m_outcomes.clear();
    for (const FleetTarget &t : targets) {
        FleetOutcome o;
        o.target = t;
        m_outcomes.append(o);
    }
    m_index = 0;
    m_committing = false;
    m_cancelled = false;
    m_awaiting = NoTarget;
    m_running = true;
    advanceLater();
}

void FleetApply::advanceLater()
{
    QTimer::singleShot(0, this, &FleetApply::advance);
}

void FleetApply::advance()
{
    if (!m_running)
        return;
    if (m_cancelled)
        return finish();
    const int n = m_outcomes.size();
    if (m_committing) {
        while (m_index < n && m_outcomes.at(m_index).status != FleetOutcome::Compared)
            ++m_index;
        if (m_index == n)
            return finish();
        return commit(m_index, [this] { next(); });
    }
    if (m_index == n) {
        for (const FleetOutcome &o : qAsConst(m_outcomes)) {
            if (m_mode == Mode::ConfirmAll && o.status == FleetOutcome::Compared)
                return awaitConfirmation(AllTargets);
        }
        return finish();
    }
    prepare(m_index, [this] { afterPrepare(); });
}

void FleetApply::afterPrepare()
{
    const int index = m_index;
    if (m_outcomes.at(index).status == FleetOutcome::Compared) {
        if (m_cancelled && (m_mode == Mode::ConfirmEach || m_mode == Mode::WithoutConfirmation))
            return finish();
        if (m_mode == Mode::ConfirmEach)
            return awaitConfirmation(index);
        if (m_mode == Mode::WithoutConfirmation)
            return commit(index, [this] { next(); });
    }
    next();
}

void FleetApply::next()
{
    ++m_index;
    advanceLater();
}

void FleetApply::awaitConfirmation(int index)
{
    m_awaiting = index;
    emit confirmationNeeded(index);
}

void FleetApply::confirm(bool write)
{
    if (!m_running || m_awaiting == NoTarget)
        return;
    const int index = m_awaiting;
    m_awaiting = NoTarget;
    if (index == AllTargets) {
        if (!write)
            return finish();
        m_committing = true;
        m_index = 0;
        return advanceLater();
    }
    if (!write) {
        settle(index, FleetOutcome::Skipped, tr("Запись в эту ККТ не подтверждена."));
        return next();
    }
    commit(index, [this] { next(); });
}

void FleetApply::cancel()
{
    if (!m_running)
        return;
    m_cancelled = true;
    // Waiting for the user, nothing is under way: stop at once.
    if (m_awaiting != NoTarget) {
        m_awaiting = NoTarget;
        finish();
    }
}

void FleetApply::finish()
{
    if (!m_running)
        return;
    for (int i = 0; i < m_outcomes.size(); ++i) {
        const FleetOutcome::Status s = m_outcomes.at(i).status;
        if (s == FleetOutcome::Waiting || (s == FleetOutcome::Compared && m_mode != Mode::DryRun)) {
            settle(i, FleetOutcome::Skipped,
                   m_cancelled ? tr("Применение остановлено до этой ККТ; в неё ничего не записано.")
                               : tr("Запись не подтверждена; в ККТ ничего не записано."));
        }
    }
    m_running = false;
    m_awaiting = NoTarget;
    emit finished();
}

void FleetApply::settle(int index, FleetOutcome::Status status, const QString &message, int code,
                        bool writeBegun)
{
    FleetOutcome &o = m_outcomes[index];
    o.status = status;
    o.message = message;
    o.code = code;
    o.writeBegun = writeBegun;
    o.explanation = code != 0 ? resultExplanation(code, writeBegun) : QString();
    emit outcomeChanged(index);
}

void FleetApply::failWithout(int index, const QString &cause, const QString &message)
{
    m_outcomes[index].failure = cause;
    settle(index, FleetOutcome::Failed, message);
}

// --- jobs ------------------------------------------------------------------------

void FleetApply::runJob(const std::function<bool()> &start, std::function<void(int)> then)
{
    m_then = std::move(then);
    if (!start()) {
        // Nothing runs: the answer comes from the event loop like a job's end.
        std::function<void(int)> notStarted = std::move(m_then);
        m_then = nullptr;
        QTimer::singleShot(0, this, [notStarted] { notStarted(ErrNotStarted); });
    }
}

void FleetApply::onJobFinished()
{
    if (!m_then)
        return;
    std::function<void(int)> then = std::move(m_then);
    m_then = nullptr;
    const int result = m_controller.result();
    // The next job starts from the event loop, not from inside finished().
    QTimer::singleShot(0, this, [then = std::move(then), result] { then(result); });
}

QString FleetApply::expectedSerial(const FleetOutcome &o) const
{
    return o.target.serial.isEmpty() ? o.serial : o.target.serial;
}

QString FleetApply::guard(const FleetOutcome &o, int *code) const
{
    // The texts of the snapshot's own checks, which say the same thing.
    SnapshotResult r;
    r.kind = SnapshotKind::Params;
    r.reportedSerial = m_controller.serial();
    r.reportedVersion
        = versionOf(m_controller.versionMajor(), m_controller.versionMinor(), m_controller.versionBuild());
    r.expectedSerial = expectedSerial(o);
    r.expectedFamily = m_family;
    if (r.reportedSerial != r.expectedSerial) {
        r.status = SnapshotResult::SerialMismatch;
        r.code = ErrSerialMismatch;
    } else if (Frame::firmwareFamily(m_controller.versionMajor(), m_controller.versionMinor(),
                                     m_controller.versionBuild())
               != m_family) {
        r.status = SnapshotResult::FamilyMismatch;
        r.code = ErrFamilyMismatch;
    } else {
        return QString();
    }
    *code = r.code;
    return r.text();
}

// --- prepare -----------------------------------------------------------------------

void FleetApply::prepare(int index, Then done)
{
    FleetOutcome &o = m_outcomes[index];
    emit stepStarted(index, Step::Probe);
    const Reachability::PingFunction ping = m_ping ? m_ping : Reachability::pingFunction();
    if (ping(o.target.address, PingTimeoutMs) != 0) {
        settle(index, FleetOutcome::Unreachable, tr("ККТ по адресу %1 не доступен").arg(o.target.address));
        return done();
    }
    emit stepStarted(index, Step::Read);
    const FleetTarget target = o.target;
    runJob([this, target] { return m_controller.readParams(target.address, target.port); },
           [this, index, done](int result) {
               onRead(index, result);
               done();
           });
}

void FleetApply::onRead(int index, int result)
{
    FleetOutcome &o = m_outcomes[index];
    if (result != ResultOk) {
        return settle(index, FleetOutcome::Failed,
                      tr("Ошибка загрузки. %1\nВ ККТ ничего не записано.").arg(result), result);
    }
    o.serial = m_controller.serial();
    o.version
        = versionOf(m_controller.versionMajor(), m_controller.versionMinor(), m_controller.versionBuild());
    o.goodsCapacity = m_controller.goodsCapacity();
    int code = 0;
    const QString refusal = guard(o, &code);
    if (!refusal.isEmpty())
        return settle(index, FleetOutcome::Refused, refusal, code);
    o.before = parameterImage(m_controller.data());
    o.beforeSystem = systemImage(m_controller.data());

    // What cannot be kept as a parameter file is nothing to write into either.
    ParamFile checked;
    QString error;
    if (!ParamFile::fromJson(paramFile(o, o.before, o.beforeSystem).toJson(), &checked, &error)) {
        return failWithout(
            index, tr("параметры ККТ не распознаны"),
            tr("Прочитанные из ККТ параметры не распознаны: %1. В ККТ ничего не записано.").arg(error));
    }
    if (!merge(o, &error))
        return failWithout(index, tr("данные не перенесены"), tr("%1. В ККТ ничего не записано.").arg(error));
    o.differences
        = paramFileDifferences(paramFile(o, o.before, o.beforeSystem), paramFile(o, o.after, o.afterSystem));
    if (o.after == o.before && o.afterSystem == o.beforeSystem) {
        return settle(index, FleetOutcome::Unchanged,
                      tr("Выбранные данные в ККТ уже такие же; записывать нечего."));
    }

    o.status = FleetOutcome::Compared;
    o.message = m_mode == Mode::DryRun ? tr("Пробный запуск: в ККТ ничего не записано.") : QString();
    emit outcomeChanged(index);
}

bool FleetApply::merge(FleetOutcome &o, QString *error) const
{
    const std::unique_ptr<DeviceParams> target(DeviceParams::create(o.version));
    if (!target || !m_source) {
        *error = tr("Версия ККТ %1 не поддерживается").arg(o.version);
        return false;
    }
    target->fromImage(o.before, o.beforeSystem);
    QByteArray laidParams = o.before;
    QByteArray laidSystem = o.beforeSystem;
    target->toImage(laidParams, laidSystem);
    for (const DeviceTab tab : qAsConst(m_groups)) {
        for (const QString &group : FleetGroup::fieldGroups(tab)) {
            if (!target->copyGroup(*m_source, group, error))
                return false;
        }
    }
    QByteArray mergedParams = o.before;
    QByteArray mergedSystem = o.beforeSystem;
    target->toImage(mergedParams, mergedSystem);
    o.after = patched(o.before, laidParams, mergedParams);
    o.afterSystem = patched(o.beforeSystem, laidSystem, mergedSystem);
    return true;
}

// --- commit ------------------------------------------------------------------------

void FleetApply::commit(int index, Then done)
{
    // Without a person's confirmation in between, the read of prepare() was
    // a moment ago; after one, the register may have been changed since.
    if (m_mode == Mode::WithoutConfirmation)
        return snapshotThenWrite(index, std::move(done));
    emit stepStarted(index, Step::Check);
    const FleetTarget target = m_outcomes.at(index).target;
    runJob([this, target] { return m_controller.readParams(target.address, target.port); },
           [this, index, done](int result) { onChecked(index, result, done); });
}

void FleetApply::onChecked(int index, int result, Then done)
{
    FleetOutcome &o = m_outcomes[index];
    if (result != ResultOk) {
        settle(index, FleetOutcome::Failed, tr("Ошибка загрузки. %1\nВ ККТ ничего не записано.").arg(result),
               result);
        return done();
    }
    int code = 0;
    const QString refusal = guard(o, &code);
    if (!refusal.isEmpty()) {
        settle(index, FleetOutcome::Refused, refusal, code);
        return done();
    }
    const QByteArray params = parameterImage(m_controller.data());
    const QByteArray system = systemImage(m_controller.data());
    if (params != o.before || system != o.beforeSystem) {
        o.details
            = paramFileDifferences(paramFile(o, o.before, o.beforeSystem), paramFile(o, params, system));
        failWithout(
            index, tr("ККТ изменилась после сравнения"),
            tr("Параметры ККТ изменились после сравнения, поэтому в неё ничего не записано. Примените "
               "изменения к ней заново."));
        return done();
    }
    snapshotThenWrite(index, std::move(done));
}

void FleetApply::snapshotThenWrite(int index, Then done)
{
    // Taken only now that the write goes ahead: a register skipped at its
    // confirmation keeps no snapshot, which would push an older one, taken
    // before a real write, out of those kept. The controller still holds the
    // read just made (prepare's, or the re-read that found it unchanged).
    FleetOutcome &o = m_outcomes[index];
    emit stepStarted(index, Step::Snapshot);
    const SnapshotResult snapshot = SnapshotTaker(m_controller, SnapshotOrigin::Fleet, m_store)
                                        .storeParams(ResultOk, expectedSerial(o), m_family);
    if (!snapshot.ok()) {
        o.snapshotNotStored = snapshot.status == SnapshotResult::NotStored;
        failWithout(index, tr("снимок не сохранён"), snapshot.text());
        return done();
    }
    o.snapshot = snapshot.snapshot;
    write(index, std::move(done));
}

void FleetApply::write(int index, Then done)
{
    const FleetOutcome &o = m_outcomes.at(index);
    emit stepStarted(index, Step::Write);
    QByteArray records = TaggedRecord::make(TaggedRecord::ParameterImageTag, o.after);
    if (o.afterSystem != o.beforeSystem)
        records += TaggedRecord::make(TaggedRecord::SystemImageTag, o.afterSystem);
    const FleetTarget target = o.target;
    const QString serial = expectedSerial(o);
    runJob(
        [this, target, records, serial] {
            return m_controller.writeParams(target.address, target.port, records, serial, m_family);
        },
        [this, index, done](int result) { onWritten(index, result, done); });
}

void FleetApply::onWritten(int index, int result, Then done)
{
    const FleetOutcome &o = m_outcomes.at(index);
    if (result == ErrSerialMismatch || result == ErrFamilyMismatch) {
        // The writing connection reached another register: say which.
        const DeviceController::Reported reported = m_controller.reported();
        SnapshotResult r;
        r.status
            = result == ErrSerialMismatch ? SnapshotResult::SerialMismatch : SnapshotResult::FamilyMismatch;
        r.reportedSerial = reported.serial;
        r.reportedVersion = versionOf(reported.versionMajor, reported.versionMinor, reported.versionBuild);
        r.expectedSerial = expectedSerial(o);
        r.expectedFamily = m_family;
        settle(index, FleetOutcome::Refused, r.text(), result);
        return done();
    }
    if (result != ResultOk) {
        settle(index, FleetOutcome::Failed, tr("Ошибка выгрузки. %1").arg(result), result,
               m_controller.writeBegun());
        return done();
    }
    emit stepStarted(index, Step::ReadBack);
    const FleetTarget target = o.target;
    runJob([this, target] { return m_controller.readParams(target.address, target.port); },
           [this, index, done](int result) {
               onReadBack(index, result);
               done();
           });
}

void FleetApply::onReadBack(int index, int result)
{
    FleetOutcome &o = m_outcomes[index];
    if (result != ResultOk) {
        return settle(
            index, FleetOutcome::Failed,
            tr("Записано, но прочитать записанное для проверки не удалось. Ошибка загрузки. %1").arg(result),
            result);
    }
    if (m_controller.serial() != expectedSerial(o)) {
        return failWithout(index, tr("записано, не проверено"),
                           tr("Записано, но для проверки ответила ККТ с другим заводским номером %1; "
                              "записанное не проверено.")
                               .arg(displayText(m_controller.serial())));
    }
    const QByteArray params = parameterImage(m_controller.data());
    const QByteArray system = systemImage(m_controller.data());
    if (!holdsWritten(params, o.after) || system != o.afterSystem) {
        o.details = paramFileDifferences(paramFile(o, o.after, o.afterSystem), paramFile(o, params, system));
        return failWithout(index, tr("записано, но прочитано другое"),
                           tr("Записано, но прочитанные из ККТ параметры отличаются от записанных."));
    }
    settle(index, FleetOutcome::Verified,
           tr("Записано; прочитанные из ККТ параметры совпадают с записанными."));
}
