#pragma once

#include "params/paramfield.h"

#include <QJsonValue>
#include <QString>
#include <QStringList>
#include <QVector>

struct ParamFile;

// Differences between parameter sets by field name, one line each
// ("path: old -> new"), as korvant-cli diff prints them and the history
// dialogs show them.

// One JSON scalar as show prints it ("text" quoted, numbers bare).
QString jsonScalar(const QJsonValue &value);

// "path: old -> new" for every value that differs between a and b, values
// in JSON notation, in a's order and then b's; a path only one side has
// shows "(нет)" on the other.
QStringList differingValues(const QVector<ParamValue> &a, const QVector<ParamValue> &b);
// One such line, also for values outside the parameter set.
QString differenceLine(const QString &path, const QString &before, const QString &after);

// Everything that differs between two parameter files, a being "old": the
// serial number, version and goods capacity, then paramSetDifferences().
// Both files must name a supported family. Empty when they hold the same.
QStringList paramFileDifferences(const ParamFile &a, const ParamFile &b);
// What differs in the parameter sets alone: every field by name, and, for
// files of one family, how many bytes outside the known fields differ in
// each image.
QStringList paramSetDifferences(const ParamFile &a, const ParamFile &b);

// Text a register or a file chose, fit for one line of a terminal: control
// characters (C0, DEL, C1), escape sequences included, shown escaped as \n,
// \r, \t, \xNN or \uNNNN. (JSON output needs none of this: its strings
// carry C0 characters escaped.)
QString displayText(const QString &text);
