#include "inventory.h"

#include "fleet/fleetjob.h"
#include "goods/goodscheck.h"
#include "goods/goodsimage.h"
#include "link/devicecontroller.h"
#include "link/devicejob.h"
#include "link/frame.h"
#include "link/taggedrecord.h"
#include "params/deviceparams52.h"
#include "params/deviceparams53.h"
#include "params/deviceprofile.h"
#include "tabs/tabrules.h"

#include <QCoreApplication>
#include <QJsonArray>

#include <memory>

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("Inventory", text);
}

QVariant count(int n)
{
    return n >= 0 ? QVariant(n) : QVariant();
}

// The goods checks as goods-check with the register's parameters gives them:
// its capacity, configured departments and maximum price.
GoodsCheckLimits goodsLimits(const DeviceParams &params, int capacity)
{
    GoodsCheckLimits limits;
    limits.capacity = capacity;
    limits.takeSettings(params);
    return limits;
}

void describeGoods(InventoryLine &line, const GoodsList &rows, const GoodsCheckLimits &limits)
{
    line.goodsRows = rows.size();
    line.goodsCapacity = limits.capacity;
    line.goodsFindings = checkGoods(rows, limits).size();
}

} // namespace

QString InventoryLine::linkText() const
{
    switch (link) {
    case Link::Waiting:
        return tr("ожидает");
    case Link::Online:
        return tr("в сети");
    case Link::Silent:
        return tr("нет связи");
    case Link::Failed:
        return tr("ошибка %1").arg(code);
    case Link::NoAddress:
        return tr("нет адреса");
    case Link::Skipped:
        return tr("не опрошена");
    }
    return QString();
}

QString InventoryLine::sourceText() const
{
    if (fromProfile)
        return tr("профиль");
    return link == Link::Online ? tr("ККТ") : QString();
}

QString InventoryColumns::header(int column)
{
    switch (column) {
    case Address:
        return tr("Адрес");
    case Name:
        return tr("Название");
    case Serial:
        return tr("Заводской номер");
    case Version:
        return tr("Версия");
    case Family:
        return tr("Семейство");
    case RegNumber:
        return tr("Регистрационный номер");
    case FnNumber:
        return tr("Номер ФН");
    case OrgInn:
        return tr("ИНН организации");
    case OfdInn:
        return tr("ИНН ОФД");
    case OfdName:
        return tr("ОФД");
    case GoodsRows:
        return tr("Товаров");
    case GoodsCapacity:
        return tr("Ёмкость");
    case Link:
        return tr("Связь");
    case ParamFindings:
        return tr("Замечаний в параметрах");
    case GoodsFindings:
        return tr("Замечаний в номенклатуре");
    case Source:
        return tr("Данные из");
    case Notes:
        return tr("Примечание");
    }
    return QString();
}

QString InventoryColumns::key(int column)
{
    static const char *const keys[Count] = {
        "address",         "name",   "serial",  "version",   "family",        "regNumber", "fnNumber",
        "organisationInn", "ofdInn", "ofdName", "goodsRows", "goodsCapacity", "link",      "paramFindings",
        "goodsFindings",   "source", "notes",
    };
    return column >= 0 && column < Count ? QString::fromLatin1(keys[column]) : QString();
}

QVariant InventoryColumns::value(const InventoryLine &line, int column)
{
    switch (column) {
    case Address:
        return line.target.address;
    case Name:
        return line.name;
    case Serial:
        return line.serial;
    case Version:
        return line.version;
    case Family:
        return line.family ? QStringLiteral("2.%1").arg(line.family) : QString();
    case RegNumber:
        return line.regNumber;
    case FnNumber:
        return line.fnNumber;
    case OrgInn:
        return line.orgInn;
    case OfdInn:
        return line.ofdInn;
    case OfdName:
        return line.ofdName;
    case GoodsRows:
        return count(line.goodsRows);
    case GoodsCapacity:
        return count(line.goodsCapacity);
    case Link:
        return line.linkText();
    case ParamFindings:
        return count(line.paramFindings);
    case GoodsFindings:
        return count(line.goodsFindings);
    case Source:
        return line.sourceText();
    case Notes:
        return line.notes.join(QStringLiteral("; "));
    }
    return QVariant();
}

QString InventoryColumns::text(const InventoryLine &line, int column)
{
    return value(line, column).toString();
}

