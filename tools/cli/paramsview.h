#pragma once

#include "params/paramfield.h"

#include <QByteArray>
#include <QJsonValue>
#include <QList>
#include <QString>

// Writes indented JSON text in visiting order (QJsonObject would sort keys).
class JsonTextWriter : public ParamsVisitor
{
public:
    QByteArray text() const;

    void beginObject(const QString &key) override;
    void endObject() override;
    void beginArray(const QString &key) override;
    void endArray() override;
    void value(const QString &key, const ParamValue &value) override;
    void scalar(const QString &key, const QJsonValue &value);

private:
    void item(const QString &key);
    void open(const QString &key, QChar bracket);
    void close(QChar bracket);

    QString m_text;
    QList<bool> m_first; // per open level: nothing written in it yet
};
