// Fields by name: DeviceParams' values, setValue and copyGroup, all walking
// the family's layout through FieldWalker.
#include "deviceparams.h"

#include "params/deviceparams52.h"
#include "params/deviceparams53.h"
#include "params/fieldconvert.h"
#include "params/fieldwalker.h"
#include "params/layout52.h"
#include "params/layout53.h"

#include <QHash>
#include <QJsonArray>
#include <QRegularExpression>
#include <QVariant>

#include <type_traits>

namespace {

template<class Self, class Sink> void walk(Self &self, Sink &sink)
{
    constexpr bool isConst = std::is_const_v<Self>;
    using P53 = std::conditional_t<isConst, const DeviceParams53, DeviceParams53>;
    using P52 = std::conditional_t<isConst, const DeviceParams52, DeviceParams52>;
    FieldWalker<Sink> walker(sink);
    if (auto *p = qobject_cast<P53 *>(&self))
        Layout53::describe(walker, *p);
    else if (auto *p = qobject_cast<P52 *>(&self))
        Layout52::describe(walker, *p);
}

// --- one field's value as text -------------------------------------------------

ParamValue make(const QString &path, const FieldInfo &info, const QString &text, const QJsonValue &json)
{
    return ParamValue { path, info, text, json };
}

template<int W, int L>
ParamValue valueOf(const QString &path, const FieldInfo &info, const TextField<W, L> &field)
{
    const QString text = field.text();
    return make(path, info, text, text);
}

// The whole block; show and values() list it line by line.
ParamValue valueOf(const QString &path, const FieldInfo &info, const ReceiptTextBlock &block)
{
    const QString text = block.text();
    const QStringList lines = text.isEmpty() ? QStringList() : block.lines();
    return make(path, info, text, QJsonArray::fromStringList(lines));
}

template<class T, std::enable_if_t<std::is_integral_v<T>, int> = 0>
ParamValue valueOf(const QString &path, const FieldInfo &info, T value)
{
    const qint64 n = qint64(value);
    if (info.kind == FieldKind::Amount || info.kind == FieldKind::Quantity)
        return make(path, info, FieldConvert::fixedText(n), double(n) / 10000.0);
    return make(path, info, QString::number(n), double(n));
}

ParamValue valueOf(const QString &path, const FieldInfo &info, const PackedDigits &field)
{
    const QString text = info.kind == FieldKind::Barcode ? field.barcode() : field.digits();
    return make(path, info, text, text);
}

template<int N> ParamValue valueOf(const QString &path, const FieldInfo &info, const RawField<N> &field)
{
    const QString hex = QString::fromLatin1(field.toByteArray().toHex());
    return make(path, info, hex, hex);
}

ParamValue valueOf(const QString &path, const FieldInfo &info, const RegistrationRecord52 &r)
{
    const QString text
        = FieldConvert::dateTimeText(QDate(2000 + r.yearFrom2000, r.month, r.day), QTime(r.hour, r.minute));
    return make(path, info, text, text);
}

// --- setting one field from text ----------------------------------------------

// A text as long as one the register filled the field with past its limit
// is taken, as the editors take it.
template<int W, int L>
bool assign(const FieldInfo &, TextField<W, L> &field, const QString &text, QString *why)
{
    QByteArray bytes;
    if (!FieldConvert::encodeText(text, field.room(), &bytes, why))
        return false;
    field.setValue(bytes);
    return true;
}

template<class T, std::enable_if_t<std::is_integral_v<T>, int> = 0>
bool assign(const FieldInfo &info, T &value, const QString &text, QString *why)
{
    qint64 n = 0;
    const bool ok = info.kind == FieldKind::Integer
        ? FieldConvert::parseInteger(text, info, &n, why)
        : FieldConvert::parseFixed(text, info.decimals(), &n, why);
    if (ok)
        value = T(n);
    return ok;
}

bool assign(const FieldInfo &info, PackedDigits &field, const QString &text, QString *why)
{
    if (info.kind == FieldKind::Barcode) {
        if (!FieldConvert::checkBarcode(text, info.size, why))
            return false;
        field.setBarcode(text);
        return true;
    }
    if (!FieldConvert::checkDigits(text, info.size, why))
        return false;
    field.setDigits(text);
    return true;
}

// Bytes carried for the firmware are never set; the role refuses them first.
template<int N> bool assign(const FieldInfo &, RawField<N> &, const QString &, QString *why)
{
    *why = QObject::tr("поле нельзя задать");
    return false;
}

bool assign(const FieldInfo &, RegistrationRecord52 &r, const QString &text, QString *why)
{
    QDate date;
    QTime time;
    if (!FieldConvert::parseDateTime(text, &date, &time, why))
        return false;
    r.setDateTime(QDateTime(date, time, Qt::UTC));
    return true;
}

// --- stored form, for copies ---------------------------------------------------

template<std::size_t N> QVariant rawOf(const std::array<char, N> &bytes)
{
    return QByteArray(bytes.data(), int(N));
}
template<std::size_t N> void setRaw(std::array<char, N> &bytes, const QVariant &raw)
{
    const QByteArray b = raw.toByteArray();
    if (b.size() == int(N))
        std::copy(b.cbegin(), b.cend(), bytes.begin());
}
template<int W, int L> QVariant rawOf(const TextField<W, L> &f)
{
    return rawOf(f.bytes);
}
template<int W, int L> void setRaw(TextField<W, L> &f, const QVariant &raw)
{
    setRaw(f.bytes, raw);
}
template<int N> QVariant rawOf(const RawField<N> &f)
{
    return rawOf(f.bytes);
}
template<int N> void setRaw(RawField<N> &f, const QVariant &raw)
{
    setRaw(f.bytes, raw);
}
template<class T, std::enable_if_t<std::is_integral_v<T>, int> = 0> QVariant rawOf(T value)
{
    return qlonglong(value);
}
template<class T, std::enable_if_t<std::is_integral_v<T>, int> = 0> void setRaw(T &value, const QVariant &raw)
{
    value = T(raw.toLongLong());
}
QVariant rawOf(const RegistrationRecord52 &r)
{
    return QVariantList { r.day, r.month, r.yearFrom2000, r.hour, r.minute };
}
void setRaw(RegistrationRecord52 &r, const QVariant &raw)
{
    const QVariantList v = raw.toList();
    if (v.size() != 5)
        return;
    r.day = quint8(v.at(0).toUInt());
    r.month = quint8(v.at(1).toUInt());
    r.yearFrom2000 = quint8(v.at(2).toUInt());
    r.hour = quint8(v.at(3).toUInt());
    r.minute = quint8(v.at(4).toUInt());
}

// --- sinks ---------------------------------------------------------------------

// Hands values on to a ParamsVisitor, receipt blocks as arrays of lines.
class VisitSink : public FieldSink
{
public:
    explicit VisitSink(ParamsVisitor &visitor)
        : m_visitor(visitor)
    {
    }

