#pragma once

#include "params/sharedlayout.h"

// The family 2.53 parameter image (see sharedlayout.h for the notation).
namespace Layout53 {

struct Trade
{
    template<class Io, class T> void operator()(Io &io, T &t) const
    {
        io.kept(0x00, "signature", t.signature);
        io.kept(0x04, "reserved1", t.reserved1);
        io.kept(0x05, "reserved2", t.reserved2);
        io.zeros(0x06, 10);
        TradeSharedLayout()(io, t);
        // One byte wide here, in a two-byte slot whose high byte is written zero.
        io.integer(0x50, "defaultCashier", t.defaultCashier, As<qint8>());
        io.zeros(0x51, 1);
        io.kept(0x52, "reserved16", t.reserved16);
        io.integer(0x54, "paymentKinds", t.paymentKinds);
        io.integer(0x55, "tradeModes", t.tradeModes);
        io.kept(0x56, "opaque7", t.opaque7);
        io.untouched(0x5D, 35);
    }
};

struct Organisation
{
    template<class Io, class T> void operator()(Io &io, T &o) const
    {
        io.text(0x000, "inn", o.inn);
        io.text(0x00D, "email", o.email);
        io.untouched(0x04D, 179);
        io.text(0x100, "name", o.name);
        io.untouched(0x1F0, 16);
        io.text(0x200, "address", o.address);
        io.untouched(0x2F0, 16);
        io.text(0x300, "place", o.place);
        io.untouched(0x3F0, 16);
    }
};

// The image holds the three long texts as name, tax service site, operator site.
struct Ofd
{
    template<class Io, class T> void operator()(Io &io, T &o) const
    {
        io.text(0x000, "address", o.address);
        io.text(0x041, "inn", o.inn);
        io.text(0x100, "name", o.name);
        io.text(0x300, "ofdSite", o.ofdSite);
        io.text(0x200, "fnsSite", o.fnsSite);
        io.integer(0x04E, "port", o.port);
        io.integer(0x052, "fnPollTimer", o.fnPollTimer);
        io.integer(0x050, "connectTimer", o.connectTimer);
        io.untouched(0x054, 172);
    }
};

// 118 bytes, records packed with no gap.
struct User
{
    template<class Io, class T> void operator()(Io &io, T &u) const
    {
        io.text(0, "name", u.name);
        io.text(15, "barcode", u.barcode);
        io.text(29, "inn", u.inn);
        io.text(42, "fullName", u.fullName);
        io.text(107, "password", u.password);
        io.integer(114, "rights", u.rights);
        io.integer(115, "position", u.position);
        io.integer(116, "flags", u.flags);
    }
};

struct RegistrationIds
{
    template<class Io, class T> void operator()(Io &io, T &r) const
    {
        io.identity(0x00, "serialNumber", r.serialNumber);
        io.text(0x14, "regNumber", r.regNumber);
        io.text(0x28, "fnNumber", r.fnNumber);
        io.untouched(0x38, 200);
    }
};

// Every section in the order show prints them; the image holds them at
// their starts, pages 0 to 20.
template<class Io, class Params> void describe(Io &io, Params &p)
{
    constexpr int PageSize = 256;
    io.section("tradeConfig", 0x000, PageSize / 2, p.tradeConfig, Trade());
    io.section("organisation", 0x200, 4 * PageSize, p.organisation, Organisation());
    io.section("ofd", 0xF00, 4 * PageSize, p.ofd, Ofd());
    io.records("users", 0x700, 118, Params::UserCount, p.users, User());
    io.untouched(0x700 + 118 * Params::UserCount, 0xF00 - (0x700 + 118 * Params::UserCount));
    io.section("registrationIds", 0x100, PageSize, p.registrationIds, RegistrationIds());
    describeSharedSections(io, p);
}

} // namespace Layout53
