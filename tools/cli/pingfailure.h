#pragma once

#include <QString>

// Why an address did not answer the reachability probe, in words, for a
// non-zero IcmpProbe::ping() result: -1, -2, or an errno value.
QString pingFailureText(int code, int timeoutMs);