    void beginObject(const QString &key, const QString &) { m_visitor.beginObject(key); }
    void endObject() { m_visitor.endObject(); }
    template<class List> void beginArray(const QString &key, const QString &, List &, bool)
    {
        m_visitor.beginArray(key);
    }
    void endArray() { m_visitor.endArray(); }

    template<class F>
    void leaf(const QString &key, const QString &path, const FieldInfo &info, const F &field)
    {
        const ParamValue v = valueOf(path, info, field);
        if (info.kind != FieldKind::Lines) {
            m_visitor.value(key, v);
            return;
        }
        m_visitor.beginArray(key);
        const QJsonArray lines = v.json.toArray();
        for (int i = 0; i < lines.size(); ++i) {
            const QString line = lines.at(i).toString();
            m_visitor.value(QString(), make(QStringLiteral("%1[%2]").arg(path).arg(i), info, line, line));
        }
        m_visitor.endArray();
    }

private:
    ParamsVisitor &m_visitor;
};

class CollectVisitor : public ParamsVisitor
{
public:
    QVector<ParamValue> values;

    void beginObject(const QString &) override { }
    void endObject() override { }
    void beginArray(const QString &) override { }
    void endArray() override { }
    void value(const QString &, const ParamValue &v) override { values.append(v); }
};

// Looks for one path; knows the lists it passed, to say why a path is wrong.
class PathSink : public FieldSink
{
public:
    explicit PathSink(const QString &target)
        : m_target(target)
    {
    }

    template<class List> void beginArray(const QString &, const QString &path, List &list, bool)
    {
        m_lists.insert(path, list.size());
    }

    bool found() const { return m_found; }

