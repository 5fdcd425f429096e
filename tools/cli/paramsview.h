#pragma once

#include "params/paramfield.h"

#include <QByteArray>
#include <QJsonValue>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVector>

// One JSON scalar as show prints it ("text" quoted, numbers bare).
QString jsonScalar(const QJsonValue &value);

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

// "path: old -> new" for every value that differs between a and b, values
// in JSON notation, in a's order and then b's; a path only one side has
// shows "(нет)" on the other.
QStringList differingValues(const QVector<ParamValue> &a, const QVector<ParamValue> &b);
// One such line, also for values outside the parameter set.
QString differenceLine(const QString &path, const QString &before, const QString &after);

// Text a register or a file chose, fit for one line of a terminal: control
// characters (C0, DEL, C1), escape sequences included, shown escaped as \n,
// \r, \t, \xNN or \uNNNN. (JSON output needs none of this: its strings
// carry C0 characters escaped.)
QString displayText(const QString &text);
