// What the snapshot before a write costs: "snapshot + write" (read the
// register's data of the write's kind, check it, store it, then write)
// against the write alone, alternating, against a simulator on this thread.
// Parameters of both families, and a 2000-row goods catalogue; with a
// register that answers at once and one that takes 10 ms a request.
//
//     bench_snapshot [RUNS]

#include "../link/benchsupport.h"

#include "goods/goodsimage.h"
#include "history/snapshotstore.h"
#include "history/snapshottaker.h"
#include "link/devicejobloop.h"
#include "link/taggedrecord.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QTemporaryDir>

#include <cstdio>

namespace {

const QString Host = QStringLiteral("127.0.0.2");
constexpr int GoodsRows = 2000;

enum class Kind { Params53, Params52, Goods };

GoodsList catalogue(int rows, int salt)
{
    GoodsList list;
    list.reserve(rows);
    for (int i = 0; i < rows; ++i) {
        Goods g;
        g.name = QStringLiteral("Товар %1 партия %2").arg(i).arg(salt);
        g.intcode = QString::number(i + 1);
        g.barcode = QStringLiteral("46%1").arg(i * 7 + salt, 11, 10, QLatin1Char('0'));
        g.price = (i % 5000) + salt / 100.0;
        g.dept = 1 + i % 16;
        list.append(g);
    }
    return list;
}

void run(const char *name, Kind kind, int delayMs, int runs, const SnapshotStore &store)
{
    RegisterSimulator::Config config;
    config.family = kind == Kind::Params52 ? RegisterSimulator::Family252 : RegisterSimulator::Family253;
    config.goodsCapacity = GoodsRows + 1; // the header takes record 0
    config.discoveryPort = 0;
    RegisterSimulator sim(config);
    if (!sim.listen(QHostAddress(Host))) {
        std::printf("%s: cannot listen\n", name);
        return;
    }
    sim.fillDemoParameters();
    const int family = kind == Kind::Params52 ? 52 : 53;
    const QByteArray records = TaggedRecord::make(TaggedRecord::ParameterImageTag, sim.parameterImage())
        + TaggedRecord::make(TaggedRecord::SystemImageTag, sim.systemImage());
    // The register holds one full catalogue, and another one is written.
    const QByteArray held = buildGoodsImage(catalogue(GoodsRows, 1), true);
    sim.setGoodsArea(held + sim.goodsArea().mid(held.size()));
    const QByteArray image = buildGoodsImage(catalogue(GoodsRows, 2), true);
    if (delayMs > 0)
        sim.setFault(RegisterSimulator::ReplyDelay, RegisterSimulator::EveryRequest, delayMs);

    DeviceController controller;
    const auto write = [&] {
        return runDeviceJob(controller, [&] {
            return kind == Kind::Goods
                ? controller.writeGoods(Host, sim.serverPort(), image, sim.serial(), 53)
                : controller.writeParams(Host, sim.serverPort(), records, sim.serial(), family);
        });
    };
    const auto read = [&] {
        return runDeviceJob(controller, [&] {
            return kind == Kind::Goods ? controller.readGoods(Host, sim.serverPort())
                                       : controller.readParams(Host, sim.serverPort());
        });
    };
    SnapshotTaker taker(controller, SnapshotOrigin::Cli, store);

    std::vector<double> alone, both, reads, stores;
    QElapsedTimer clock;
    for (int i = 0; i < runs; ++i) {
        clock.start();
        if (write() != 0) {
            std::printf("%s: write failed with %d\n", name, controller.result());
            return;
        }
        alone.push_back(clock.nsecsElapsed() / 1e6);

        clock.start();
        double readMs = 0;
        const auto timedRead = [&] {
            const int result = read();
            readMs = clock.nsecsElapsed() / 1e6;
            return result;
        };
        const SnapshotResult s = kind == Kind::Goods ? taker.goods(timedRead, sim.serial())
                                                     : taker.params(timedRead, sim.serial(), family);
        const double snapshotMs = clock.nsecsElapsed() / 1e6;
        if (!s.ok()) {
            std::printf("%s: %s\n", name, qPrintable(s.text()));
            return;
        }
        if (write() != 0) {
            std::printf("%s: write failed with %d\n", name, controller.result());
            return;
        }
        both.push_back(clock.nsecsElapsed() / 1e6);
        reads.push_back(readMs);
        stores.push_back(snapshotMs - readMs);
    }
    const double a = median(alone), b = median(both);
    std::printf("%-34s snapshot + write %8.1f ms   reference write alone %8.1f ms   ratio %.2f   "
                "(adds %.1f ms: read %.1f, check and store %.1f)\n",
                name, b, a, b / a, b - a, median(reads), median(stores));
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    quietLink();
    // Never the user's own data folder.
    QTemporaryDir data;
    qputenv("XDG_DATA_HOME", data.path().toLocal8Bit());
    const SnapshotStore store(data.filePath(QStringLiteral("snapshots")));
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 9;
    run("params 2.53, at once", Kind::Params53, 0, runs, store);
    run("params 2.52, at once", Kind::Params52, 0, runs, store);
    run("params 2.53, 10 ms a request", Kind::Params53, 10, runs, store);
    run("goods 2000 rows, at once", Kind::Goods, 0, runs, store);
    run("goods 2000 rows, 10 ms a request", Kind::Goods, 10, std::max(1, runs / 3), store);
    return 0;
}
