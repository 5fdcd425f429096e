#include "deviceparams52.h"

#include "params/imagereader.h"
#include "params/imagewriter.h"

// Layout of the family 2.52 images. Each function lists one section's fields
// in image order; ImageReader and ImageWriter walk the same list.

namespace {

constexpr int TradeStart = 0x000;
constexpr int OrganisationStart = 0x100;
constexpr int UsersStart = 0x200;
constexpr int OfdStart = 0x900;
constexpr int SlotSize = 64;

// Shared by all nine default users; the register only carries it.
constexpr qint32 DefaultKeptValue = 0x00010000;

template<class Io, class T> void tradeLayout(Io &io, T &t)
{
    io.integer(t.signature);
    io.raw(t.reserved12);
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
    io.integer(t.defaultCashier);
    io.integer(t.reserved16);
    io.untouched(44);
}

template<class Io, class T> void organisationLayout(Io &io, T &o)
{
    io.text(o.inn);
    io.untouched(4);
    io.text(o.name);
    io.untouched(10);
    io.text(o.address);
    io.untouched(10);
}

template<class Io, class T> void userLayout(Io &io, T &u)
{
    const int start = io.pos();
    io.integer(u.number);
    io.integer(u.rights);
    io.raw(u.barcode);
    io.integer(u.flags);
    io.text(u.name);
    io.integer(u.keptValue);
    io.integer(u.position);
    io.zeros(1);
    io.checkByte(start);
}

template<class Io, class T> void ofdLayout(Io &io, T &o)
{
    io.text(o.address);
    io.integer(o.port);
    io.integer(o.connectTimer);
    io.integer(o.fnPollTimer);
    io.text(o.ofdSite);
    io.raw(o.inn);
    io.untouched(116);
}

template<class Io, class T> void registrationLayout(Io &io, T &r)
{
    const int start = io.pos();
    io.integer(r.marker);
    io.integer(r.day);
    io.integer(r.month);
    io.integer(r.yearFrom2000);
    io.integer(r.hour);
    io.integer(r.minute);
    io.text(r.regNumber);
    io.text(r.inn);
    io.text(r.fnNumber);
    io.integer(r.taxSystems);
    io.integer(r.workModes);
    io.integer(r.closed);
    io.zeros(3);
    io.checkByte(start);
}

QVector<UserRecord52> defaultUsers()
{
    const char *const names[DeviceParams52::UserCount] = {
        "Кассир 1",     "Кассир 2", "Кассир 3", "Кассир 4", "Ст. кассир 1",
        "Ст. кассир 2", "Админ. 1", "Админ. 2", "АСЦ",
    };
    const qint8 rights[DeviceParams52::UserCount] = { 1, 1, 1, 1, 2, 2, 3, 3, 4 };
    QVector<UserRecord52> users;
    for (int i = 0; i < DeviceParams52::UserCount; ++i) {
        UserRecord52 u;
        u.name.setText(QString::fromUtf8(names[i]));
        // Twelve digits for most, eleven (a UPC-A code) for one, none for the
        // service engineer.
        if (i < 7)
            u.barcode.setDigits(QStringLiteral("2990000001%1").arg(i + 1, 2, 10, QLatin1Char('0')));
        else if (i == 7)
            u.barcode.setDigits(QStringLiteral("29900000108"));
        else
            u.barcode.setDigits(QString());
        u.number = qint8(i + 1);
        u.keptValue = DefaultKeptValue;
        u.rights = rights[i];
        u.position = 1;
        u.flags = i == 6 ? UserActive : i == 8 ? UserHidden : 0;
        users.append(u);
    }
    return users;
}

} // namespace

DeviceParams52::DeviceParams52(QObject *parent)
    : DeviceParams(parent)
{
    tradeConfig.signature = 0x1234;
    tradeConfig.defaultDepartment = 1;
    tradeConfig.departmentCount = 1;
    tradeConfig.internalCodeLength = 5;
    tradeConfig.weightPrefix = 21;
    tradeConfig.printDensity = 2;
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
    ofd.fnPollTimer = 30;
    ofd.connectTimer = 30;
    ofd.inn.setBytes(QByteArray(PackedBcd::Size, '\0'));
    users = defaultUsers();
}

void DeviceParams52::fromImage(const QByteArray &params, const QByteArray &system)
{
    if (params.isEmpty())
        return;
    positions.clear();
    departments.clear();
    users.clear();
    registrations.clear();

    ImageReader trade(params, TradeStart, PageSize / 2);
    tradeLayout(trade, tradeConfig);
    ImageReader org(params, OrganisationStart, PageSize);
    organisationLayout(org, organisation);
    readPositions(params);
    readDepartments(params);
    ImageReader userIn(params, UsersStart, 2 * PageSize);
    for (int k = 0; k < UserCount; ++k) {
        UserRecord52 u;
        userLayout(userIn, u);
        users.append(u);
    }
    readReceipts(params);
    ImageReader ofdIn(params, OfdStart, PageSize);
    ofdLayout(ofdIn, ofd);

    // The history ends at the first slot without the marker, even if later
    // slots hold records.
    ImageReader history(system, 0, RegistrationSlots * SlotSize);
    for (int i = 0; i < RegistrationSlots; ++i) {
        RegistrationRecord52 r;
        registrationLayout(history, r);
        if (r.marker != RegistrationRecord52::Marker)
            break;
        registrations.append(r);
    }
}

void DeviceParams52::toImage(QByteArray &params, QByteArray &system) const
{
    ImageWriter trade(params, TradeStart);
    tradeLayout(trade, tradeConfig);
    ImageWriter org(params, OrganisationStart);
    organisationLayout(org, organisation);
    writePositions(params);
    writeDepartments(params);
    ImageWriter userOut(params, UsersStart);
    for (int k = 0; k < UserCount; ++k) {
        const UserRecord52 u = recordAt(users, k);
        userLayout(userOut, u);
    }
    writeReceipts(params);
    ImageWriter ofdOut(params, OfdStart);
    ofdLayout(ofdOut, ofd);

    ImageWriter history(system, 0);
    for (int i = 0; i < RegistrationSlots; ++i) {
        if (i < registrations.size())
            registrationLayout(history, registrations.at(i));
        else
            history.zeros(SlotSize);
    }
}
