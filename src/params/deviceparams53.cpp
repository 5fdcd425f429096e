#include "deviceparams53.h"

#include "params/imagereader.h"
#include "params/imagewriter.h"

#include <type_traits>

// Layout of the family 2.53 parameter image. Each function lists one
// section's fields in image order; ImageReader and ImageWriter walk the same
// list, so reading and writing cannot drift apart.

namespace {

constexpr int TradeStart = 0x000;
constexpr int RegistrationStart = 0x100;
constexpr int OrganisationStart = 0x200;
constexpr int UsersStart = 0x700;
constexpr int OfdStart = 0xF00;

template<class Io, class T> void tradeLayout(Io &io, T &t)
{
    io.integer(t.signature);
    io.integer(t.reserved1);
    io.integer(t.reserved2);
    io.zeros(10);
    io.raw(t.opaque1);
    io.raw(t.opaque2);
    io.raw(t.opaque3);
    io.raw(t.opaque4);
    io.integer(t.defaultDepartment);
    io.integer(t.departmentCount);
    io.integer(t.internalCodeLength);
    io.integer(t.weightPrefix);
    io.integer(t.printDensity);
    io.integer(t.fontFlags);
    io.integer(t.keyboardSensitivity);
    io.integer(t.keySound);
    io.integer(t.powerOffTimer);
    io.integer(t.displayMode);
    io.integer(t.printFlags);
    io.integer(t.maxPrice);
    io.zeros(8);
    io.integer(t.maxDeposit);
    io.integer(t.maxQuantity);
    io.integer(t.tradeFlags);
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

template<class Io, class T> void organisationLayout(Io &io, T &o)
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

template<class Io, class T> void userLayout(Io &io, T &u)
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

template<class Io, class T> void ofdLayout(Io &io, T &o)
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

template<class Io, class T> void registrationLayout(Io &io, T &r)
{
    io.text(r.serialNumber);
    io.text(r.regNumber);
    io.text(r.fnNumber);
    io.untouched(200);
}

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
    tradeConfig.signature = 0x1234;
    tradeConfig.defaultDepartment = 1;
    tradeConfig.departmentCount = 1;
    tradeConfig.internalCodeLength = 5;
    tradeConfig.weightPrefix = 21;
    tradeConfig.printDensity = 1;
    tradeConfig.keyboardSensitivity = 4;
    tradeConfig.keySound = 1;
    tradeConfig.powerOffTimer = 5;
    tradeConfig.displayMode = 3;
    tradeConfig.printFlags = 0x000E;
    tradeConfig.maxPrice = 500000000;
    tradeConfig.maxDeposit = 500000000;
    tradeConfig.maxQuantity = 10000000;
    tradeConfig.tradeFlags = 1;
    tradeConfig.defaultCashier = 7;
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
    positions.clear();
    departments.clear();
    users.clear();

    ImageReader trade(params, TradeStart, PageSize / 2);
    tradeLayout(trade, tradeConfig);
    ImageReader org(params, OrganisationStart, 4 * PageSize);
    organisationLayout(org, organisation);
    readPositions(params);
    readDepartments(params);
    ImageReader userIn(params, UsersStart, 8 * PageSize);
    for (int k = 0; k < UserCount; ++k) {
        UserRecord53 u;
        userLayout(userIn, u);
        users.append(u);
    }
    readReceipts(params);
    ImageReader ofdIn(params, OfdStart, 4 * PageSize);
    ofdLayout(ofdIn, ofd);
    ImageReader reg(params, RegistrationStart, PageSize);
    registrationLayout(reg, registrationIds);
}

void DeviceParams53::toImage(QByteArray &params, QByteArray & /*system*/) const
{
    ImageWriter trade(params, TradeStart);
    tradeLayout(trade, tradeConfig);
    ImageWriter org(params, OrganisationStart);
    organisationLayout(org, organisation);
    writePositions(params);
    writeDepartments(params);
    ImageWriter userOut(params, UsersStart);
    for (int k = 0; k < UserCount; ++k) {
        const UserRecord53 u = recordAt(users, k);
        userLayout(userOut, u);
    }
    writeReceipts(params);
    ImageWriter ofdOut(params, OfdStart);
    ofdLayout(ofdOut, ofd);
    ImageWriter reg(params, RegistrationStart);
    registrationLayout(reg, registrationIds);
}
