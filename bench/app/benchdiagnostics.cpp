// The diagnostics file of a large site: 500 registers and a full journal
// (10 000 lines). Figures: building the whole masked text, and the masking
// alone. Reference, same run: one QString::replace() of one serial number
// over the same text, which a masking by one replace per serial number
// would repeat 500 times.
#include "app/diagnostics.h"
#include "app/identifiermask.h"
#include "link/devicejob.h"
#include "link/resultexplanation.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

Diagnostics::Input largeSite()
{
    Diagnostics::Input input;
    input.created = QDateTime::currentDateTime();
    for (int i = 0; i < 500; ++i) {
        const QString serial = QStringLiteral("05300%1").arg(i, 5, 10, QLatin1Char('0'));
        input.devices.append({ serial, QStringLiteral("Касса %1").arg(i), QStringLiteral("2.53.12"),
                               QStringLiteral("10.0.%1.%2").arg(i / 200).arg(i % 200 + 1) });
        input.profileKeys.append(serial);
    }
    for (int i = 0; i < ExchangeJournal::DefaultCapacity; ++i) {
        const DeviceEntry &device = input.devices.at(i % input.devices.size());
        JournalLine line;
        line.sequence = quint64(i) + 1;
        line.started = input.created;
        line.origin = QStringLiteral("ККТ %1").arg(device.serial);
        line.host = device.addr;
        line.port = 8080;
        line.serial = device.serial;
        line.kind = DeviceJob::ReadParams;
        line.pages = 25;
        line.durationMs = 120;
        line.result = i % 7 ? ResultOk : ErrNoReply;
        line.explanation = resultExplanation(line.result);
        input.journal.append(line);
    }
    return input;
}

double timed(const std::function<void()> &work)
{
    QElapsedTimer clock;
    clock.start();
    work();
    return clock.nsecsElapsed() / 1e6;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 5;
    const Diagnostics::Input input = largeSite();
    const QString text = Diagnostics::text(input);
    const QString one = input.devices.first().serial;
    const QString oneMasked = IdentifierMask::mask(one);

    qint64 sink = 0;
    std::vector<double> whole, masking, reference;
    for (int i = 0; i < runs; ++i) {
        // Alternate, so that a busy moment of the machine hits all three.
        whole.push_back(timed([&] { sink += Diagnostics::text(input).size(); }));
        masking.push_back(timed([&] { sink += IdentifierMask::maskText(text, input.profileKeys).size(); }));
        reference.push_back(timed([&] {
            QString copy = text;
            sink += copy.replace(one, oneMasked).size();
        }));
    }
    const double ref = median(reference);
    std::printf("diagnostics text, 500 registers, %d journal lines (%d characters): %.1f ms | one replace() "
                "of one serial number: %.1f ms | ratio %.1f\n",
                int(input.journal.size()), int(text.size()), median(whole), ref, median(whole) / ref);
    std::printf("masking alone, 500 serial numbers: %.1f ms | one replace() of one serial number: %.1f ms | "
                "ratio %.1f\n",
                median(masking), ref, median(masking) / ref);
    std::printf("(median of %d runs; checksum %lld)\n", runs, static_cast<long long>(sink));
    return 0;
}
