// Goods CSV load and save against Python's csv module and a bare libfccp
// parse of the same file, all in the same run.
#include "goodsbench.h"

#include "classes/csv/csvreader.h"
#include "goods/cp1251table.h"
#include "goods/goodstablemodel.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTemporaryDir>

#include <cstring>
#include <malloc.h>
#include <memory>
#include <string>

namespace {

const char *const PythonScript = R"(
import csv, sys, time
mode, path, out, runs = sys.argv[1], sys.argv[2], sys.argv[3], int(sys.argv[4])

def load():
    rows = []
    with open(path, newline='', encoding='cp1251') as f:
        reader = csv.reader(f, delimiter=';')
        next(reader)
        for name, intcode, barcode, price, dept in reader:
            rows.append([name, intcode, barcode, float(price.replace(',', '.')), int(dept or 0)])
    return rows

def save(rows):
    with open(out, 'w', newline='', encoding='cp1251') as f:
        writer = csv.writer(f, delimiter=';')
        writer.writerow(['name', 'intcode', 'barcode', 'price', 'dept'])
        writer.writerows(rows)

rows = load() if mode == 'save' else None
for _ in range(runs):
    t, c = time.perf_counter(), time.process_time()
    if mode == 'load':
        load()
    else:
        save(rows)
    print((time.perf_counter() - t) * 1000.0, (time.process_time() - c) * 1000.0)
)";

// Medians of the run times the Python script prints (interpreter start-up
// excluded).
Timing pythonTiming(const char *mode, const QString &path, const QString &out, int runs)
{
    QProcess p;
    p.start(QStringLiteral("python3"),
            { QStringLiteral("-c"), QString::fromUtf8(PythonScript), QString::fromLatin1(mode), path, out,
              QString::number(runs) });
    if (!p.waitForFinished(600000) || p.exitCode() != 0) {
        std::fprintf(stderr, "python3 %s failed: %s\n", mode, p.readAllStandardError().constData());
        return {};
    }
    std::vector<double> wall, cpu;
    for (const QByteArray &line : p.readAllStandardOutput().split('\n')) {
        const QList<QByteArray> pair = line.trimmed().split(' ');
        if (pair.size() == 2) {
            wall.push_back(pair[0].toDouble());
            cpu.push_back(pair[1].toDouble());
        }
    }
    return { median(wall), median(cpu) };
}

// The floor the reader sets: its own file source, fields as C strings and
// numbers, nothing decoded or kept.
size_t bareParse(const QByteArray &path)
{
    SemicolonCsvReader<5> in(path.constData());
    in.read_header(io::ignore_extra_column, "name", "intcode", "barcode", "price", "dept");
    char *name = nullptr, *intcode = nullptr, *barcode = nullptr;
    double price = 0;
    int dept = 0;
    size_t sum = 0;
    while (in.read_row(name, intcode, barcode, price, dept))
        sum += std::strlen(name) + std::strlen(intcode) + std::strlen(barcode) + size_t(dept) + (price > 0);
    return sum;
}

long statusKb(const char *key)
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : f.readAll().split('\n'))
        if (line.startsWith(key))
            return line.mid(int(std::strlen(key))).trimmed().split(' ').value(0).toLong();
    return 0;
}

// Child mode: the peak resident memory of one load over the idle process.
int memoryChild(const QString &path)
{
    const long idle = statusKb("VmHWM:");
    GoodsTableModel model;
    const GoodsCsvLoad load = loadGoodsCsv(path, model);
    std::printf("%ld %ld %d\n", idle, statusKb("VmHWM:"), model.rowCount());
    return load.ok() ? 0 : 1;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc == 3 && std::strcmp(argv[1], "--memory") == 0)
        return memoryChild(QString::fromLocal8Bit(argv[2]));
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 9;
    const int count = 100000;

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("goods.csv"));
    const QString out = dir.filePath(QStringLiteral("saved.csv"));
    const GoodsList rows = generateGoods(count);
    QString error;
    if (!saveGoodsCsv(path, rows, &error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    const QByteArray nativePath = QFile::encodeName(path);
    std::printf("%d rows, %lld bytes, Windows-1251; median of %d runs\n", count, QFile(path).size(), runs);

    // Load into a new model, whose rows are freed outside the figure and the
    // heap settled, as in a process that loads its first catalogue.
    GoodsTableModel check;
    if (!loadGoodsCsv(path, check).ok() || check.rowCount() != count) {
        std::fprintf(stderr, "load failed\n");
        return 1;
    }
    std::unique_ptr<GoodsTableModel> model;
    const Timing fresh = measure(
        runs,
        [&] {
            model = std::make_unique<GoodsTableModel>();
            loadGoodsCsv(path, *model);
        },
        [&] {
            model.reset();
            malloc_trim(0);
        });
    // Load again over a loaded catalogue: freeing the old rows counts.
    const Timing replace = measure(runs, [&] { loadGoodsCsv(path, check); });
    size_t sink = 0;
    const Timing bare = measure(runs, [&] { sink += bareParse(nativePath); });
    const Timing pyLoad = pythonTiming("load", path, out, runs);
    report("CSV load into a new model", fresh, "python csv, cp1251", pyLoad, "<= 0.20");
    report("CSV load into a new model", fresh, "bare libfccp parse", bare, "<= 1.50");
    report("CSV load over 100 000 loaded rows", replace, "bare libfccp parse", bare, "<= 1.50");

    // What the rows alone cost: the same texts, already split, decoded into
    // 100 000 rows of three heap strings each.
    std::vector<std::string> texts;
    for (const Goods &g : rows)
        for (const QString *t : { &g.name, &g.intcode, &g.barcode })
            texts.push_back(Cp1251Table::encode(*t).toStdString());
    GoodsList built;
    const Timing rowsOnly = measure(
        runs,
        [&] {
            built.reserve(count);
            for (size_t i = 0; i + 2 < texts.size(); i += 3)
                built.append(Goods { Cp1251Table::decode(texts[i].data(), int(texts[i].size())),
                                     Cp1251Table::decode(texts[i + 1].data(), int(texts[i + 1].size())),
                                     Cp1251Table::decode(texts[i + 2].data(), int(texts[i + 2].size())), 1,
                                     1 });
        },
        [&] {
            built = GoodsList();
            malloc_trim(0);
        });
    report("(rows alone: decode, allocate, append)", rowsOnly, "bare libfccp parse", bare, "(none)");

    QProcess child;
    child.start(QCoreApplication::applicationFilePath(), { QStringLiteral("--memory"), path });
    child.waitForFinished(120000);
    const QList<QByteArray> mem = child.readAllStandardOutput().trimmed().split(' ');
    if (mem.size() == 3)
        std::printf("%-44s %8.1f MB   (peak resident %.1f MB, idle %.1f MB; file %.1f MB)\n",
                    "CSV load: peak memory over the idle process",
                    (mem[1].toLong() - mem[0].toLong()) / 1024.0, mem[1].toLong() / 1024.0,
                    mem[0].toLong() / 1024.0, QFile(path).size() / 1048576.0);

    // Save.
    const Timing save = measure(runs, [&] { saveGoodsCsv(out, rows); });
    const Timing bytes = measure(runs, [&] { sink += size_t(goodsCsvBytes(rows).size()); });
    const Timing pySave = pythonTiming("save", path, out, runs);
    report("CSV save (QSaveFile, synced to disk)", save, "python csv writer, cp1251", pySave, "<= 0.10");
    report("CSV save, the file's bytes alone", bytes, "python csv writer, cp1251", pySave, "(none)");
    return sink == 0;
}
