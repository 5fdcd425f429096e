#pragma once

#include "goods/goods.h"

#include <QCommandLineParser>
#include <QList>
#include <QStringList>

#include <cstdio>
#include <functional>
#include <memory>

class DeviceController;
class DeviceParams;
class FleetRun;
class QTextStream;
struct FleetTarget;
struct ParamFile;
struct SnapshotResult;

// korvant-cli: one command a run. The program's main() only wires the
// standard streams; tests call run() directly.
class Cli
{
public:
    // Exit statuses, also listed by --help.
    enum Exit {
        ExitOk = 0,
        ExitDiffers = 1, // diff, goods-diff: the files differ
        ExitFindings = 1, // check, goods-check: the parameters or goods break the windows' rules
        ExitUsage = 2, // bad command line; set: a value refused
        ExitUnreachable = 3, // the register does not answer at its address
        ExitJobFailed = 4, // the transfer failed; its result code is printed
        ExitMismatch = 5, // the register's serial number or family is not the file's
        ExitFile = 6, // a file or the settings store could not be read or written, or a CSV file loaded
    };

    Cli(QTextStream &out, QTextStream &err);

    // args as from QCoreApplication::arguments() (program name first).
    int run(const QStringList &args);

    // The commands, public for the command table.
    int ping(const QStringList &args);
    int info(const QStringList &args);
    int readParams(const QStringList &args);
    int writeParams(const QStringList &args);
    int apply(const QStringList &args);
    int applyGoods(const QStringList &args);
    int inventory(const QStringList &args);
    int show(const QStringList &args);
    int diff(const QStringList &args);
    int set(const QStringList &args);
    int check(const QStringList &args);
    int profile(const QStringList &args);
    int scan(const QStringList &args);
    int readGoods(const QStringList &args);
    int writeGoods(const QStringList &args);
    int goodsCheck(const QStringList &args);
    int goodsDiff(const QStringList &args);
    int snapshots(const QStringList &args);

private:
    static constexpr int PingTimeoutMs = 1000;
    static constexpr quint16 DefaultPort = 8080;

    // Network options shared by the commands that talk to a register.
    struct NetOptions
    {
        NetOptions();
        void addTo(QCommandLineParser &p) const;

        QCommandLineOption port;
        QCommandLineOption noPing;
    };

    static bool isTerminal(FILE *f);
    // --jobs N of the commands that work on several registers at once.
    static QCommandLineOption jobsOption();
    // Its value, 1 to FleetRunner::MaxJobs; otherwise false, with the usage
    // message printed and its status in *exit.
    bool jobsValue(const QCommandLineParser &p, const QCommandLineOption &option, int *jobs, int *exit);

    // --jobs, --port and the ADDRESS and SERIAL@ADDRESS arguments (after the
    // file) of apply and apply-goods; otherwise false, with the usage message
    // printed and its status in *exit.
    bool fleetTargets(const QCommandLineParser &p, const NetOptions &net, const QCommandLineOption &jobs,
                      int *jobCount, QList<FleetTarget> *targets, int *exit);
    // Runs apply or apply-goods to its end: without confirmation (or a dry
    // run), reports in target order, the summary table; the exit status.
    int runFleet(FleetRun &fleet, const QList<FleetTarget> &targets, bool dry, int jobs, bool noPing);
    // A goods CSV file to be written: loaded whole, every row one the goods
    // record holds as it is; otherwise false, the reason printed, *exit set.
    bool loadGoodsForWrite(const QString &path, GoodsList *rows, int *exit);

    int usage(const QString &message);
    // Bytes as they are (a CSV file's code page) to standard output; a
    // stream without a device (a test's string) gets their text.
    void writeBytes(const QByteArray &bytes);
    // Prints the message to standard error and returns exit.
    int fail(int exit, const QString &message);
    bool parse(QCommandLineParser &p, const QStringList &args, int minArgs, int maxArgs, int *exit);
    bool reachable(const QString &address, bool skip);
    // The --port value; otherwise false, with the usage message printed and
    // its status in *exit.
    bool portValue(const QCommandLineParser &p, const NetOptions &net, quint16 *port, int *exit);
    // Address and port of a network command, once the address answers;
    // ExitOk, or the exit status of what went wrong.
    int openTarget(const QCommandLineParser &p, const NetOptions &net, QString *address, quint16 *port);
    // Runs one job to its end; returns its result code.
    int runJob(DeviceController &controller, const std::function<bool()> &start, const QString &label);
    std::unique_ptr<DeviceParams> decode(const QString &path, ParamFile *file);
    // The read a write's snapshot needs (SnapshotTaker), with its own progress label.
    int readForSnapshot(DeviceController &controller, const QString &address, quint16 port, bool goods);
    // A snapshot that was not read or not stored: its message, and the exit
    // status (ExitJobFailed, ExitFile).
    int snapshotFailure(const SnapshotResult &snapshot);

    QTextStream &m_out;
    QTextStream &m_err;
};