QJsonValue InventoryColumns::json(const InventoryLine &line, int column)
{
    switch (column) {
    case Link:
        switch (line.link) {
        case InventoryLine::Link::Waiting:
            return QStringLiteral("waiting");
        case InventoryLine::Link::Online:
            return QStringLiteral("online");
        case InventoryLine::Link::Silent:
            return QStringLiteral("silent");
        case InventoryLine::Link::Failed:
            return QStringLiteral("failed");
        case InventoryLine::Link::NoAddress:
            return QStringLiteral("noAddress");
        case InventoryLine::Link::Skipped:
            return QStringLiteral("skipped");
        }
        return QJsonValue();
    case Source:
        if (line.fromProfile)
            return QStringLiteral("profile");
        return line.link == InventoryLine::Link::Online ? QJsonValue(QStringLiteral("register"))
                                                        : QJsonValue();
    case Notes:
        return QJsonValue::fromVariant(line.notes);
    default:
        break;
    }
    const QVariant v = value(line, column);
    if (!v.isValid() || (v.type() == QVariant::String && v.toString().isEmpty()))
        return QJsonValue();
    return QJsonValue::fromVariant(v);
}

QVector<QStringList> InventoryColumns::table(const QVector<InventoryLine> &lines)
{
    QVector<QStringList> out;
    QStringList headers;
    for (int c = 0; c < Count; ++c)
        headers.append(header(c));
    out.append(headers);
    for (const InventoryLine &line : lines) {
        QStringList texts;
        for (int c = 0; c < Count; ++c)
            texts.append(text(line, c));
        out.append(texts);
    }
    return out;
}

// --- one register ----------------------------------------------------------------

// Reachability, the parameters, then the goods, on the register's own
// controller. Reads only, so a stop ends the read under way at once.
class Inventory::ReadJob : public FleetJob
{
public:
    ReadJob(Inventory &inventory, int index)
        : FleetJob(index)
        , m_inventory(inventory)
    {
    }

    void start() override;
    void onStop() override { controller().stop(); }

private:
    InventoryLine &line() const { return m_inventory.m_lines[index()]; }
    void changed() { emit m_inventory.lineChanged(index()); }
    // The line of a register that could not be read: its profile, where one exists.
    void endFromProfile(InventoryLine::Link link, const QString &note, int code = 0);
    void onParams(int result);
    void onGoods(int result);

    Inventory &m_inventory;
    QString m_serial; // as the parameter read reported it
    GoodsCheckLimits m_limits; // from the parameter read
};

void Inventory::ReadJob::start()
{
    const InventoryTarget target = line().target;
    if (target.address.isEmpty())
        return endFromProfile(InventoryLine::Link::NoAddress, QString());
    probe(target.address, [this, target](int code) {
        if (code != 0)
            return endFromProfile(InventoryLine::Link::Silent, tr("адрес не отвечает"));
        if (stopRequested())
            return endFromProfile(InventoryLine::Link::Skipped, tr("опрос остановлен"));
        runJob([this, target] { return controller().readParams(target.address, target.port); },
               [this](int result) { onParams(result); });
    });
}

void Inventory::ReadJob::endFromProfile(InventoryLine::Link link, const QString &note, int code)
{
    InventoryLine &l = line();
    l.link = link;
    l.code = code;
    // Known from the device list; the rest only a profile can tell.
    l.serial = l.target.serial;
    if (!note.isEmpty())
        l.notes.append(note);
    if (!l.target.serial.isEmpty() && !describeFromProfile(l, l.target.serial))
        l.notes.append(tr("профиля нет"));
    changed();
    finish();
}

void Inventory::ReadJob::onParams(int result)
{
    if (result == ErrStopped)
        return endFromProfile(InventoryLine::Link::Skipped, tr("опрос остановлен"));
    if (result != ResultOk)
        return endFromProfile(InventoryLine::Link::Failed, tr("параметры не прочитаны"), result);
    InventoryLine &l = line();
    const DeviceController &c = controller();
    l.link = InventoryLine::Link::Online;
    m_serial = c.serial();
    l.serial = m_serial;
    l.name = m_inventory.m_names.value(m_serial, l.target.serial == m_serial ? l.target.name : QString());
    if (!l.target.serial.isEmpty() && l.target.serial != m_serial)
        l.notes.append(tr("по списку по этому адресу ККТ %1").arg(l.target.serial));
    const QString version
        = QStringLiteral("%1.%2.%3").arg(c.versionMajor()).arg(c.versionMinor()).arg(c.versionBuild());
    const int family = Frame::firmwareFamily(c.versionMajor(), c.versionMinor(), c.versionBuild());
    const std::unique_ptr<DeviceParams> params(family ? DeviceParams::create(version) : nullptr);
    if (!params) {
        l.version = version;
        l.notes.append(tr("версия прошивки не поддерживается"));
        changed();
        return finish();
    }
    params->fromImage(TaggedRecord::find(c.data(), TaggedRecord::ParameterImageTag),
                      TaggedRecord::find(c.data(), TaggedRecord::SystemImageTag));
    describe(l, *params, version);
    l.goodsCapacity = c.goodsCapacity();
    m_limits = goodsLimits(*params, c.goodsCapacity());
    changed();
    if (stopRequested()) {
        l.notes.append(tr("номенклатура не прочитана: опрос остановлен"));
        changed();
        return finish();
    }
    const InventoryTarget target = l.target;
    runJob([this, target] { return controller().readGoods(target.address, target.port); },
           [this](int result) { onGoods(result); });
}

