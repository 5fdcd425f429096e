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

namespace {

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

class FleetApply::ParamsJob : public FleetRun::Job
{
public:
    ParamsJob(FleetApply &apply, int index)
        : Job(apply, index)
        , m_apply(apply)
    {
    }

protected:
    void prepare(Done done) override;
    void commit(Done done) override;

private:
    void onRead(int result);
    void onChecked(int result, Done done);
    void snapshotThenWrite(Done done);
    void write(Done done);
    void onWritten(int result, Done done);
    void onReadBack(int result);

    bool merge(QString *error) const;

    const FleetApply &m_apply;
};

FleetApply::FleetApply(std::unique_ptr<DeviceParams> source, const QList<DeviceTab> &groups, QObject *parent)
    : FleetRun(parent)
    , m_source(std::move(source))
    , m_groups(groups)
    , m_family(m_source ? m_source->family() : 0)
{
}

FleetApply::~FleetApply() = default;

std::unique_ptr<FleetRun::Job> FleetApply::makeJob(int index)
{
    return std::make_unique<ParamsJob>(*this, index);
}

QString FleetApply::stepText(Step step) const
{
    switch (step) {
    case Step::Read:
        return tr("чтение параметров и проверка заводского номера");
    case Step::Snapshot:
        return tr("снимок параметров перед записью");
    case Step::Check:
        return tr("проверка, что параметры ККТ не изменились");
    default:
        return FleetRun::stepText(step);
    }
}

// --- prepare -----------------------------------------------------------------------

void FleetApply::ParamsJob::prepare(Done done)
{
    reachAndReadParams(done, [this, done](int result) {
        onRead(result);
        done();
    });
}

void FleetApply::ParamsJob::onRead(int result)
{
    FleetOutcome &o = outcome();
    if (result != ResultOk)
        return settle(FleetOutcome::Failed, tr("Ошибка загрузки. %1\nВ ККТ ничего не записано.").arg(result),
                      result);
    const DeviceController &c = controller();
    o.serial = c.serial();
    o.version = fleetVersionText(c.versionMajor(), c.versionMinor(), c.versionBuild());
    o.goodsCapacity = c.goodsCapacity();
    int code = 0;
    const QString refusal = guard(m_apply.m_family, &code);
    if (!refusal.isEmpty())
        return settle(FleetOutcome::Refused, refusal, code);
    o.before = parameterImage(c.data());
    o.beforeSystem = systemImage(c.data());

    // What cannot be kept as a parameter file is nothing to write into either.
    ParamFile checked;
    QString error;
    if (!ParamFile::fromJson(paramFile(o, o.before, o.beforeSystem).toJson(), &checked, &error)) {
        return failWithout(
            tr("параметры ККТ не распознаны"),
            tr("Прочитанные из ККТ параметры не распознаны: %1. В ККТ ничего не записано.").arg(error));
    }
    if (!merge(&error))
        return failWithout(tr("данные не перенесены"), tr("%1. В ККТ ничего не записано.").arg(error));
    o.differences
        = paramFileDifferences(paramFile(o, o.before, o.beforeSystem), paramFile(o, o.after, o.afterSystem));
    if (o.after == o.before && o.afterSystem == o.beforeSystem)
        return settle(FleetOutcome::Unchanged, tr("Выбранные данные в ККТ уже такие же; записывать нечего."));

    o.status = FleetOutcome::Compared;
    o.message = run().mode() == Mode::DryRun ? tr("Пробный запуск: в ККТ ничего не записано.") : QString();
    emit run().outcomeChanged(index());
}

bool FleetApply::ParamsJob::merge(QString *error) const
{
    FleetOutcome &o = outcome();
    const std::unique_ptr<DeviceParams> target(DeviceParams::create(o.version));
    if (!target || !m_apply.m_source) {
        *error = tr("Версия ККТ %1 не поддерживается").arg(o.version);
        return false;
    }
    target->fromImage(o.before, o.beforeSystem);
    QByteArray laidParams = o.before;
    QByteArray laidSystem = o.beforeSystem;
    target->toImage(laidParams, laidSystem);
    for (const DeviceTab tab : qAsConst(m_apply.m_groups)) {
        for (const QString &group : FleetGroup::fieldGroups(tab)) {
            if (!target->copyGroup(*m_apply.m_source, group, error))
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

void FleetApply::ParamsJob::commit(Done done)
{
    // Without a person's confirmation in between, the read of prepare() was
    // a moment ago; after one, the register may have been changed since.
    if (run().mode() == Mode::WithoutConfirmation)
        return snapshotThenWrite(std::move(done));
    step(Step::Check);
    const FleetTarget target = outcome().target;
    runJob([this, target] { return controller().readParams(target.address, target.port); },
           [this, done](int result) { onChecked(result, done); });
}

void FleetApply::ParamsJob::onChecked(int result, Done done)
{
    FleetOutcome &o = outcome();
    if (result != ResultOk) {
        settle(FleetOutcome::Failed, tr("Ошибка загрузки. %1\nВ ККТ ничего не записано.").arg(result),
               result);
        return done();
    }
    int code = 0;
    const QString refusal = guard(m_apply.m_family, &code);
    if (!refusal.isEmpty()) {
        settle(FleetOutcome::Refused, refusal, code);
        return done();
    }
    const QByteArray params = parameterImage(controller().data());
    const QByteArray system = systemImage(controller().data());
    if (params != o.before || system != o.beforeSystem) {
        o.details
            = paramFileDifferences(paramFile(o, o.before, o.beforeSystem), paramFile(o, params, system));
        failWithout(tr("ККТ изменилась после сравнения"),
                    tr("Параметры ККТ изменились после сравнения, поэтому в неё ничего не записано. "
                       "Примените изменения к ней заново."));
        return done();
    }
    snapshotThenWrite(std::move(done));
}

void FleetApply::ParamsJob::snapshotThenWrite(Done done)
{
    // Taken only now that the write goes ahead: a register skipped at its
    // confirmation keeps no snapshot, which would push an older one, taken
    // before a real write, out of those kept. The controller still holds the
    // read just made (prepare's, or the re-read that found it unchanged).
    FleetOutcome &o = outcome();
    step(Step::Snapshot);
    const SnapshotResult snapshot = SnapshotTaker(controller(), SnapshotOrigin::Fleet, run().store())
                                        .storeParams(ResultOk, expectedSerial(), m_apply.m_family);
    if (!snapshot.ok()) {
        o.snapshotNotStored = snapshot.status == SnapshotResult::NotStored;
        failWithout(tr("снимок не сохранён"), snapshot.text());
        return done();
    }
    o.snapshot = snapshot.snapshot;
    write(std::move(done));
}

void FleetApply::ParamsJob::write(Done done)
{
    const FleetOutcome &o = outcome();
    step(Step::Write);
    QByteArray records = TaggedRecord::make(TaggedRecord::ParameterImageTag, o.after);
    if (o.afterSystem != o.beforeSystem)
        records += TaggedRecord::make(TaggedRecord::SystemImageTag, o.afterSystem);
    const FleetTarget target = o.target;
    const QString serial = expectedSerial();
    const int family = m_apply.m_family;
    runJob(
        [this, target, records, serial, family] {
            return controller().writeParams(target.address, target.port, records, serial, family);
        },
        [this, done](int result) { onWritten(result, done); });
}

void FleetApply::ParamsJob::onWritten(int result, Done done)
{
    const FleetOutcome &o = outcome();
    if (writeRefused(result, m_apply.m_family) || writeFailed(result))
        return done();
    step(Step::ReadBack);
    const FleetTarget target = o.target;
    runJob([this, target] { return controller().readParams(target.address, target.port); },
           [this, done](int result) {
               onReadBack(result);
               done();
           });
}

void FleetApply::ParamsJob::onReadBack(int result)
{
    if (readBackFailed(result))
        return;
    FleetOutcome &o = outcome();
    const QByteArray params = parameterImage(controller().data());
    const QByteArray system = systemImage(controller().data());
    if (!holdsWritten(params, o.after) || system != o.afterSystem) {
        o.details = paramFileDifferences(paramFile(o, o.after, o.afterSystem), paramFile(o, params, system));
        return failWithout(tr("записано, но прочитано другое"),
                           tr("Записано, но прочитанные из ККТ параметры отличаются от записанных."));
    }
    settle(FleetOutcome::Verified, tr("Записано; прочитанные из ККТ параметры совпадают с записанными."));
}
