#include "fleetrun.h"

#include "history/snapshottaker.h"
#include "link/devicecontroller.h"
#include "link/devicejob.h"
#include "link/frame.h"
#include "link/resultexplanation.h"
#include "params/paramsdiff.h"

#include <QCoreApplication>

#include <utility>

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("FleetRun", text);
}

QString stoppedText()
{
    return tr("Применение остановлено до этой ККТ; в неё ничего не записано.");
}

} // namespace

QString fleetVersionText(int major, int minor, int build)
{
    return QStringLiteral("%1.%2.%3").arg(major).arg(minor).arg(build);
}

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

FleetRun::FleetRun(QObject *parent)
    : QObject(parent)
{
    qRegisterMetaType<FleetRun::Step>();
    m_runner.setOrigin([this](int index) { return originText(index); });
    connect(&m_runner, &FleetRunner::finished, this, &FleetRun::onRunnerFinished);
}

FleetRun::~FleetRun() = default;

QString FleetRun::stepText(Step step) const
{
    switch (step) {
    case Step::Probe:
        return tr("проверка связи");
    case Step::Read:
        return tr("чтение и проверка заводского номера");
    case Step::Snapshot:
        return tr("снимок перед записью");
    case Step::Check:
        return tr("проверка, что данные ККТ не изменились");
    case Step::Write:
        return tr("запись");
    case Step::ReadBack:
        return tr("чтение записанного для проверки");
    }
    return QString();
}

QString FleetRun::originText(int index) const
{
    const FleetTarget &t = m_outcomes.at(index).target;
    return FleetRunner::originText(m_owner, t.address, t.serial);
}

void FleetRun::start(const QList<FleetTarget> &targets)
{
    if (m_running)
        return;
    m_outcomes.clear();
    for (const FleetTarget &t : targets) {
        FleetOutcome o;
        o.target = t;
        m_outcomes.append(o);
    }
    m_committing = false;
    m_cancelled = false;
    m_awaiting = NoTarget;
    m_pending.clear();
    m_answered = QVector<bool>(m_outcomes.size(), false);
    m_confirmNext = 0;
    m_running = true;
    QVector<int> all(m_outcomes.size());
    for (int i = 0; i < all.size(); ++i)
        all[i] = i;
    m_runner.start(all, [this](int index) { return makeJob(index); });
}

void FleetRun::onRunnerFinished()
{
    if (!m_running)
        return;
    if (m_mode == Mode::ConfirmAll && !m_committing && !m_cancelled) {
        for (const FleetOutcome &o : qAsConst(m_outcomes)) {
            if (o.status == FleetOutcome::Compared) {
                m_awaiting = AllTargets;
                emit confirmationNeeded(AllTargets);
                return;
            }
        }
    }
    finish();
}

void FleetRun::queueConfirmation(int index, std::function<void(bool)> answer)
{
    m_pending.insert(index, std::move(answer));
    presentNext();
}

void FleetRun::presentNext()
{
    if (m_mode != Mode::ConfirmEach || m_awaiting != NoTarget || m_cancelled)
        return;
    // Registers are started in target order, so every one before a waiting
    // register has at least begun: confirmations come in target order.
    while (m_confirmNext < m_outcomes.size() && !m_pending.contains(m_confirmNext)
           && (m_answered.at(m_confirmNext) || m_outcomes.at(m_confirmNext).final()))
        ++m_confirmNext;
    if (!m_pending.contains(m_confirmNext))
        return;
    m_awaiting = m_confirmNext;
    emit confirmationNeeded(m_awaiting);
}

void FleetRun::confirm(bool write)
{
    if (!m_running || m_awaiting == NoTarget)
        return;
    const int index = m_awaiting;
    m_awaiting = NoTarget;
    if (index == AllTargets) {
        if (!write)
            return finish();
        return startCommits();
    }
    const std::function<void(bool)> answer = m_pending.take(index);
    m_answered[index] = true;
    answer(write);
    presentNext();
}

void FleetRun::startCommits()
{
    m_committing = true;
    QVector<int> compared;
    for (int i = 0; i < m_outcomes.size(); ++i) {
        if (m_outcomes.at(i).status == FleetOutcome::Compared)
            compared.append(i);
    }
    m_runner.start(compared, [this](int index) { return makeJob(index); });
}

void FleetRun::cancel()
{
    if (!m_running || m_cancelled)
        return;
    m_cancelled = true;
    m_runner.stop();
    if (m_awaiting == AllTargets) {
        // Every register is prepared and nothing runs: stop at once.
        m_awaiting = NoTarget;
        return finish();
    }
    // Registers waiting for their turn write nothing; their jobs end now.
    m_awaiting = NoTarget;
    const QMap<int, std::function<void(bool)>> pending = std::exchange(m_pending, {});
    for (auto it = pending.cbegin(); it != pending.cend(); ++it) {
        m_answered[it.key()] = true;
        it.value()(false);
    }
}

void FleetRun::finish()
{
    if (!m_running)
        return;
    for (int i = 0; i < m_outcomes.size(); ++i) {
        const FleetOutcome::Status s = m_outcomes.at(i).status;
        if (s == FleetOutcome::Waiting || (s == FleetOutcome::Compared && m_mode != Mode::DryRun)) {
            settle(i, FleetOutcome::Skipped,
                   m_cancelled ? stoppedText() : tr("Запись не подтверждена; в ККТ ничего не записано."));
        }
    }
    m_running = false;
    m_awaiting = NoTarget;
    emit finished();
}

