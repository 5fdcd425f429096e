// Goods image build and parse of 100 000 rows against a memcpy of the image's
// bytes.
#include "goodsbench.h"

#include "goods/goodsimage.h"

#include <QCoreApplication>

#include <cstring>
#include <malloc.h>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 9;
    const int count = 100000;

    const GoodsList rows = generateGoods(count);
    const int size = buildGoodsImage(rows, true).size();
    std::printf("%d rows, image of %d bytes; median of %d runs\n", count, size, runs);

    GoodsList parsed;
    size_t sink = 0;
    const Timing both = measure(
        runs,
        [&] {
            const QByteArray image = buildGoodsImage(rows, true);
            // The register's read output starts after the header record.
            parsed = parseGoodsImage(image.mid(GoodsRecordSize));
            sink += size_t(parsed.size());
        },
        [&] {
            parsed = GoodsList();
            malloc_trim(0);
        });
    const Timing build = measure(
        runs, [&] { sink += size_t(buildGoodsImage(rows, true).size()); }, [] { malloc_trim(0); });
    const QByteArray image = buildGoodsImage(rows, false);
    const Timing parse = measure(
        runs, [&] { parsed = parseGoodsImage(image); },
        [&] {
            parsed = GoodsList();
            malloc_trim(0);
        });

    // The image is new memory each run (the heap is settled between runs), so
    // is the copy's destination: page faults count on both sides.
    const QByteArray source(size, 'x');
    const auto copyOnce = [&] {
        QByteArray target(size, Qt::Uninitialized);
        std::memcpy(target.data(), source.constData(), size_t(size));
        sink += size_t(target.at(size / 2));
    };
    const Timing copy = measure(runs, copyOnce, [] { malloc_trim(0); });
    const Timing warmCopy = measure(runs, copyOnce);
    report("goods image build + parse", both, "memcpy, new memory", copy, "<= 10.0");
    report("(build alone)", build, "memcpy, new memory", copy, "(none)");
    report("(parse alone)", parse, "memcpy, new memory", copy, "(none)");
    report("goods image build + parse", both, "memcpy, reused memory", warmCopy, "(same goal, stricter)");
    return sink == 0;
}
