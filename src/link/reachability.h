#pragma once

#include <QString>

#include <functional>

// The seam through which every window reaches the reachability probe, so that
// tests can make an address answer or stay silent without pinging anything.
namespace Reachability {

// Same results as IcmpProbe::ping(): 0 reachable, anything else not.
using PingFunction = std::function<int(const QString &address, int timeoutMs)>;

int icmpPing(const QString &address, int timeoutMs); // IcmpProbe().ping(...)
PingFunction pingFunction(); // process-wide current function, icmpPing by default
void setPingFunction(PingFunction f); // tests replace it; an empty function restores icmpPing

} // namespace Reachability