void FleetRun::settle(int index, FleetOutcome::Status status, const QString &message, int code,
                      bool writeBegun)
{
    FleetOutcome &o = m_outcomes[index];
    o.status = status;
    o.message = message;
    o.code = code;
    o.writeBegun = writeBegun;
    o.explanation = code != 0 ? resultExplanation(code, writeBegun) : QString();
    emit outcomeChanged(index);
    if (o.final())
        presentNext();
}

// --- one register ----------------------------------------------------------------

FleetRun::Job::Job(FleetRun &run, int index)
    : FleetJob(index)
    , m_run(run)
{
}

void FleetRun::Job::start()
{
    if (m_run.m_committing)
        return commit([this] { finish(); });
    prepare([this] { afterPrepare(); });
}

void FleetRun::Job::afterPrepare()
{
    if (outcome().status != FleetOutcome::Compared)
        return finish();
    switch (m_run.m_mode) {
    case Mode::DryRun:
    case Mode::ConfirmAll:
        return finish();
    case Mode::WithoutConfirmation:
        if (skippedByStop())
            return finish();
        return commit([this] { finish(); });
    case Mode::ConfirmEach:
        if (skippedByStop())
            return finish();
        return m_run.queueConfirmation(index(), [this](bool write) { onAnswer(write); });
    }
}

void FleetRun::Job::onAnswer(bool write)
{
    if (write)
        return commit([this] { finish(); });
    if (!skippedByStop())
        settle(FleetOutcome::Skipped, tr("Запись в эту ККТ не подтверждена."));
    finish();
}

void FleetRun::Job::reachAndReadParams(Done done, Then then)
{
    step(Step::Probe);
    const FleetTarget target = outcome().target;
    probe(target.address, [this, target, done, then](int code) {
        if (code != 0) {
            settle(FleetOutcome::Unreachable, tr("ККТ по адресу %1 не доступен").arg(target.address));
            return done();
        }
        step(Step::Read);
        runJob([this, target] { return controller().readParams(target.address, target.port); }, then);
    });
}

QString FleetRun::Job::guard(int family, int *code) const
{
    // The texts of the snapshot's own checks, which say the same thing.
    const DeviceController &c = controller();
    SnapshotResult r;
    r.reportedSerial = c.serial();
    r.reportedVersion = fleetVersionText(c.versionMajor(), c.versionMinor(), c.versionBuild());
    r.expectedSerial = expectedSerial();
    r.expectedFamily = family;
    const int reported = Frame::firmwareFamily(c.versionMajor(), c.versionMinor(), c.versionBuild());
    if (r.reportedSerial != r.expectedSerial) {
        r.status = SnapshotResult::SerialMismatch;
        r.code = ErrSerialMismatch;
    } else if (family == 0 && reported == 0) {
        *code = ErrFamilyMismatch;
        return tr("Версия ККТ %1 не поддерживается; в ККТ ничего не записано.").arg(r.reportedVersion);
    } else if (family != 0 && reported != family) {
        r.status = SnapshotResult::FamilyMismatch;
        r.code = ErrFamilyMismatch;
    } else {
        return QString();
    }
    *code = r.code;
    return r.text();
}

bool FleetRun::Job::writeRefused(int result, int family)
{
    if (result != ErrSerialMismatch && result != ErrFamilyMismatch)
        return false;
    // The writing connection reached another register: say which.
    const DeviceController::Reported reported = controller().reported();
    SnapshotResult r;
    r.status = result == ErrSerialMismatch ? SnapshotResult::SerialMismatch : SnapshotResult::FamilyMismatch;
    r.reportedSerial = reported.serial;
    r.reportedVersion = fleetVersionText(reported.versionMajor, reported.versionMinor, reported.versionBuild);
    r.expectedSerial = expectedSerial();
    r.expectedFamily = family;
    settle(FleetOutcome::Refused, r.text(), result);
    return true;
}

bool FleetRun::Job::writeFailed(int result)
{
    if (result == ResultOk)
        return false;
    settle(FleetOutcome::Failed, tr("Ошибка выгрузки. %1").arg(result), result, controller().writeBegun());
    return true;
}

bool FleetRun::Job::readBackFailed(int result)
{
    if (result != ResultOk) {
        settle(
            FleetOutcome::Failed,
            tr("Записано, но прочитать записанное для проверки не удалось. Ошибка загрузки. %1").arg(result),
            result);
        return true;
    }
    if (controller().serial() != expectedSerial()) {
        failWithout(tr("записано, не проверено"),
                    tr("Записано, но для проверки ответила ККТ с другим заводским номером %1; записанное не "
                       "проверено.")
                        .arg(displayText(controller().serial())));
        return true;
    }
    return false;
}

bool FleetRun::Job::skippedByStop()
{
    if (!m_run.m_cancelled)
        return false;
    settle(FleetOutcome::Skipped, stoppedText());
    return true;
}

QString FleetRun::Job::expectedSerial() const
{
    const FleetOutcome &o = outcome();
    return o.target.serial.isEmpty() ? o.serial : o.target.serial;
}
