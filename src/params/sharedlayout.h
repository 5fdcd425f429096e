#pragma once

#include "params/records.h"

// A layout describes each field of a parameter set once: where it lies, its
// name and its kind. It is a function object whose call operator lists a
// record's fields for an "io", which may be the image reader or writer
// (imagereader.h, imagewriter.h) or the walker that shows and sets fields by
// name (fieldwalker.h); the record is const where the io only reads it.
//
// Fields are listed in the order korvant-cli show prints them, each at its
// offset from the start of its section or record:
//   io.text(at, name, field)       text with its byte limit (TextField)
//   io.lines(at, name, block)      receipt text block, shown line by line
//   io.integer(at, name, value)    integer of the member's width, or of
//                                  another with As<T>()
//   io.amount / io.quantity        value x 10000, entered with 2 / 3 decimals
//   io.digits / io.barcode         packed digits, the latter with a check digit
//   io.dateTime(at, name, record)  day, month, year - 2000, hour, minute
//   io.kept(at, name, field)       carried unchanged: shown, never set
//   io.identity(at, name, field)   identifies the register: shown, never set
//   io.marker(at, value)           a list's record marker, not shown
//   io.zeros(at, n)                written as zero bytes, not read
//   io.untouched(at, n)            neither read nor written
//   io.checkByte(at)               XOR of the record's bytes in front; last
// and structured by
//   io.section(name, start, length, record, layout)
//   io.records(name, start, recordSize, count, list, layout)
//   io.history(name, start, recordSize, slots, list, layout)  (system image)
// The layouts together tile every section byte for byte (tst_paramfields).

// Trade settings 0x10 to 0x4F: the same fields at the same offsets in both
// families.
struct TradeSharedLayout
{
    template<class Io, class Record> void operator()(Io &io, Record &t) const
    {
        io.kept(0x10, "opaque1", t.opaque1);
        io.kept(0x14, "opaque2", t.opaque2);
        io.kept(0x18, "opaque3", t.opaque3);
        io.kept(0x1C, "opaque4", t.opaque4);
        io.integer(0x20, "defaultDepartment", t.defaultDepartment);
        io.integer(0x21, "departmentCount", t.departmentCount);
        io.integer(0x22, "internalCodeLength", t.internalCodeLength);
        io.integer(0x23, "weightPrefix", t.weightPrefix);
        io.integer(0x24, "printDensity", t.printDensity);
        io.integer(0x25, "fontFlags", t.fontFlags);
        io.integer(0x26, "keyboardSensitivity", t.keyboardSensitivity);
        io.integer(0x27, "keySound", t.keySound);
        io.integer(0x28, "powerOffTimer", t.powerOffTimer);
        io.integer(0x29, "displayMode", t.displayMode);
        io.integer(0x2A, "printFlags", t.printFlags);
        io.amount(0x2C, "maxPrice", t.maxPrice);
        io.zeros(0x34, 8);
        io.amount(0x3C, "maxDeposit", t.maxDeposit);
        io.quantity(0x44, "maxQuantity", t.maxQuantity);
        io.integer(0x4C, "tradeFlags", t.tradeFlags);
    }
};

struct PositionLayout
{
    template<class Io, class Field> void operator()(Io &io, Field &name) const { io.text(0, "name", name); }
};

struct DepartmentLayout
{
    template<class Io, class Record> void operator()(Io &io, Record &d) const
    {
        io.integer(0, "number", d.number);
        io.text(1, "name", d.name);
        io.integer(14, "vatRate", d.vatRate);
        io.integer(15, "taxSystems", d.taxSystems);
    }
};

// The sections both families have, at the pages the family names; listed
// after the family's own.
template<class Io, class Params> void describeSharedSections(Io &io, Params &p)
{
    constexpr int PageSize = 256;
    constexpr int ReceiptSize = 132;
    io.records("positions", 0x080, 16, Params::PositionCount, p.positions, PositionLayout());
    io.records("departments", p.deptPage() * PageSize, 16, Params::DepartmentCount, p.departments,
               DepartmentLayout());
    const int header = p.designPage() * PageSize;
    const int footer = header + PageSize;
    io.lines(header, "receiptHeader", p.receiptHeader);
    io.untouched(header + ReceiptSize, PageSize - ReceiptSize);
    io.lines(footer, "receiptFooter", p.receiptFooter);
    io.untouched(footer + ReceiptSize, PageSize - ReceiptSize);
}
