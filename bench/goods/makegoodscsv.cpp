// Writes a generated goods catalogue as a CSV file, for benchmarks and for
// trying the goods window with a large catalogue.
#include "goodsbench.h"

#include <QCoreApplication>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_goods_makecsv FILE.csv [ROWS]\n");
        return 2;
    }
    const int rows = argc > 2 ? std::max(0, atoi(argv[2])) : 100000;
    QString error;
    if (!saveGoodsCsv(QString::fromLocal8Bit(argv[1]), generateGoods(rows), &error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    return 0;
}