    // Why nothing matched: an index beyond its list, or no such field.
    QString notFound() const
    {
        static const QRegularExpression index(QStringLiteral("\\[([0-9]+)\\]"));
        QRegularExpressionMatchIterator it = index.globalMatch(m_target);
        while (it.hasNext()) {
            const QRegularExpressionMatch m = it.next();
            const QString list = m_target.left(m.capturedStart());
            const auto size = m_lists.constFind(list);
            if (size == m_lists.cend())
                break;
            bool ok = false;
            const qint64 k = m.captured(1).toLongLong(&ok);
            if (!ok || k >= *size) {
                return *size == 0 ? QObject::tr("%1: в списке %2 нет записей").arg(m_target, list)
                                  : QObject::tr("%1: номер записи %2 вне диапазона 0…%3")
                                        .arg(m_target)
                                        .arg(m.captured(1))
                                        .arg(*size - 1);
            }
        }
        return QObject::tr("неизвестное поле «%1»").arg(m_target);
    }

protected:
    // The line a path names inside a receipt block at path: -1 for the
    // block itself, -2 when the path is not within the block.
    int lineOf(const QString &path) const
    {
        if (m_target == path)
            return -1;
        static const QRegularExpression line(QStringLiteral("^\\[([0-9]+)\\]$"));
        if (!m_target.startsWith(path))
            return -2;
        const QRegularExpressionMatch m = line.match(m_target.mid(path.size()));
        bool ok = false;
        const int k = m.hasMatch() ? m.captured(1).toInt(&ok) : 0;
        return ok ? k : -2;
    }

    QString m_target;
    bool m_found = false;
    QHash<QString, int> m_lists;
};

class FindSink : public PathSink
{
public:
    using PathSink::PathSink;

    ParamValue result;

    template<class F> void leaf(const QString &, const QString &path, const FieldInfo &info, const F &field)
    {
        if (info.kind != FieldKind::Lines) {
            if (path == m_target) {
                result = valueOf(path, info, field);
                m_found = true;
            }
            return;
        }
        const int k = lineOf(path);
        if (k == -2)
            return;
        const ParamValue block = valueOf(path, info, field);
        m_lists.insert(path, block.json.toArray().size());
        if (k == -1) {
            result = block;
            m_found = true;
        } else if (k < block.json.toArray().size()) {
            const QString line = block.json.toArray().at(k).toString();
            result = make(m_target, info, line, line);
            m_found = true;
        }
    }
};

class SetSink : public PathSink
{
public:
    SetSink(const QString &target, const QString &text)
        : PathSink(target)
        , m_text(text)
    {
    }

    QString error;

    template<class F> void leaf(const QString &, const QString &path, const FieldInfo &info, F &field)
    {
        const int line = info.kind == FieldKind::Lines ? lineOf(path) : (path == m_target ? -1 : -2);
        if (line == -2)
            return;
        m_found = true;
        QString why;
        if (info.role == FieldRole::Kept)
            why = QObject::tr("поле ККТ хранит для своих нужд, его нельзя задать");
        else if (info.role == FieldRole::Identity)
            why = QObject::tr("поле хранит заводской номер ККТ, его нельзя задать");
        else if (line >= 0)
            setLine(info, field, line, &why);
        else
            assign(info, field, m_text, &why);
        if (!why.isEmpty())
            error = QStringLiteral("%1: %2").arg(m_target, why);
    }

private:
    template<class F> void setLine(const FieldInfo &, F &, int, QString *why)
    {
        *why = QObject::tr("поле не состоит из строк");
    }
    void setLine(const FieldInfo &info, ReceiptTextBlock &block, int k, QString *why)
    {
        if (m_text.contains(QLatin1Char('\n'))) {
            *why = QObject::tr("строка не может содержать перевод строки");
            return;
        }
        // n lines take n - 1 line feeds: no more lines fit than bytes plus one.
        if (k > info.size) {
            *why = QObject::tr("номер строки %1 вне диапазона 0…%2").arg(k).arg(info.size);
            return;
        }
        QStringList lines = block.text().isEmpty() ? QStringList() : block.lines();
        while (lines.size() <= k)
            lines.append(QString());
        lines[k] = m_text;
        QByteArray bytes;
        if (!FieldConvert::encodeText(lines.join(QLatin1Char('\n')), info.size, &bytes, why)) {
            if (why->startsWith(QObject::tr("текст длиннее")))
                *why = QObject::tr("вместе с остальными строками %1").arg(*why);
            return;
        }
        block.setValue(bytes);
    }

