#include "fuzz/fuzztargets.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QtTest>

// A bounded run of every fuzz target: its seed corpus as it stands, then
// inputs mutated from it the way libFuzzer starts out (bits flipped, bytes
// set, inserted, removed or repeated, seeds spliced). scripts/fuzz.sh runs
// the same targets at length.
class TestFuzzCorpus : public QObject
{
    Q_OBJECT

private slots:
    void boundedRun_data();
    void boundedRun();
};

namespace {

QByteArray mutate(QByteArray input, const QList<QByteArray> &seeds, QRandomGenerator &rng)
{
    for (int steps = 1 + rng.bounded(4); steps > 0; --steps) {
        const int size = input.size();
        const int at = size ? rng.bounded(size) : 0;
        switch (rng.bounded(7)) {
        case 0:
            if (size)
                input[at] = char(input.at(at) ^ (1 << rng.bounded(8)));
            break;
        case 1:
            if (size)
                input[at] = char(rng.bounded(256));
            break;
        case 2: {
            QByteArray insert(1 + rng.bounded(8), Qt::Uninitialized);
            for (char &c : insert)
                c = char(rng.bounded(256));
            input.insert(at, insert);
            break;
        }
        case 3:
            input.remove(at, 1 + rng.bounded(16));
            break;
        case 4:
            input.truncate(at);
            break;
        case 5:
            input.insert(at, input.mid(rng.bounded(size + 1), 1 + rng.bounded(32)));
            break;
        default: {
            const QByteArray &other = seeds.at(rng.bounded(seeds.size()));
            input = input.left(at) + other.mid(rng.bounded(other.size() + 1));
            break;
        }
        }
    }
    return input;
}

} // namespace

void TestFuzzCorpus::boundedRun_data()
{
    QTest::addColumn<int>("target");
    for (int i = 0; i < int(std::size(FuzzTargets::All)); ++i)
        QTest::newRow(FuzzTargets::All[i].name) << i;
}

void TestFuzzCorpus::boundedRun()
{
    QFETCH(int, target);
    const FuzzTargets::Target &t = FuzzTargets::All[target];
    const QDir corpus(QStringLiteral(KORVANT_FUZZ_CORPUS "/") + QLatin1String(t.name));
    QList<QByteArray> seeds;
    const QStringList names = corpus.entryList(QDir::Files, QDir::Name);
    for (const QString &name : names) {
        QFile f(corpus.filePath(name));
        QVERIFY(f.open(QIODevice::ReadOnly));
        seeds.append(f.readAll());
    }
    QVERIFY2(!seeds.isEmpty(), qPrintable(corpus.path()));

    const auto run = [&t](const QByteArray &input) {
        return t.run(reinterpret_cast<const uint8_t *>(input.constData()), std::size_t(input.size()));
    };
    for (int i = 0; i < seeds.size(); ++i)
        QVERIFY2(run(seeds.at(i)), qPrintable(QStringLiteral("seed %1").arg(names.at(i))));
    QRandomGenerator rng(quint32(target + 1));
    for (int round = 0; round < t.boundedRuns; ++round) {
        const QByteArray input
            = mutate(seeds.at(rng.bounded(seeds.size())), seeds, rng).left(int(t.maxLength));
        QVERIFY2(run(input),
                 qPrintable(QStringLiteral("round %1, input %2").arg(round).arg(QString(input.toHex()))));
    }
}

QTEST_GUILESS_MAIN(TestFuzzCorpus)
#include "tst_fuzzcorpus.moc"
