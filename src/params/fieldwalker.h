#pragma once

#include "params/fields.h"
#include "params/paramfield.h"

#include <QString>

#include <type_traits>

// Walks the fields of a layout (see sharedlayout.h) by name instead of by
// offset, and hands each to a sink with its path ("users[3].name") and what
// kind of field it is. Sinks derive from FieldSink and define
//   template<class F> void leaf(const QString &key, const QString &path, const FieldInfo &info, F &field);
// where F is the record member (const when the parameter set is).
class FieldSink
{
public:
    void beginObject(const QString & /*key*/, const QString & /*path*/) { }
    void endObject() { }
    // Before the list's records; variable lists may change length here.
    template<class List>
    void beginArray(const QString & /*key*/, const QString & /*path*/, List &, bool /*variable*/)
    {
    }
    void endArray() { }
    // A byte the layout keeps for the list's own use (a record marker): not a
    // value anyone sees.
    template<class T> void hidden(const QString & /*path*/, T &) { }
};

template<class Sink> class FieldWalker
{
public:
    explicit FieldWalker(Sink &sink)
        : m_sink(sink)
    {
    }

    template<class R, class Layout> void section(const char *name, int, int, R &record, Layout layout)
    {
        const QString key = QLatin1String(name);
        const QString path = child(key);
        m_sink.beginObject(key, path);
        const QString outer = enter(path);
        layout(*this, record);
        m_prefix = outer;
        m_sink.endObject();
    }

    template<class List, class Layout>
    void records(const char *name, int, int, int, List &list, Layout layout)
    {
        array(name, list, layout, false);
    }

    template<class List, class Layout>
    void history(const char *name, int, int, int, List &list, Layout layout)
    {
        array(name, list, layout, true);
    }

    template<class F> void text(int, const char *name, F &field)
    {
        leaf(name, { FieldKind::Text, FieldRole::Setting, F::limit }, field);
    }
    template<class F> void lines(int, const char *name, F &block)
    {
        leaf(name, { FieldKind::Lines, FieldRole::Setting, F::limit }, block);
    }
    template<class T> void integer(int, const char *name, T &value)
    {
        leaf(name, integerInfo<std::remove_const_t<T>>(FieldRole::Setting), value);
    }
    template<class T, class Image> void integer(int, const char *name, T &value, As<Image>)
    {
        leaf(name, integerInfo<Image>(FieldRole::Setting), value);
    }
    template<class T> void amount(int, const char *name, T &value)
    {
        leaf(name, { FieldKind::Amount, FieldRole::Setting, int(sizeof(T)), true }, value);
    }
    template<class T> void quantity(int, const char *name, T &value)
    {
        leaf(name, { FieldKind::Quantity, FieldRole::Setting, int(sizeof(T)), true }, value);
    }
    template<class F> void digits(int, const char *name, F &field)
    {
        leaf(name, { FieldKind::Digits, FieldRole::Setting, PackedBcd::MaxDigits }, field);
    }
    template<class F> void barcode(int, const char *name, F &field)
    {
        leaf(name, { FieldKind::Barcode, FieldRole::Setting, PackedBcd::MaxDigits }, field);
    }
    template<class F> void kept(int, const char *name, F &field)
    {
        leaf(name, carried<F>(FieldRole::Kept), field);
    }
    template<class F> void identity(int, const char *name, F &field)
    {
        leaf(name, carried<F>(FieldRole::Identity), field);
    }
    template<class R> void dateTime(int, const char *name, R &record)
    {
        leaf(name, { FieldKind::DateTime, FieldRole::Setting, 5 }, record);
    }
    template<class T> void marker(int, T &value) { m_sink.hidden(m_prefix, value); }
    void zeros(int, int) { }
    void untouched(int, int) { }
    void checkByte(int) { }

private:
    template<class T> static FieldInfo integerInfo(FieldRole role)
    {
        static_assert(std::is_integral_v<T>, "integer fields only");
        return { FieldKind::Integer, role, int(sizeof(T)), std::is_signed_v<T> };
    }

    // Kept and identity fields are integers, texts or plain bytes.
    template<class F> static FieldInfo carried(FieldRole role)
    {
        using T = std::remove_const_t<F>;
        if constexpr (std::is_integral_v<T>)
            return integerInfo<T>(role);
        else if constexpr (IsTextField<T>::value)
            return { FieldKind::Text, role, T::limit };
        else
            return { FieldKind::Bytes, role, T::size };
    }

    template<class List, class Layout> void array(const char *name, List &list, Layout layout, bool variable)
    {
        const QString key = QLatin1String(name);
        const QString path = child(key);
        m_sink.beginArray(key, path, list, variable);
        int k = 0;
        for (auto &record : list) {
            const QString item = path + QStringLiteral("[%1]").arg(k++);
            m_sink.beginObject(QString(), item);
            const QString outer = enter(item);
            layout(*this, record);
            m_prefix = outer;
            m_sink.endObject();
        }
        m_sink.endArray();
    }

    template<class F> void leaf(const char *name, const FieldInfo &info, F &field)
    {
        const QString key = QLatin1String(name);
        m_sink.leaf(key, child(key), info, field);
    }

    QString child(const QString &key) const
    {
        return m_prefix.isEmpty() ? key : m_prefix + QLatin1Char('.') + key;
    }
    QString enter(const QString &path)
    {
        QString outer = m_prefix;
        m_prefix = path;
        return outer;
    }

    Sink &m_sink;
    QString m_prefix;
};
