#pragma once

#include "tabs/devicetab.h"

#include <QList>
#include <QString>
#include <QStringList>

// What one change can carry from a register to others: one tab's data each,
// named by the tab's caption and, on the command line, by a short key.
// Registration data is none of them, and no group carries the serial number
// or a field the register keeps for itself (DeviceParams::copyGroup leaves
// identity and kept fields alone).
namespace FleetGroup {

// Every tab but "Регистрационные данные", in tab order.
QList<DeviceTab> all();

// "config", "positions", "users", "departments", "organisation", "design", "ofd".
QString key(DeviceTab tab);
// The tab a key names; false for a key that names none (or registration).
bool fromKey(const QString &key, DeviceTab *tab);
// Every key, comma-separated, for messages and help.
QString keyList();

// The parameter set's top-level groups (DeviceParams::groups()) that hold
// the tab's data.
QStringList fieldGroups(DeviceTab tab);

} // namespace FleetGroup
