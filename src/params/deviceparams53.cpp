#include "deviceparams53.h"

#include "params/sharedlayout.h"

#include <type_traits>

// Layout of the family 2.53 parameter image, one function object a section
// or record, fields in image order.

namespace {

constexpr int TradeStart = 0x000;
constexpr int RegistrationStart = 0x100;
constexpr int OrganisationStart = 0x200;
constexpr int UsersStart = 0x700;
constexpr int OfdStart = 0xF00;

struct TradeLayout
{
    template<class Io, class T> void operator()(Io &io, T &t) const
    {
        io.integer(t.signature);
        io.integer(t.reserved1);
        io.integer(t.reserved2);
        io.zeros(10);
        TradeSharedLayout()(io, t);
        // One byte wide here, in a two-byte slot whose high byte is written zero.
        qint8 cashier = qint8(t.defaultCashier);
        io.integer(cashier);
        if constexpr (!std::is_const_v<T>)
            t.defaultCashier = cashier;
        io.zeros(1);
        io.integer(t.reserved16);
        io.integer(t.paymentKinds);
        io.integer(t.tradeModes);
        io.raw(t.opaque7);
        io.untouched(35);
    }
};

struct OrganisationLayout
{
    template<class Io, class T> void operator()(Io &io, T &o) const
    {
        io.text(o.inn);
        io.text(o.email);
        io.untouched(179);
        io.text(o.name);
        io.untouched(16);
        io.text(o.address);
        io.untouched(16);
        io.text(o.place);
        io.untouched(16);
    }
};

// 118 bytes, records packed with no gap.
struct UserLayout
{
    template<class Io, class T> void operator()(Io &io, T &u) const
    {
        io.text(u.name);
        io.text(u.barcode);
        io.text(u.inn);
        io.text(u.fullName);
        io.text(u.password);
        io.integer(u.rights);
        io.integer(u.position);
        io.integer(u.flags);
    }
};

struct OfdLayout
{
    template<class Io, class T> void operator()(Io &io, T &o) const
    {
        io.text(o.address);
        io.text(o.inn);
        io.integer(o.port);
        io.integer(o.connectTimer);
        io.integer(o.fnPollTimer);
        io.untouched(172);
        io.text(o.name);
        io.text(o.fnsSite);
        io.text(o.ofdSite);
    }
};

struct RegistrationLayout
{
    template<class Io, class T> void operator()(Io &io, T &r) const
    {
        io.text(r.serialNumber);
        io.text(r.regNumber);
        io.text(r.fnNumber);
        io.untouched(200);
    }
};

QVector<UserRecord53> defaultUsers()
{
    QVector<UserRecord53> users;
    for (int i = 0; i < DeviceParams53::UserCount; ++i) {
        UserRecord53 u;
        QString name;
        if (i < 10)
            name = QStringLiteral("Кассир %1").arg(i + 1);
        else if (i < 14)
            name = QStringLiteral("Ст. кассир %1").arg(i - 9);
        else
            name = QStringLiteral("Админ. %1").arg(i - 13);
        u.name.setText(name);
        u.fullName.setText(name);
        // Distinct EAN-13 codes of the in-store range; the check digit is the
        // one a stored 12-digit code reads back with.
        const QString digits = QStringLiteral("2990000000%1").arg(i + 1, 2, 10, QLatin1Char('0'));
        u.barcode.setValue(PackedBcd::decodeBarcode(PackedBcd::encode(digits)).toLatin1());
        u.password.setText(QStringLiteral("473"));
        u.rights = i < 10 ? 1 : i < 14 ? 2 : 3;
        u.position = 1;
        u.flags = i == 6 ? UserActive : i == 8 ? UserHidden : 0;
        users.append(u);
    }
    return users;
}

} // namespace

DeviceParams53::DeviceParams53(QObject *parent)
    : DeviceParams(parent)
{
    setTradeDefaults(tradeConfig);
    tradeConfig.printDensity = 1;
    tradeConfig.paymentKinds = 1;
    tradeConfig.tradeModes = 0x11;
    ofd.fnPollTimer = 30;
    ofd.connectTimer = 30;
    users = defaultUsers();
}

void DeviceParams53::fromImage(const QByteArray &params, const QByteArray & /*system*/)
{
    if (params.isEmpty())
        return;
    readSection(params, TradeStart, PageSize / 2, tradeConfig, TradeLayout());
    readSection(params, OrganisationStart, 4 * PageSize, organisation, OrganisationLayout());
    readPositions(params);
    readDepartments(params);
    readRecords(params, UsersStart, 8 * PageSize, UserCount, users, UserLayout());
    readReceipts(params);
    readSection(params, OfdStart, 4 * PageSize, ofd, OfdLayout());
    readSection(params, RegistrationStart, PageSize, registrationIds, RegistrationLayout());
}

void DeviceParams53::toImage(QByteArray &params, QByteArray & /*system*/) const
{
    writeSection(params, TradeStart, tradeConfig, TradeLayout());
    writeSection(params, OrganisationStart, organisation, OrganisationLayout());
    writePositions(params);
    writeDepartments(params);
    writeRecords(params, UsersStart, UserCount, users, UserLayout());
    writeReceipts(params);
    writeSection(params, OfdStart, ofd, OfdLayout());
    writeSection(params, RegistrationStart, registrationIds, RegistrationLayout());
}