void Inventory::ReadJob::onGoods(int result)
{
    InventoryLine &l = line();
    const DeviceController &c = controller();
    if (result == ErrStopped) {
        l.notes.append(tr("номенклатура не прочитана: опрос остановлен"));
    } else if (result != ResultOk) {
        l.goodsCode = result;
        l.notes.append(tr("номенклатура не прочитана: ошибка %1").arg(result));
    } else if (c.serial() != m_serial) {
        // The connection reached another register: its goods are not this one's.
        l.goodsCode = ErrSerialMismatch;
        l.notes.append(tr("номенклатуру сообщила другая ККТ (%1), она не учтена").arg(c.serial()));
    } else {
        describeGoods(l, parseGoodsImage(c.data()), m_limits);
    }
    changed();
    finish();
}

// --- the inventory ---------------------------------------------------------------

Inventory::Inventory(QObject *parent)
    : QObject(parent)
{
    m_runner.setOrigin([this](int index) { return originText(index); });
    connect(&m_runner, &FleetRunner::finished, this, &Inventory::onRunnerFinished);
}

Inventory::~Inventory() = default;

QString Inventory::originText(int index) const
{
    const InventoryTarget &t = m_lines.at(index).target;
    return FleetRunner::originText(m_owner, t.address, t.serial);
}

void Inventory::start(const QList<InventoryTarget> &targets)
{
    if (m_running)
        return;
    m_lines.clear();
    QVector<int> all;
    for (const InventoryTarget &t : targets) {
        InventoryLine line;
        line.target = t;
        line.name = t.name;
        all.append(m_lines.size());
        m_lines.append(line);
    }
    m_cancelled = false;
    m_running = true;
    m_runner.start(all, [this](int index) { return std::make_unique<ReadJob>(*this, index); });
}

void Inventory::cancel()
{
    if (!m_running || m_cancelled)
        return;
    m_cancelled = true;
    m_runner.stop();
}

void Inventory::onRunnerFinished()
{
    for (int i = 0; i < m_lines.size(); ++i) {
        InventoryLine &l = m_lines[i];
        if (l.link != InventoryLine::Link::Waiting)
            continue;
        l.link = InventoryLine::Link::Skipped;
        l.serial = l.target.serial;
        l.notes.append(tr("опрос остановлен"));
        if (!l.target.serial.isEmpty())
            describeFromProfile(l, l.target.serial);
        emit lineChanged(i);
    }
    m_running = false;
    emit finished();
}

void Inventory::describe(InventoryLine &line, const DeviceParams &params, const QString &version)
{
    line.version = version;
    line.family = params.family();
    if (const auto *p53 = qobject_cast<const DeviceParams53 *>(&params)) {
        const RegistrationValues53 ids = registrationValues(p53->registrationIds);
        line.regNumber = ids.regNumber;
        line.fnNumber = ids.fnNumber;
        line.orgInn = orgValues(p53->organisation).inn;
        const OfdValues53 ofd = ofdValues(p53->ofd);
        line.ofdInn = ofd.inn;
        line.ofdName = ofd.name;
    } else if (const auto *p52 = qobject_cast<const DeviceParams52 *>(&params)) {
        // The latest registration is the register's current one.
        if (!p52->registrations.isEmpty()) {
            line.regNumber = p52->registrations.last().regNumber.text();
            line.fnNumber = p52->registrations.last().fnNumber.text();
        }
        line.orgInn = p52->organisation.inn.text();
        line.ofdInn = p52->ofd.inn.digits();
    }
    line.paramFindings = checkParams(params).size();
}

bool Inventory::describeFromProfile(InventoryLine &line, const QString &serial)
{
    QString version;
    int capacity = 0;
    QByteArray params, system, goods;
    DeviceProfile profile;
    profile.load(serial, version, capacity, params, system);
    const std::unique_ptr<DeviceParams> set(DeviceParams::create(version));
    if (params.isEmpty() || !set)
        return false;
    set->fromImage(params, system);
    line.fromProfile = true;
    line.serial = serial;
    if (line.name.isEmpty())
        line.name = line.target.name;
    describe(line, *set, version);
    profile.loadGoods(serial, goods);
    // A profile without goods says nothing about the register's catalogue.
    if (goods.isEmpty())
        line.goodsCapacity = effectiveGoodsCapacity(capacity);
    else
        describeGoods(line, parseGoodsImage(goods), goodsLimits(*set, effectiveGoodsCapacity(capacity)));
    return true;
}
