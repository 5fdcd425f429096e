// korvant-cli apply --groups positions to 16 simulated registers against the
// same apply to one, every register taking 10 ms to answer each request, and
// the program's peak resident memory with 16 registers in flight against one
// (VmHWM, read every millisecond while it runs); then korvant-cli
// apply-goods of a 2000-row catalogue to 8 registers against one.
//
//     bench_fleet_apply [RUNS] [params|goods]
//
// The registers live in this process, on its event loop, on loopback
// addresses; korvant-cli runs as a child process of its own, as a user runs
// it, so its time (start-up included) and memory are its own. Each run
// alternates the written data, so that every run writes every register.

#include "goods/goodscsv.h"
#include "link/frame.h"
#include "params/deviceparams.h"
#include "params/paramfile.h"
#include "sim/registersimulator.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QHostAddress>
#include <QLoggingCategory>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <memory>
#include <spawn.h>
#include <sys/wait.h>
#include <vector>

extern char **environ;

namespace {

constexpr int ReplyDelayMs = 10;
constexpr int Registers = 16;
constexpr int GoodsRegisters = 8;
constexpr int GoodsRows = 2000;

struct Sample
{
    double ms = 0;
    double rssMb = 0;
    int status = -1;
};

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

// The process's peak resident memory so far (VmHWM), in kB; 0 once it is gone.
long peakKb(pid_t pid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    }
    return 0;
}

// Runs the program to its end while this thread's event loop serves the
// registers. Its peak memory is read from /proc while it runs: wait4()'s
// figure would include this process's own, which the child shares until
// its exec.
Sample runChild(const QStringList &args, const QByteArrayList &env)
{
    std::vector<QByteArray> argBytes;
    for (const QString &a : args)
        argBytes.push_back(a.toLocal8Bit());
    std::vector<char *> argv;
    for (QByteArray &a : argBytes)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    std::vector<QByteArray> envBytes(env.begin(), env.end());
    for (char **e = environ; *e; ++e) {
        const QByteArray entry(*e);
        const QByteArray name = entry.left(entry.indexOf('=') + 1);
        if (std::none_of(env.begin(), env.end(), [&](const QByteArray &x) { return x.startsWith(name); }))
            envBytes.push_back(entry);
    }
    std::vector<char *> envp;
    for (QByteArray &e : envBytes)
        envp.push_back(e.data());
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    // Reports and progress lines are not measured; the exit status tells failure.
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    QElapsedTimer clock;
    clock.start();
    pid_t pid = 0;
    Sample s;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data()) != 0) {
        posix_spawn_file_actions_destroy(&actions);
        return s;
    }
    posix_spawn_file_actions_destroy(&actions);
    QEventLoop loop;
    QTimer poll;
    int status = 0;
    long peak = 0;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        peak = std::max(peak, peakKb(pid));
        if (waitpid(pid, &status, WNOHANG) == pid) {
            s.ms = clock.nsecsElapsed() / 1e6;
            loop.quit();
        }
    });
    poll.start(1);
    loop.exec();
    s.rssMb = peak / 1024.0;
    s.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return s;
}

// A parameter file of a 2.53 register whose first position has the name.
bool writeSource(const RegisterSimulator &like, const QString &name, const QString &path)
{
    std::unique_ptr<DeviceParams> p(DeviceParams::create(QStringLiteral("2.53.12")));
    p->fromImage(like.parameterImage(), like.systemImage());
    if (!p->setValue(QStringLiteral("positions[0].name"), name))
        return false;
    ParamFile file;
    file.serial = like.serial();
    file.version = QStringLiteral("2.53.12");
    file.params = like.parameterImage();
    file.system = like.systemImage();
    p->toImage(file.params, file.system);
    QString error;
    return file.save(path, &error);
}

