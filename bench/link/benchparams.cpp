// Parameter read and write against a register that takes 10 ms to answer each
// request. The floor is requests x 10 ms; the goal is at most 1.05 x floor plus
// the connect time.

#include "benchsupport.h"

#include "link/taggedrecord.h"

#include <QCoreApplication>
#include <QHostAddress>

#include <cstdio>

namespace {

constexpr int ReplyDelayMs = 10;

void run(const char *name, RegisterSimulator::Family family, bool write, int runs)
{
    RegisterSimulator::Config config;
    config.family = family;
    config.discoveryPort = 0;
    RegisterSimulator sim(config);
    if (!sim.listen(QHostAddress(QStringLiteral("127.0.0.2")))) {
        std::printf("%s: cannot listen\n", name);
        return;
    }
    sim.setFault(RegisterSimulator::ReplyDelay, RegisterSimulator::EveryRequest, ReplyDelayMs);
    const QByteArray records = TaggedRecord::make(TaggedRecord::ParameterImageTag, sim.parameterImage())
        + TaggedRecord::make(TaggedRecord::SystemImageTag, sim.systemImage());

    DeviceController controller;
    std::vector<double> totals, connects;
    int requests = 0;
    for (int i = 0; i < runs; ++i) {
        sim.clearRequestLog();
        const JobTiming t = timeJob(controller, [&] {
            return write
                ? controller.writeParams(QStringLiteral("127.0.0.2"), sim.serverPort(), records, sim.serial(),
                                         family == RegisterSimulator::Family252 ? 52 : 53)
                : controller.readParams(QStringLiteral("127.0.0.2"), sim.serverPort());
        });
        if (t.result != 0) {
            std::printf("%s: job failed with %d\n", name, t.result);
            return;
        }
        requests = sim.requestLog().size();
        totals.push_back(t.totalMs);
        connects.push_back(t.connectMs);
    }
    const double total = median(totals);
    const double connect = median(connects);
    const double floor = requests * ReplyDelayMs;
    std::printf("%-22s %3d requests: %7.1f ms   reference (floor %.0f ms + connect %.1f ms) %7.1f ms   "
                "ratio %.3f   (goal <= 1.05 x floor + connect)\n",
                name, requests, total, floor, connect, floor + connect, total / (floor + connect));
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    quietLink();
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 9;
    run("ReadParams 2.53", RegisterSimulator::Family253, false, runs);
    run("ReadParams 2.52", RegisterSimulator::Family252, false, runs);
    run("WriteParams 2.53", RegisterSimulator::Family253, true, runs);
    run("WriteParams 2.52", RegisterSimulator::Family252, true, runs);
    return 0;
}
