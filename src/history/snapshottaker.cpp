#include "snapshottaker.h"

#include "goods/goodsimage.h"
#include "link/devicecontroller.h"
#include "link/devicejob.h"
#include "link/frame.h"
#include "link/resultexplanation.h"
#include "link/taggedrecord.h"
#include "params/paramfile.h"
#include "params/paramsdiff.h"

#include <QCoreApplication>

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("SnapshotTaker", text);
}

QString versionOf(const DeviceController &c)
{
    return QStringLiteral("%1.%2.%3").arg(c.versionMajor()).arg(c.versionMinor()).arg(c.versionBuild());
}

} // namespace

QString SnapshotResult::text() const
{
    const QString what = kind == SnapshotKind::Params ? tr("параметров") : tr("номенклатуры");
    const QString nothing = tr("В ККТ ничего не записано.");
    switch (status) {
    case Stored:
        return tr("Снимок %1 ККТ сохранён в %2").arg(what, snapshot.path);
    case ReadFailed:
        return tr("Ошибка загрузки. %1\nСнимок %2 ККТ перед записью не получен, поэтому в ККТ ничего не "
                  "записано.")
            .arg(code)
            .arg(what);
    case SerialMismatch:
        return tr("Заводской номер ККТ %1 не совпадает с ожидаемым %2. %3")
            .arg(displayText(reportedSerial), displayText(expectedSerial), nothing);
    case FamilyMismatch:
        return tr("Версия ККТ %1 не относится к семейству 2.%2. %3")
            .arg(reportedVersion)
            .arg(expectedFamily)
            .arg(nothing);
    case NotStored:
        return tr("Снимок %1 ККТ перед записью не сохранён: %2. %3").arg(what, error, nothing);
    }
    return QString();
}

QString SnapshotResult::explanation() const
{
    return status == Stored || status == NotStored ? QString() : resultExplanation(code);
}

SnapshotTaker::SnapshotTaker(DeviceController &controller, SnapshotOrigin origin, SnapshotStore store)
    : m_controller(controller)
    , m_origin(origin)
    , m_store(std::move(store))
{
}

SnapshotResult SnapshotTaker::params(const ReadJob &read, const QString &serial, int family)
{
    return storeParams(read(), serial, family);
}

SnapshotResult SnapshotTaker::goods(const ReadJob &read, const QString &serial)
{
    return storeGoods(read(), serial);
}

SnapshotResult SnapshotTaker::checked(SnapshotKind kind, int readResult, const QString &serial,
                                      int family) const
{
    SnapshotResult r;
    r.kind = kind;
    r.expectedSerial = serial;
    r.expectedFamily = family;
    r.code = readResult;
    if (readResult != ResultOk) {
        r.status = SnapshotResult::ReadFailed;
        return r;
    }
    r.reportedSerial = m_controller.serial();
    r.reportedVersion = versionOf(m_controller);
    if (r.reportedSerial != serial) {
        r.status = SnapshotResult::SerialMismatch;
        r.code = ErrSerialMismatch;
    } else if (kind == SnapshotKind::Params
               && Frame::firmwareFamily(m_controller.versionMajor(), m_controller.versionMinor(),
                                        m_controller.versionBuild())
                   != family) {
        r.status = SnapshotResult::FamilyMismatch;
        r.code = ErrFamilyMismatch;
    }
    return r;
}

SnapshotResult SnapshotTaker::storeParams(int readResult, const QString &serial, int family)
{
    SnapshotResult r = checked(SnapshotKind::Params, readResult, serial, family);
    if (!r.ok())
        return r;
    ParamFile file;
    file.serial = r.reportedSerial;
    file.version = r.reportedVersion;
    file.goodsCapacity = m_controller.goodsCapacity();
    file.params = TaggedRecord::find(m_controller.data(), TaggedRecord::ParameterImageTag);
    file.system = TaggedRecord::find(m_controller.data(), TaggedRecord::SystemImageTag);
    file.source
        = tr("снимок перед записью (%1), ККТ %2")
              .arg(SnapshotStore::originText(SnapshotStore::originWord(m_origin)), m_controller.host());
    file.saved = QDateTime::currentDateTime();
    // A snapshot is worth keeping only if it can be read back and written.
    QString reason;
    ParamFile check;
    if (!ParamFile::fromJson(file.toJson(), &check, &reason)) {
        r.status = SnapshotResult::NotStored;
        r.error = tr("прочитанные из ККТ параметры нельзя было бы записать обратно (%1)").arg(reason);
        return r;
    }
    if (!m_store.saveParams(file, m_origin, &r.snapshot, &r.error))
        r.status = SnapshotResult::NotStored;
    return r;
}

SnapshotResult SnapshotTaker::storeGoods(int readResult, const QString &serial)
{
    SnapshotResult r = checked(SnapshotKind::Goods, readResult, serial, 0);
    if (!r.ok())
        return r;
    if (!m_store.saveGoods(serial, parseGoodsImage(m_controller.data()), m_origin, &r.snapshot, &r.error))
        r.status = SnapshotResult::NotStored;
    return r;
}
