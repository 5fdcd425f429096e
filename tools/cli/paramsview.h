#pragma once

#include <QByteArray>
#include <QJsonValue>
#include <QList>
#include <QPair>
#include <QString>

class DeviceParams;

// Walks every record and field of a parameter set, record by record, by the
// names the code uses (tradeConfig.maxPrice, users[3].name, ...): texts as
// Unicode strings, amounts and quantities as decimal numbers, kept raw bytes
// as hex.
class ParamsVisitor
{
public:
    virtual ~ParamsVisitor() = default;
    // key is empty for the elements of an array.
    virtual void beginObject(const QString &key) = 0;
    virtual void endObject() = 0;
    virtual void beginArray(const QString &key) = 0;
    virtual void endArray() = 0;
    virtual void value(const QString &key, const QJsonValue &value) = 0;
};

void visitParams(const DeviceParams &params, ParamsVisitor &visitor);

// Writes indented JSON text in visiting order (QJsonObject would sort keys).
class JsonTextWriter : public ParamsVisitor
{
public:
    QByteArray text() const;

    void beginObject(const QString &key) override;
    void endObject() override;
    void beginArray(const QString &key) override;
    void endArray() override;
    void value(const QString &key, const QJsonValue &value) override;

private:
    void item(const QString &key);
    void open(const QString &key, QChar bracket);
    void close(QChar bracket);

    QString m_text;
    QList<bool> m_first; // per open level: nothing written in it yet
};

// The parameter set as an indented JSON document, in visiting order.
QByteArray paramsToJson(const DeviceParams &params);

// Every field as (path, value in JSON notation), in visiting order.
using FieldList = QList<QPair<QString, QString>>;
FieldList paramsToFields(const DeviceParams &params);
