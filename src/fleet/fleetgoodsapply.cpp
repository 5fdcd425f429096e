#include "fleetgoodsapply.h"

#include "goods/goodscheck.h"
#include "goods/goodsdiff.h"
#include "goods/goodsimage.h"
#include "history/snapshottaker.h"
#include "link/devicecontroller.h"
#include "link/devicejob.h"
#include "link/frame.h"
#include "link/taggedrecord.h"
#include "params/deviceparams.h"
#include "params/paramsdiff.h"

class FleetGoodsApply::GoodsJob : public FleetRun::Job
{
public:
    GoodsJob(FleetGoodsApply &apply, int index)
        : Job(apply, index)
        , m_apply(apply)
    {
    }

protected:
    void prepare(Done done) override;
    void commit(Done done) override;

private:
    void onParams(int result, Done done);
    void onGoods(int result);
    // Empty when the catalogue fits the register; else why not.
    QString misfit(int capacity, int departments, QString *cause) const;
    void onChecked(int result, Done done);
    void snapshotThenWrite(Done done);
    void onWritten(int result, Done done);
    void onReadBack(int result);

    // A goods read that failed, or was answered by another register: settled.
    bool settledRead(int result, const QString &failed);

    const FleetGoodsApply &m_apply;
    int m_family = 0; // as the parameter read found it
    int m_departments = DeviceParams::DepartmentCount;
};

FleetGoodsApply::FleetGoodsApply(const GoodsList &rows, QObject *parent)
    : FleetRun(parent)
    , m_rows(rows)
    , m_image(buildGoodsImage(rows, true))
{
}

FleetGoodsApply::~FleetGoodsApply() = default;

std::unique_ptr<FleetRun::Job> FleetGoodsApply::makeJob(int index)
{
    return std::make_unique<GoodsJob>(*this, index);
}

QString FleetGoodsApply::stepText(Step step) const
{
    switch (step) {
    case Step::Read:
        return tr("чтение настроек и номенклатуры, проверка заводского номера");
    case Step::Snapshot:
        return tr("снимок номенклатуры перед записью");
    case Step::Check:
        return tr("проверка, что номенклатура ККТ не изменилась");
    default:
        return FleetRun::stepText(step);
    }
}

bool FleetGoodsApply::holdsImage(const QByteArray &read, const QByteArray &image)
{
    // A goods read begins after the header record and goes on at least to
    // the end of the page holding the terminator, where the image ends too.
    return image.size() >= GoodsRecordSize && read.startsWith(image.mid(GoodsRecordSize));
}

bool FleetGoodsApply::GoodsJob::settledRead(int result, const QString &failed)
{
    if (result != ResultOk) {
        settle(FleetOutcome::Failed, failed.arg(result), result);
        return true;
    }
    int code = 0;
    const QString refusal = guard(0, &code);
    if (refusal.isEmpty())
        return false;
    settle(FleetOutcome::Refused, refusal, code);
    return true;
}

// --- prepare -----------------------------------------------------------------------

void FleetGoodsApply::GoodsJob::prepare(Done done)
{
    reachAndReadParams(done, [this, done](int result) { onParams(result, done); });
}

void FleetGoodsApply::GoodsJob::onParams(int result, Done done)
{
    FleetOutcome &o = outcome();
    if (result != ResultOk) {
        settle(FleetOutcome::Failed, tr("Ошибка загрузки. %1\nВ ККТ ничего не записано.").arg(result),
               result);
        return done();
    }
    const DeviceController &c = controller();
    o.serial = c.serial();
    o.version = fleetVersionText(c.versionMajor(), c.versionMinor(), c.versionBuild());
    int code = 0;
    const QString refusal = guard(0, &code);
    if (!refusal.isEmpty()) {
        settle(FleetOutcome::Refused, refusal, code);
        return done();
    }
    m_family = Frame::firmwareFamily(c.versionMajor(), c.versionMinor(), c.versionBuild());
    // The register's configured department count, when its parameters say one.
    if (const std::unique_ptr<DeviceParams> params { DeviceParams::create(o.version) }) {
        params->fromImage(TaggedRecord::find(c.data(), TaggedRecord::ParameterImageTag),
                          TaggedRecord::find(c.data(), TaggedRecord::SystemImageTag));
        GoodsCheckLimits limits;
        limits.takeSettings(*params);
        if (limits.departmentsInUse > 0)
            m_departments = limits.departmentsInUse;
    }
    // Between two reads a stop ends the register here.
    if (skippedByStop())
        return done();
    const FleetTarget target = o.target;
    runJob([this, target] { return controller().readGoods(target.address, target.port); },
           [this, done](int result) {
               onGoods(result);
               done();
           });
}

