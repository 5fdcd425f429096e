#include "deviceparams52.h"

#include "params/sharedlayout.h"

// Layout of the family 2.52 images, one function object a section or record,
// fields in image order.

namespace {

constexpr int TradeStart = 0x000;
constexpr int OrganisationStart = 0x100;
constexpr int UsersStart = 0x200;
constexpr int OfdStart = 0x900;
constexpr int SlotSize = 64;

// Shared by all nine default users; the register only carries it.
constexpr qint32 DefaultKeptValue = 0x00010000;

struct TradeLayout
{
    template<class Io, class T> void operator()(Io &io, T &t) const
    {
        io.integer(t.signature);
        io.raw(t.reserved12);
        TradeSharedLayout()(io, t);
        io.integer(t.defaultCashier);
        io.integer(t.reserved16);
        io.untouched(44);
    }
};

struct OrganisationLayout
{
    template<class Io, class T> void operator()(Io &io, T &o) const
    {
        io.text(o.inn);
        io.untouched(4);
        io.text(o.name);
        io.untouched(10);
        io.text(o.address);
        io.untouched(10);
    }
};

// 32 bytes; the last is the XOR of the others as written.
struct UserLayout
{
    template<class Io, class T> void operator()(Io &io, T &u) const
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
};

struct OfdLayout
{
    template<class Io, class T> void operator()(Io &io, T &o) const
    {
        io.text(o.address);
        io.integer(o.port);
        io.integer(o.connectTimer);
        io.integer(o.fnPollTimer);
        io.text(o.ofdSite);
        io.raw(o.inn);
        io.untouched(116);
    }
};

// One 64-byte slot of the system image, with its XOR check byte.
struct RegistrationLayout
{
    template<class Io, class T> void operator()(Io &io, T &r) const
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
};

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
    setTradeDefaults(tradeConfig);
    tradeConfig.printDensity = 2;
    ofd.fnPollTimer = 30;
    ofd.connectTimer = 30;
    ofd.inn.setBytes(QByteArray(PackedBcd::Size, '\0'));
    users = defaultUsers();
}

void DeviceParams52::fromImage(const QByteArray &params, const QByteArray &system)
{
    if (params.isEmpty())
        return;
    readSection(params, TradeStart, PageSize / 2, tradeConfig, TradeLayout());
    readSection(params, OrganisationStart, PageSize, organisation, OrganisationLayout());
    readPositions(params);
    readDepartments(params);
    readRecords(params, UsersStart, 2 * PageSize, UserCount, users, UserLayout());
    readReceipts(params);
    readSection(params, OfdStart, PageSize, ofd, OfdLayout());

    // The history ends at the first slot without the marker, even if later
    // slots hold records.
    registrations.clear();
    ImageReader history(system, 0, RegistrationSlots * SlotSize);
    for (int i = 0; i < RegistrationSlots; ++i) {
        RegistrationRecord52 r;
        RegistrationLayout()(history, r);
        if (r.marker != RegistrationRecord52::Marker)
            break;
        registrations.append(r);
    }
}

void DeviceParams52::toImage(QByteArray &params, QByteArray &system) const
{
    writeSection(params, TradeStart, tradeConfig, TradeLayout());
    writeSection(params, OrganisationStart, organisation, OrganisationLayout());
    writePositions(params);
    writeDepartments(params);
    writeRecords(params, UsersStart, UserCount, users, UserLayout());
    writeReceipts(params);
    writeSection(params, OfdStart, ofd, OfdLayout());

    ImageWriter history(system, 0);
    for (int i = 0; i < RegistrationSlots; ++i) {
        if (i < registrations.size())
            RegistrationLayout()(history, registrations.at(i));
        else
            history.zeros(SlotSize);
    }
}
