#include "paramsview.h"

#include "params/paramsdiff.h"

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
