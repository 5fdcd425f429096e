#include "paramsview.h"

#include "params/deviceparams52.h"
#include "params/deviceparams53.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QVector>

namespace {

// One JSON scalar as text.
QString scalarText(const QJsonValue &v)
{
    const QByteArray wrapped = QJsonDocument(QJsonArray { v }).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(wrapped.mid(1, wrapped.size() - 2));
}

// Helpers that keep the record walkers below one line a field.
class Walk
{
public:
    explicit Walk(ParamsVisitor &v)
        : m_v(v)
    {
    }

    template<int W, int L> void text(const char *key, const TextField<W, L> &f)
    {
        m_v.value(QLatin1String(key), f.text());
    }
    template<int N> void raw(const char *key, const RawField<N> &f)
    {
        m_v.value(QLatin1String(key), QString::fromLatin1(f.toByteArray().toHex()));
    }
    void integer(const char *key, qint64 n) { m_v.value(QLatin1String(key), double(n)); }
    // Amounts and quantities are held as value x 10000.
    void fixed4(const char *key, qint64 n) { m_v.value(QLatin1String(key), double(n) / 10000.0); }
    void digits(const char *key, const QString &d) { m_v.value(QLatin1String(key), d); }

    template<typename F> void object(const char *key, F &&body)
    {
        m_v.beginObject(QLatin1String(key));
        body();
        m_v.endObject();
    }
    template<typename T, typename F> void array(const char *key, const QVector<T> &list, F &&element)
    {
        m_v.beginArray(QLatin1String(key));
        for (const T &item : list) {
            m_v.beginObject(QString());
            element(item);
            m_v.endObject();
        }
        m_v.endArray();
    }
    void lines(const char *key, const ReceiptTextBlock &block)
    {
        m_v.beginArray(QLatin1String(key));
        const QStringList list = block.text().isEmpty() ? QStringList() : block.lines();
        for (const QString &line : list)
            m_v.value(QString(), line);
        m_v.endArray();
    }

private:
    ParamsVisitor &m_v;
};

void tradeShared(Walk &w, const TradeConfig &t)
{
    w.raw("opaque1", t.opaque1);
    w.raw("opaque2", t.opaque2);
    w.raw("opaque3", t.opaque3);
    w.raw("opaque4", t.opaque4);
    w.integer("defaultDepartment", t.defaultDepartment);
    w.integer("departmentCount", t.departmentCount);
    w.integer("internalCodeLength", t.internalCodeLength);
    w.integer("weightPrefix", t.weightPrefix);
    w.integer("printDensity", t.printDensity);
    w.integer("fontFlags", t.fontFlags);
    w.integer("keyboardSensitivity", t.keyboardSensitivity);
    w.integer("keySound", t.keySound);
    w.integer("powerOffTimer", t.powerOffTimer);
    w.integer("displayMode", t.displayMode);
    w.integer("printFlags", t.printFlags);
    w.fixed4("maxPrice", t.maxPrice);
    w.fixed4("maxDeposit", t.maxDeposit);
    w.fixed4("maxQuantity", t.maxQuantity);
    w.integer("tradeFlags", t.tradeFlags);
    w.integer("defaultCashier", t.defaultCashier);
    w.integer("reserved16", t.reserved16);
}

void shared(Walk &w, const DeviceParams &p)
{
    w.array("positions", p.positions, [&](const PositionName &n) { w.text("name", n); });
    w.array("departments", p.departments, [&](const DepartmentRecord &d) {
        w.integer("number", d.number);
        w.text("name", d.name);
        w.integer("vatRate", d.vatRate);
        w.integer("taxSystems", d.taxSystems);
    });
    w.lines("receiptHeader", p.receiptHeader);
    w.lines("receiptFooter", p.receiptFooter);
}

void family53(Walk &w, const DeviceParams53 &p)
{
    w.object("tradeConfig", [&] {
        w.integer("signature", p.tradeConfig.signature);
        w.integer("reserved1", p.tradeConfig.reserved1);
        w.integer("reserved2", p.tradeConfig.reserved2);
        tradeShared(w, p.tradeConfig);
        w.integer("paymentKinds", p.tradeConfig.paymentKinds);
        w.integer("tradeModes", p.tradeConfig.tradeModes);
        w.raw("opaque7", p.tradeConfig.opaque7);
    });
    w.object("organisation", [&] {
        w.text("inn", p.organisation.inn);
        w.text("email", p.organisation.email);
        w.text("name", p.organisation.name);
        w.text("address", p.organisation.address);
        w.text("place", p.organisation.place);
    });
    w.object("ofd", [&] {
        w.text("address", p.ofd.address);
        w.text("inn", p.ofd.inn);
        w.text("name", p.ofd.name);
        w.text("ofdSite", p.ofd.ofdSite);
        w.text("fnsSite", p.ofd.fnsSite);
        w.integer("port", p.ofd.port);
        w.integer("fnPollTimer", p.ofd.fnPollTimer);
        w.integer("connectTimer", p.ofd.connectTimer);
    });
    w.array("users", p.users, [&](const UserRecord53 &u) {
        w.text("name", u.name);
        w.text("barcode", u.barcode);
        w.text("inn", u.inn);
        w.text("fullName", u.fullName);
        w.text("password", u.password);
        w.integer("rights", u.rights);
        w.integer("position", u.position);
        w.integer("flags", u.flags);
    });
    w.object("registrationIds", [&] {
        w.text("serialNumber", p.registrationIds.serialNumber);
        w.text("regNumber", p.registrationIds.regNumber);
        w.text("fnNumber", p.registrationIds.fnNumber);
    });
}

void family52(Walk &w, const DeviceParams52 &p)
{
    w.object("tradeConfig", [&] {
        w.integer("signature", p.tradeConfig.signature);
        w.raw("reserved12", p.tradeConfig.reserved12);
        tradeShared(w, p.tradeConfig);
    });
    w.object("organisation", [&] {
        w.text("inn", p.organisation.inn);
        w.text("name", p.organisation.name);
        w.text("address", p.organisation.address);
    });
    w.array("users", p.users, [&](const UserRecord52 &u) {
        w.text("name", u.name);
        w.digits("barcode", u.barcode.barcode());
        w.integer("number", u.number);
        w.integer("keptValue", u.keptValue);
        w.integer("rights", u.rights);
        w.integer("position", u.position);
        w.integer("flags", u.flags);
    });
    w.object("ofd", [&] {
        w.text("address", p.ofd.address);
        w.integer("port", p.ofd.port);
        w.integer("fnPollTimer", p.ofd.fnPollTimer);
        w.integer("connectTimer", p.ofd.connectTimer);
        w.text("ofdSite", p.ofd.ofdSite);
        w.digits("inn", p.ofd.inn.digits());
    });
    w.array("registrations", p.registrations, [&](const RegistrationRecord52 &r) {
        w.digits("dateTime", r.dateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm")));
        w.text("regNumber", r.regNumber);
        w.text("inn", r.inn);
        w.text("fnNumber", r.fnNumber);
        w.integer("taxSystems", r.taxSystems);
        w.integer("workModes", r.workModes);
        w.integer("closed", r.closed);
    });
}

class Flattener : public ParamsVisitor
{
public:
    FieldList fields;

    void beginObject(const QString &key) override { push(key); }
    void endObject() override { m_path.removeLast(); }
    void beginArray(const QString &key) override
    {
        push(key);
        m_index.append(0);
    }
    void endArray() override
    {
        m_index.removeLast();
        m_path.removeLast();
    }
    void value(const QString &key, const QJsonValue &v) override
    {
        push(key);
        fields.append({ m_path.last(), scalarText(v) });
        m_path.removeLast();
    }

private:
    // Array elements get [i] after their array's path; object members .key.
    void push(const QString &key)
    {
        const QString parent = m_path.isEmpty() ? QString() : m_path.last();
        QString path;
        if (key.isEmpty())
            path = parent + QStringLiteral("[%1]").arg(m_index.last()++);
        else
            path = parent.isEmpty() ? key : parent + QLatin1Char('.') + key;
        m_path.append(path);
    }

    QStringList m_path;
    QVector<int> m_index;
};

} // namespace

QByteArray JsonTextWriter::text() const
{
    return m_text.toUtf8() + '\n';
}

void JsonTextWriter::beginObject(const QString &key)
{
    open(key, QLatin1Char('{'));
}

void JsonTextWriter::endObject()
{
    close(QLatin1Char('}'));
}

void JsonTextWriter::beginArray(const QString &key)
{
    open(key, QLatin1Char('['));
}

void JsonTextWriter::endArray()
{
    close(QLatin1Char(']'));
}

void JsonTextWriter::value(const QString &key, const QJsonValue &v)
{
    item(key);
    m_text += scalarText(v);
}

void JsonTextWriter::item(const QString &key)
{
    if (!m_first.isEmpty()) {
        if (!m_first.last())
            m_text += QLatin1Char(',');
        m_first.last() = false;
        m_text += QLatin1Char('\n') + QString(m_first.size() * 2, QLatin1Char(' '));
    }
    if (!key.isEmpty())
        m_text += scalarText(key) + QStringLiteral(": ");
}

void JsonTextWriter::open(const QString &key, QChar bracket)
{
    item(key);
    m_text += bracket;
    m_first.append(true);
}

void JsonTextWriter::close(QChar bracket)
{
    const bool empty = m_first.takeLast();
    if (!empty)
        m_text += QLatin1Char('\n') + QString(m_first.size() * 2, QLatin1Char(' '));
    m_text += bracket;
}

void visitParams(const DeviceParams &params, ParamsVisitor &visitor)
{
    Walk w(visitor);
    if (const auto *p53 = qobject_cast<const DeviceParams53 *>(&params))
        family53(w, *p53);
    else if (const auto *p52 = qobject_cast<const DeviceParams52 *>(&params))
        family52(w, *p52);
    shared(w, params);
}

QByteArray paramsToJson(const DeviceParams &params)
{
    JsonTextWriter writer;
    writer.beginObject(QString());
    visitParams(params, writer);
    writer.endObject();
    return writer.text();
}

FieldList paramsToFields(const DeviceParams &params)
{
    Flattener f;
    visitParams(params, f);
    return f.fields;
}
