// Time from process start to the main window's first paint (offscreen) and
// peak resident memory, with 0 and 500 registers in the store. The reference
// is a bare QMainWindow started the same way in the same run. Then the cost
// of a goods catalogue kept in a profile: ten registers with parameter
// profiles, one of them also with 10 000 goods rows, against the same store
// without them, both the utility.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QProcessEnvironment>
#include <QSettings>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <utility>
#include <vector>

namespace {

struct Sample
{
    double ms = 0;
    double rssMb = 0;
};

// The child runs offscreen on the store under configHome.
QProcessEnvironment childEnvironment(const QString &configHome)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), configHome);
    return env;
}

Sample runOnce(const QString &child, const QString &mode, const QString &configHome)
{
    QProcess p;
    p.setProcessEnvironment(childEnvironment(configHome));
    QElapsedTimer timer;
    timer.start();
    p.start(child, { mode });
    Sample s;
    while (p.waitForReadyRead(10000)) {
        if (p.canReadLine() && p.readLine().startsWith("shown")) {
            s.ms = timer.nsecsElapsed() / 1e6;
            break;
        }
    }
    p.waitForFinished(10000);
    const QByteArray rest = p.readAll();
    const int at = rest.indexOf("maxrss_kb ");
    if (at >= 0)
        s.rssMb = rest.mid(at + 10).trimmed().toDouble() / 1024.0;
    if (s.ms == 0 || p.exitCode() != 0) {
        std::fprintf(stderr, "child %s failed: %s\n", qPrintable(mode), p.readAllStandardError().constData());
        std::exit(1);
    }
    return s;
}

Sample median(std::vector<Sample> v)
{
    auto mid = [&](auto key) {
        std::sort(v.begin(), v.end(), [&](const Sample &a, const Sample &b) { return key(a) < key(b); });
        return key(v[v.size() / 2]);
    };
    return { mid([](const Sample &s) { return s.ms; }), mid([](const Sample &s) { return s.rssMb; }) };
}

struct Run
{
    QString mode;
    QString configHome;
};

// Medians of a and b started alternately, after one start of each to warm
// the file cache.
std::pair<Sample, Sample> alternate(const QString &child, const Run &a, const Run &b, int runs)
{
    runOnce(child, a.mode, a.configHome);
    runOnce(child, b.mode, b.configHome);
    std::vector<Sample> as, bs;
    for (int i = 0; i < runs; ++i) {
        as.push_back(runOnce(child, a.mode, a.configHome));
        bs.push_back(runOnce(child, b.mode, b.configHome));
    }
    return { median(as), median(bs) };
}

void seedStore(const QString &configHome, int count)
{
    QSettings s(configHome + QStringLiteral("/Korvant Engineering/KorvantUtility3.conf"),
                QSettings::IniFormat);
    s.beginWriteArray(QStringLiteral("devices"));
    for (int i = 0; i < count; ++i) {
        s.setArrayIndex(i);
        s.setValue(QStringLiteral("serial"), QString::number(100000 + i));
        s.setValue(QStringLiteral("name"), QStringLiteral("Касса %1").arg(i + 1));
        s.setValue(QStringLiteral("version"), i % 2 ? QStringLiteral("2.52.40") : QStringLiteral("2.53.10"));
        s.setValue(QStringLiteral("addr"), QStringLiteral("127.0.%1.%2").arg(i / 250).arg(i % 250 + 2));
    }
    s.endArray();
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QString child = QCoreApplication::applicationDirPath() + QStringLiteral("/bench_startup_child");
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 15;

    for (const int registers : { 0, 500 }) {
        QTemporaryDir home;
        seedStore(home.path(), registers);
        const auto [a, b] = alternate(child, { QStringLiteral("app"), home.path() },
                                      { QStringLiteral("bare"), home.path() }, runs);
        std::printf("startup to first paint, %3d registers: %7.1f ms   reference (bare window) %7.1f ms   "
                    "ratio %.2f   (goal < 150 ms)\n",
                    registers, a.ms, b.ms, a.ms / b.ms);
        std::printf("peak resident memory,  %3d registers: %7.1f MB   reference (bare window) %7.1f MB   "
                    "ratio %.2f   (goal < 60 MB)\n",
                    registers, a.rssMb, b.rssMb, a.rssMb / b.rssMb);
    }

    QTemporaryDir plain, goods;
    for (const auto &[dir, rows] :
         { std::pair<const QTemporaryDir *, int> { &plain, 0 }, { &goods, 10000 } }) {
        QProcess seed;
        seed.setProcessEnvironment(childEnvironment(dir->path()));
        seed.start(child, { QStringLiteral("seed"), QString::number(rows) });
        if (!seed.waitForFinished(60000) || seed.exitCode() != 0) {
            std::fprintf(stderr, "seeding the store failed: %s\n", seed.readAllStandardError().constData());
            return 1;
        }
    }
    const auto [g, p] = alternate(child, { QStringLiteral("app"), goods.path() },
                                  { QStringLiteral("app"), plain.path() }, runs);
    std::printf("startup to first paint, 10 registers, one with 10 000 goods rows: %7.1f ms   reference (the "
                "same without goods) %7.1f ms   ratio %.2f   (goal <= 2.00)\n",
                g.ms, p.ms, g.ms / p.ms);
    std::printf("peak resident memory, the same: %7.1f MB   reference %7.1f MB   ratio %.2f\n", g.rssMb,
                p.rssMb, g.rssMb / p.rssMb);
    return 0;
}
