#include "paramsdiff.h"

#include "params/deviceparams.h"
#include "params/paramfile.h"

#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSet>

#include <memory>

namespace {

// Bytes that differ between a and b.
int countDifferent(const QByteArray &a, const QByteArray &b)
{
    int n = qAbs(a.size() - b.size());
    for (int i = 0; i < qMin(a.size(), b.size()); ++i)
        n += a.at(i) != b.at(i);
    return n;
}

} // namespace

QString jsonScalar(const QJsonValue &v)
{
    const QByteArray wrapped = QJsonDocument(QJsonArray { v }).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(wrapped.mid(1, wrapped.size() - 2));
}

QString displayText(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u == '\n')
            out += QStringLiteral("\\n");
        else if (u == '\r')
            out += QStringLiteral("\\r");
        else if (u == '\t')
            out += QStringLiteral("\\t");
        else if (u < 0x20 || u == 0x7F)
            out += QStringLiteral("\\x%1").arg(uint(u), 2, 16, QLatin1Char('0'));
        else if (u >= 0x80 && u < 0xA0)
            out += QStringLiteral("\\u%1").arg(uint(u), 4, 16, QLatin1Char('0'));
        else
            out += c;
    }
    return out;
}

QString differenceLine(const QString &path, const QString &before, const QString &after)
{
    return QStringLiteral("%1: %2 -> %3").arg(path, before, after);
}

QStringList differingValues(const QVector<ParamValue> &a, const QVector<ParamValue> &b)
{
    QStringList lines;
    QHash<QString, QString> inB;
    for (const ParamValue &v : b)
        inB.insert(v.path, jsonScalar(v.json));
    const QString missing = QStringLiteral("(нет)");
    QSet<QString> inA;
    for (const ParamValue &v : a) {
        inA.insert(v.path);
        const QString x = jsonScalar(v.json);
        const QString y = inB.value(v.path, missing);
        if (x != y)
            lines.append(differenceLine(v.path, x, y));
    }
    for (const ParamValue &v : b) {
        if (!inA.contains(v.path))
            lines.append(differenceLine(v.path, missing, jsonScalar(v.json)));
    }
    return lines;
}

QStringList paramFileDifferences(const ParamFile &a, const ParamFile &b)
{
    QStringList lines;
    const auto compare = [&](const QString &path, const QString &x, const QString &y) {
        if (x != y)
            lines.append(differenceLine(path, x, y));
    };
    compare(QStringLiteral("serial"), displayText(a.serial), displayText(b.serial));
    compare(QStringLiteral("version"), a.version, b.version);
    compare(QStringLiteral("goodsCapacity"), QString::number(a.goodsCapacity),
            QString::number(b.goodsCapacity));
    return lines + paramSetDifferences(a, b);
}

QStringList paramSetDifferences(const ParamFile &a, const ParamFile &b)
{
    QStringList lines;
    const std::unique_ptr<DeviceParams> pa(DeviceParams::create(a.version));
    const std::unique_ptr<DeviceParams> pb(DeviceParams::create(b.version));
    if (!pa || !pb)
        return lines;
    pa->fromImage(a.params, a.system);
    pb->fromImage(b.params, b.system);
    lines += differingValues(pa->values(), pb->values());

    // Bytes outside the known fields: write A's fields over a copy of each
    // image, so only what no field covers can still differ.
    if (a.family() == b.family()) {
        QByteArray aParams = a.params, aSystem = a.system;
        pa->toImage(aParams, aSystem);
        QByteArray bParams = b.params, bSystem = b.system;
        pa->toImage(bParams, bSystem);
        const int params = countDifferent(aParams, bParams);
        const int system = countDifferent(aSystem, bSystem);
        if (params > 0)
            lines.append(QStringLiteral("params: %1 байт вне известных полей различаются").arg(params));
        if (system > 0)
            lines.append(QStringLiteral("system: %1 байт вне известных полей различаются").arg(system));
    }
    return lines;
}