QString FleetGoodsApply::GoodsJob::misfit(int capacity, int departments, QString *cause) const
{
    const GoodsList &rows = m_apply.m_rows;
    const int limit = effectiveGoodsCapacity(capacity) - 1;
    if (rows.size() > limit) {
        *cause = tr("не помещается в ККТ");
        return tr("Номенклатура не помещается в ККТ: строк %1, ёмкость ККТ %2.").arg(rows.size()).arg(limit);
    }
    for (const Goods &g : rows) {
        if (g.dept < 1 || g.dept > departments) {
            *cause = tr("нет такого отдела в ККТ");
            return tr("Товар %1 отнесён к отделу %2, а в ККТ настроено отделов: %3.")
                .arg(goodsRowName(g))
                .arg(g.dept)
                .arg(departments);
        }
    }
    return QString();
}

void FleetGoodsApply::GoodsJob::onGoods(int result)
{
    FleetOutcome &o = outcome();
    if (settledRead(result, tr("Номенклатура не прочитана. Ошибка загрузки. %1\nВ ККТ ничего не записано.")))
        return;
    const DeviceController &c = controller();
    o.goodsCapacity = c.goodsCapacity();
    o.before = c.data();
    o.after = m_apply.m_image;
    QString cause;
    const QString reason = misfit(c.goodsCapacity(), m_departments, &cause);
    if (!reason.isEmpty())
        return failWithout(cause, reason + tr(" В ККТ ничего не записано."));
    const GoodsComparison comparison = compareGoods(parseGoodsImage(o.before), m_apply.m_rows);
    o.differences = comparison.lines();
    if (holdsImage(o.before, o.after))
        return settle(FleetOutcome::Unchanged, tr("Эта номенклатура в ККТ уже есть; записывать нечего."));
    if (comparison.isEmpty())
        o.differences.append(tr("(строки те же, но записи в ККТ хранятся иначе: они будут записаны заново)"));
    o.status = FleetOutcome::Compared;
    o.message = run().mode() == Mode::DryRun ? tr("Пробный запуск: в ККТ ничего не записано.") : QString();
    emit run().outcomeChanged(index());
}

// --- commit ------------------------------------------------------------------------

void FleetGoodsApply::GoodsJob::commit(Done done)
{
    // Without a person's confirmation in between, the read of prepare() was
    // a moment ago; after one, the register may have been changed since.
    if (run().mode() == Mode::WithoutConfirmation)
        return snapshotThenWrite(std::move(done));
    step(Step::Check);
    const FleetTarget target = outcome().target;
    runJob([this, target] { return controller().readGoods(target.address, target.port); },
           [this, done](int result) { onChecked(result, done); });
}

void FleetGoodsApply::GoodsJob::onChecked(int result, Done done)
{
    if (settledRead(result, tr("Номенклатура не прочитана. Ошибка загрузки. %1\nВ ККТ ничего не записано.")))
        return done();
    FleetOutcome &o = outcome();
    const QByteArray now = controller().data();
    if (now != o.before) {
        o.details = compareGoods(parseGoodsImage(o.before), parseGoodsImage(now)).lines();
        failWithout(tr("ККТ изменилась после сравнения"),
                    tr("Номенклатура ККТ изменилась после сравнения, поэтому в неё ничего не записано. "
                       "Запишите номенклатуру в неё заново."));
        return done();
    }
    snapshotThenWrite(std::move(done));
}

void FleetGoodsApply::GoodsJob::snapshotThenWrite(Done done)
{
    // Only now that the write goes ahead; the controller still holds the
    // goods read just made (prepare's, or the re-read that found it unchanged).
    FleetOutcome &o = outcome();
    step(Step::Snapshot);
    const SnapshotResult snapshot = SnapshotTaker(controller(), SnapshotOrigin::Fleet, run().store())
                                        .storeGoods(ResultOk, expectedSerial());
    if (!snapshot.ok()) {
        o.snapshotNotStored = snapshot.status == SnapshotResult::NotStored;
        failWithout(tr("снимок не сохранён"), snapshot.text());
        return done();
    }
    o.snapshot = snapshot.snapshot;

    step(Step::Write);
    const FleetTarget target = o.target;
    const QByteArray image = o.after;
    const QString serial = expectedSerial();
    const int family = m_family;
    runJob([this, target, image, serial,
            family] { return controller().writeGoods(target.address, target.port, image, serial, family); },
           [this, done](int result) { onWritten(result, done); });
}

void FleetGoodsApply::GoodsJob::onWritten(int result, Done done)
{
    if (writeRefused(result, m_family) || writeFailed(result))
        return done();
    step(Step::ReadBack);
    const FleetTarget target = outcome().target;
    runJob([this, target] { return controller().readGoods(target.address, target.port); },
           [this, done](int result) {
               onReadBack(result);
               done();
           });
}

void FleetGoodsApply::GoodsJob::onReadBack(int result)
{
    if (readBackFailed(result))
        return;
    FleetOutcome &o = outcome();
    const QByteArray read = controller().data();
    if (!holdsImage(read, o.after)) {
        o.details = compareGoods(m_apply.m_rows, parseGoodsImage(read)).lines();
        return failWithout(tr("записано, но прочитано другое"),
                           tr("Записано, но прочитанная из ККТ номенклатура отличается от записанной."));
    }
    settle(FleetOutcome::Verified, tr("Записано; прочитанная из ККТ номенклатура совпадает с записанной."));
}
