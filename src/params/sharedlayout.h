#pragma once

#include "params/imagereader.h"
#include "params/imagewriter.h"

#include <QVector>

// A layout is a function object whose call operator lists a record's fields
// in image order, for an ImageReader or an ImageWriter alike (the record is
// const when writing), so reading and writing cannot drift apart.

template<class Record, class Layout>
void readSection(const QByteArray &image, int start, int length, Record &record, Layout layout)
{
    ImageReader in(image, start, length);
    layout(in, record);
}

template<class Record, class Layout>
void writeSection(QByteArray &image, int start, const Record &record, Layout layout)
{
    ImageWriter out(image, start);
    layout(out, record);
}

// Records one after another: the list is cleared and gets exactly count
// records, each zeroed before it is read.
template<class Record, class Layout>
void readRecords(const QByteArray &image, int start, int length, int count, QVector<Record> &list,
                 Layout layout)
{
    list.clear();
    ImageReader in(image, start, length);
    for (int k = 0; k < count; ++k) {
        Record record {};
        layout(in, record);
        list.append(record);
    }
}

// Writes exactly count records; a list that falls short is made up with
// zeroed records rather than read past its end.
template<class Record, class Layout>
void writeRecords(QByteArray &image, int start, int count, const QVector<Record> &list, Layout layout)
{
    ImageWriter out(image, start);
    for (int k = 0; k < count; ++k) {
        const Record record = k < list.size() ? list.at(k) : Record {};
        layout(out, record);
    }
}

struct TextLayout
{
    template<class Io, class Field> void operator()(Io &io, Field &field) const { io.text(field); }
};

// Trade settings 0x10 to 0x4F: the same fields at the same offsets in both
// families.
struct TradeSharedLayout
{
    template<class Io, class Record> void operator()(Io &io, Record &t) const
    {
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
    }
};

struct DepartmentLayout
{
    template<class Io, class Record> void operator()(Io &io, Record &d) const
    {
        io.integer(d.number);
        io.text(d.name);
        io.integer(d.vatRate);
        io.integer(d.taxSystems);
    }
};
