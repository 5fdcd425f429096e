#pragma once

#include <QString>

// Dotted IPv4 text as registers are addressed: four parts 0-255, each without
// leading zeros. One pattern for the address fields, the discovery reply
// grammar and the command-line tool.
namespace Ipv4Address {

// The pattern, unanchored, as one capturing group around the whole address
// (and three inner groups).
QString pattern();

// True when the whole text is such an address.
bool isValid(const QString &text);

} // namespace Ipv4Address
