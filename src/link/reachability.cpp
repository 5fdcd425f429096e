#include "reachability.h"

#include "link/icmpprobe.h"

#include <mutex>

namespace Reachability {

namespace {

std::mutex s_lock;
PingFunction s_function;

} // namespace

int icmpPing(const QString &address, int timeoutMs)
{
    return IcmpProbe().ping(address, timeoutMs);
}

PingFunction pingFunction()
{
    std::lock_guard<std::mutex> lock(s_lock);
    return s_function ? s_function : PingFunction(icmpPing);
}

void setPingFunction(PingFunction f)
{
    std::lock_guard<std::mutex> lock(s_lock);
    s_function = std::move(f);
}

} // namespace Reachability