    QString m_text;
};

bool inGroup(const QString &path, const QString &group)
{
    return path == group
        || (path.startsWith(group)
            && (path.at(group.size()) == QLatin1Char('.') || path.at(group.size()) == QLatin1Char('[')));
}

// Stored values of one group's fields that a copy carries: settings and
// list markers, not kept or identity fields.
class CopyOutSink : public FieldSink
{
public:
    explicit CopyOutSink(const QString &group)
        : m_group(group)
    {
    }

    QHash<QString, QVariant> values;
    QHash<QString, int> lengths;

    template<class List> void beginArray(const QString &, const QString &path, List &list, bool variable)
    {
        if (variable && inGroup(path, m_group))
            lengths.insert(path, list.size());
    }
    template<class T> void hidden(const QString &path, const T &value)
    {
        if (inGroup(path, m_group))
            values.insert(path + QStringLiteral("#marker"), rawOf(value));
    }
    template<class F> void leaf(const QString &, const QString &path, const FieldInfo &info, const F &field)
    {
        if (info.settable() && inGroup(path, m_group))
            values.insert(path, rawOf(field));
    }

private:
    QString m_group;
};

class CopyInSink : public FieldSink
{
public:
    explicit CopyInSink(const CopyOutSink &from)
        : m_from(from)
    {
    }

    template<class List> void beginArray(const QString &, const QString &path, List &list, bool variable)
    {
        const auto length = m_from.lengths.constFind(path);
        if (variable && length != m_from.lengths.cend())
            list.resize(*length);
    }
    template<class T> void hidden(const QString &path, T &value)
    {
        const auto raw = m_from.values.constFind(path + QStringLiteral("#marker"));
        if (raw != m_from.values.cend())
            setRaw(value, *raw);
    }
    template<class F> void leaf(const QString &, const QString &path, const FieldInfo &, F &field)
    {
        const auto raw = m_from.values.constFind(path);
        if (raw != m_from.values.cend())
            setRaw(field, *raw);
    }

private:
    const CopyOutSink &m_from;
};

class GroupSink : public FieldSink
{
public:
    QStringList groups;

    void beginObject(const QString &key, const QString &path) { top(key, path); }
    template<class List> void beginArray(const QString &key, const QString &path, List &, bool)
    {
        top(key, path);
    }
    template<class F> void leaf(const QString &key, const QString &path, const FieldInfo &, const F &)
    {
        top(key, path);
    }

private:
    void top(const QString &key, const QString &path)
    {
        if (!key.isEmpty() && key == path)
            groups.append(key);
    }
};

} // namespace

void DeviceParams::visit(ParamsVisitor &visitor) const
{
    VisitSink sink(visitor);
    walk(*this, sink);
}

QVector<ParamValue> DeviceParams::values() const
{
    CollectVisitor collect;
    visit(collect);
    return collect.values;
}

bool DeviceParams::value(const QString &path, ParamValue *out, QString *error) const
{
    FindSink sink(path);
    walk(*this, sink);
    if (!sink.found()) {
        if (error)
            *error = sink.notFound();
        return false;
    }
    *out = sink.result;
    return true;
}

bool DeviceParams::setValue(const QString &path, const QString &text, QString *error)
{
    SetSink sink(path, text);
    walk(*this, sink);
    const QString message = sink.found() ? sink.error : sink.notFound();
    if (error)
        *error = message;
    return message.isEmpty();
}

QStringList DeviceParams::groups() const
{
    GroupSink sink;
    walk(*this, sink);
    return sink.groups;
}

bool DeviceParams::copyGroup(const DeviceParams &from, const QString &group, QString *error)
{
    QString message;
    if (from.family() != family())
        message
            = QObject::tr("наборы параметров разных семейств: 2.%1 и 2.%2").arg(from.family()).arg(family());
    else if (!groups().contains(group))
        message = QObject::tr("неизвестная группа полей «%1»").arg(group);
    if (!message.isEmpty()) {
        if (error)
            *error = message;
        return false;
    }
    CopyOutSink out(group);
    walk(from, out);
    CopyInSink in(out);
    walk(*this, in);
    return true;
}
