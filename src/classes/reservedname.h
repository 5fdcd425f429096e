#pragma once

#include <QString>

// Windows keeps some names for devices in every folder: CON, PRN, AUX, NUL,
// COM1-COM9 and LPT1-LPT9, in any letter case and with any extension
// ("con.params.json" is the console, not a file). A file name made from what
// a register reports must not be one on any system: the file may be copied
// to Windows.
namespace ReservedName {

bool isReserved(const QString &fileName);

} // namespace ReservedName