// A catalogue of rows rows whose prices all end in cents; one file per cents
// value, so that runs alternating between them write every row. Departments
// 1 to 4, those the simulated registers have configured.
bool writeCatalogue(int rows, int cents, const QString &path)
{
    GoodsList list;
    list.reserve(rows);
    for (int i = 0; i < rows; ++i) {
        list.append({ QStringLiteral("Товар номер %1 из пекарни «Берёзка»").arg(i + 1),
                      QString::number(10000 + i), QString(), 10 + i % 500 + cents / 100.0, 1 + i % 4 });
    }
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(goodsCsvBytes(list)) > 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QLoggingCategory::setFilterRules(QStringLiteral("default.debug=false"));
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 5;
    const QByteArray only = argc > 2 ? QByteArray(argv[2]) : QByteArray();

    // Registers .201-.216 for the sixteen, .217 for the one; all on one port.
    std::vector<std::unique_ptr<RegisterSimulator>> sims;
    quint16 port = 0;
    for (int i = 0; i <= Registers; ++i) {
        RegisterSimulator::Config config;
        config.serial = QStringLiteral("05300002%1").arg(i + 1, 2, 10, QLatin1Char('0'));
        config.discoveryPort = 0;
        // Room for the catalogue: a register holds one row less than its capacity.
        config.goodsCapacity = GoodsRows + 1;
        auto sim = std::make_unique<RegisterSimulator>(config);
        sim->fillDemoParameters();
        if (!sim->listen(QHostAddress(QStringLiteral("127.0.0.%1").arg(201 + i)), port)) {
            std::fprintf(stderr, "cannot listen on 127.0.0.%d:%d\n", 201 + i, port);
            return 1;
        }
        port = sim->serverPort();
        sim->setFault(RegisterSimulator::ReplyDelay, RegisterSimulator::EveryRequest, ReplyDelayMs);
        sims.push_back(std::move(sim));
    }
    QTemporaryDir dir;
    const QString files[2]
        = { dir.filePath(QStringLiteral("a.params.json")), dir.filePath(QStringLiteral("b.params.json")) };
    if (!writeSource(*sims.front(), QStringLiteral("Кассир А"), files[0])
        || !writeSource(*sims.front(), QStringLiteral("Кассир Б"), files[1])
        || !writeCatalogue(GoodsRows, 0, dir.filePath(QStringLiteral("a.csv")))
        || !writeCatalogue(GoodsRows, 50, dir.filePath(QStringLiteral("b.csv")))) {
        std::fprintf(stderr, "cannot write the parameter and goods files\n");
        return 1;
    }
    const QByteArrayList env = { "XDG_DATA_HOME=" + dir.filePath(QStringLiteral("data")).toLocal8Bit(),
                                 "XDG_CONFIG_HOME=" + dir.filePath(QStringLiteral("config")).toLocal8Bit() };
    QStringList sixteen, one { QStringLiteral("127.0.0.%1").arg(201 + Registers) };
    for (int i = 0; i < Registers; ++i)
        sixteen.append(QStringLiteral("127.0.0.%1").arg(201 + i));

    // Runs korvant-cli with the arguments and then the targets; every target
    // must have been written.
    const auto runCli = [&](const QStringList &args, const QStringList &targets) {
        for (const auto &sim : sims)
            sim->clearRequestLog();
        const Sample s = runChild(QStringList { QStringLiteral(KORVANT_CLI_PATH) } + args + targets, env);
        if (s.status != 0) {
            std::fprintf(stderr, "korvant-cli %s ended with %d\n", qPrintable(args.first()), s.status);
            std::exit(1);
        }
        // A register that held the data already would only be read: every one must have been written.
        for (const QString &address : targets) {
            const int i = address.section(QLatin1Char('.'), 3).toInt() - 201;
            const QList<RegisterSimulator::Request> log = sims.at(size_t(i))->requestLog();
            if (std::none_of(log.begin(), log.end(), [](const RegisterSimulator::Request &r) {
                    return r.command == Frame::CmdWritePages;
                })) {
                std::fprintf(stderr, "%s was not written\n", qPrintable(address));
                std::exit(1);
            }
        }
        return s;
    };
    const auto apply = [&](const QStringList &targets, int jobs, const QString &file) {
        return runCli({ QStringLiteral("apply"), file, QStringLiteral("--groups"),
                        QStringLiteral("positions"), QStringLiteral("--no-ping"), QStringLiteral("--port"),
                        QString::number(port), QStringLiteral("--jobs"), QString::number(jobs) },
                      targets);
    };

    if (only != "goods") {
        std::printf("korvant-cli apply --groups positions, %d ms a request, medians of %d runs\n",
                    ReplyDelayMs, runs);
        // The one register and the sixteen alternate, so both see the machine alike.
        int pair = 0;
        for (const int jobs : { 4, 16, 1 }) {
            std::vector<double> single, many, singleRss, manyRss;
            const int n = jobs == 1 ? std::max(1, runs / 2) : runs;
            for (int i = 0; i < n; ++i) {
                // The data alternate between runs, so every run writes every register.
                const Sample a = apply(one, jobs, files[pair % 2]);
                const Sample b = apply(sixteen, jobs, files[pair % 2]);
                ++pair;
                single.push_back(a.ms);
                many.push_back(b.ms);
                singleRss.push_back(a.rssMb);
                manyRss.push_back(b.rssMb);
            }
            const double s = median(single), m = median(many);
            std::printf("16 registers, --jobs %2d: %7.0f ms   reference (1 register, same run) %6.0f ms   "
                        "ratio %5.2f%s\n",
                        jobs, m, s, m / s,
                        jobs == 4       ? "   (goal <= 5, the default)"
                            : jobs == 1 ? "   (one after another)"
                                        : "");
            if (jobs == 16) {
                const double sr = median(singleRss), mr = median(manyRss);
                std::printf(
                    "peak resident memory, 16 registers in flight: %6.2f MB   reference (1 register) %6.2f MB"
                    "   ratio %.2f   (goal <= 2)\n",
                    mr, sr, mr / sr);
            }
        }
    }

    if (only != "params") {
        const QStringList eight = sixteen.mid(0, GoodsRegisters);
        std::printf("korvant-cli apply-goods, %d rows, %d ms a request, medians of %d runs\n", GoodsRows,
                    ReplyDelayMs, runs);
        std::vector<double> single, many;
        for (int i = 0; i < runs; ++i) {
            const QString file = dir.filePath(i % 2 ? QStringLiteral("b.csv") : QStringLiteral("a.csv"));
            const QStringList args { QStringLiteral("apply-goods"), file, QStringLiteral("--no-ping"),
                                     QStringLiteral("--port"), QString::number(port) };
            single.push_back(runCli(args, one).ms);
            many.push_back(runCli(args, eight).ms);
        }
        const double s = median(single), m = median(many);
        std::printf(
            "%d registers, --jobs 4: %7.0f ms   reference (1 register, same run) %6.0f ms   ratio %5.2f"
            "   (goal <= 3)\n",
            GoodsRegisters, m, s, m / s);
    }
    return 0;
}
