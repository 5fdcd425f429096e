#include "paramsview.h"

#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSet>

QString jsonScalar(const QJsonValue &v)
{
    const QByteArray wrapped = QJsonDocument(QJsonArray { v }).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(wrapped.mid(1, wrapped.size() - 2));
}

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

void JsonTextWriter::value(const QString &key, const ParamValue &v)
{
    scalar(key, v.json);
}

void JsonTextWriter::scalar(const QString &key, const QJsonValue &v)
{
    item(key);
    m_text += jsonScalar(v);
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
        m_text += jsonScalar(key) + QStringLiteral(": ");
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
