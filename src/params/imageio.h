#pragma once

#include "params/fields.h"

#include <type_traits>

// The field elements of a layout (see sharedlayout.h) as the image reader and
// writer see them: every kind of field comes down to an integer, a run of
// bytes or a text at an offset from the record's start. Derived supplies
// integerAt<Image>(at, value), bytesAt(at, array) and textAt(at, field).
template<class Derived> class ImageIo
{
public:
    template<class F> void text(int at, const char *, F &field) { self().textAt(at, field); }
    template<class F> void lines(int at, const char *, F &block) { self().textAt(at, block); }
    template<class T> void integer(int at, const char *, T &value)
    {
        self().template integerAt<std::remove_const_t<T>>(at, value);
    }
    template<class T, class Image> void integer(int at, const char *, T &value, As<Image>)
    {
        self().template integerAt<Image>(at, value);
    }
    template<class T> void amount(int at, const char *name, T &value) { integer(at, name, value); }
    template<class T> void quantity(int at, const char *name, T &value) { integer(at, name, value); }
    template<class F> void digits(int at, const char *, F &field) { self().bytesAt(at, field.bytes); }
    template<class F> void barcode(int at, const char *, F &field) { self().bytesAt(at, field.bytes); }
    template<class T> void kept(int at, const char *name, T &field) { keptOrIdentity(at, name, field); }
    template<class T> void identity(int at, const char *name, T &field) { keptOrIdentity(at, name, field); }
    template<class T> void marker(int at, T &value) { integer(at, nullptr, value); }
    // Day, month, year from 2000, hour and minute, one byte each.
    template<class R> void dateTime(int at, const char *name, R &r)
    {
        integer(at, name, r.day);
        integer(at + 1, name, r.month);
        integer(at + 2, name, r.yearFrom2000);
        integer(at + 3, name, r.hour);
        integer(at + 4, name, r.minute);
    }

private:
    Derived &self() { return static_cast<Derived &>(*this); }

    template<class T> void keptOrIdentity(int at, const char *name, T &field)
    {
        if constexpr (std::is_integral_v<std::remove_const_t<T>>)
            integer(at, name, field);
        else if constexpr (IsTextField<std::remove_const_t<T>>::value)
            self().textAt(at, field);
        else
            self().bytesAt(at, field.bytes);
    }
};
