#pragma once

#include "params/sharedlayout.h"

// The family 2.52 parameter image and the registration history in its
// system image (see sharedlayout.h for the notation).
namespace Layout52 {

struct Trade
{
    template<class Io, class T> void operator()(Io &io, T &t) const
    {
        io.kept(0x00, "signature", t.signature);
        // Where the register keeps its serial number.
        io.identity(0x04, "reserved12", t.reserved12);
        TradeSharedLayout()(io, t);
        io.integer(0x50, "defaultCashier", t.defaultCashier);
        io.kept(0x52, "reserved16", t.reserved16);
        io.untouched(0x54, 44);
    }
};

struct Organisation
{
    template<class Io, class T> void operator()(Io &io, T &o) const
    {
        io.text(0x00, "inn", o.inn);
        io.untouched(0x0C, 4);
        io.text(0x10, "name", o.name);
        io.untouched(0x7E, 10);
        io.text(0x88, "address", o.address);
        io.untouched(0xF6, 10);
    }
};

// 32 bytes; the last is the XOR of the others as written.
struct User
{
    template<class Io, class T> void operator()(Io &io, T &u) const
    {
        io.text(10, "name", u.name);
        io.barcode(2, "barcode", u.barcode);
        io.kept(0, "number", u.number);
        io.kept(25, "keptValue", u.keptValue);
        io.integer(1, "rights", u.rights);
        io.integer(29, "position", u.position);
        io.integer(8, "flags", u.flags);
        io.zeros(30, 1);
        io.checkByte(31);
    }
};

struct Ofd
{
    template<class Io, class T> void operator()(Io &io, T &o) const
    {
        io.text(0x00, "address", o.address);
        io.integer(0x40, "port", o.port);
        io.integer(0x44, "fnPollTimer", o.fnPollTimer);
        io.integer(0x42, "connectTimer", o.connectTimer);
        io.text(0x46, "ofdSite", o.ofdSite);
        io.digits(0x86, "inn", o.inn);
        io.untouched(0x8C, 116);
    }
};

// One 64-byte slot of the system image, with its XOR check byte.
struct Registration
{
    template<class Io, class T> void operator()(Io &io, T &r) const
    {
        io.marker(0, r.marker);
        io.dateTime(1, "dateTime", r);
        io.text(6, "regNumber", r.regNumber);
        io.text(27, "inn", r.inn);
        io.text(40, "fnNumber", r.fnNumber);
        io.integer(57, "taxSystems", r.taxSystems);
        io.integer(58, "workModes", r.workModes);
        io.integer(59, "closed", r.closed);
        io.zeros(60, 3);
        io.checkByte(63);
    }
};

// Every section in the order show prints them; the parameter image holds
// them at their starts, pages 0 to 9.
template<class Io, class Params> void describe(Io &io, Params &p)
{
    constexpr int PageSize = 256;
    io.section("tradeConfig", 0x000, PageSize / 2, p.tradeConfig, Trade());
    io.section("organisation", 0x100, PageSize, p.organisation, Organisation());
    io.records("users", 0x200, 32, Params::UserCount, p.users, User());
    io.untouched(0x200 + 32 * Params::UserCount, 0x400 - (0x200 + 32 * Params::UserCount));
    io.section("ofd", 0x900, PageSize, p.ofd, Ofd());
    io.history("registrations", 0, 64, Params::RegistrationSlots, p.registrations, Registration());
    io.untouched(0x500, 2 * PageSize); // pages 5 and 6 are not used
    describeSharedSections(io, p);
}

} // namespace Layout52
