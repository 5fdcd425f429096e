// Fuzz targets for what comes from files (or from a register's goods area):
// the parameter file loader, the goods image, the goods CSV reader and the
// parameter images. Each checks that what it accepts can be written and read
// back to the same thing.
#include "fuzz/fuzztargets.h"
#include "fuzz/paramsfuzz.h"

#include "goods/goodscsv.h"
#include "goods/goodsimage.h"
#include "params/deviceparams.h"
#include "params/paramfile.h"
#include "tabs/tabrules.h"

#include <QByteArray>

#include <cmath>
#include <memory>

namespace {

QByteArray bytesOf(const uint8_t *data, std::size_t size)
{
    return QByteArray(reinterpret_cast<const char *>(data), int(size));
}

bool sameRows(const GoodsList &a, const GoodsList &b)
{
    if (a.size() != b.size())
        return false;
    for (int i = 0; i < a.size(); ++i) {
        const Goods &x = a.at(i);
        const Goods &y = b.at(i);
        if (x.name != y.name || x.intcode != y.intcode || x.barcode != y.barcode || x.dept != y.dept
            || !(x.price == y.price || (std::isnan(x.price) && std::isnan(y.price))))
            return false;
    }
    return true;
}

} // namespace

namespace FuzzTargets {

bool paramFile(const uint8_t *data, std::size_t size)
{
    ParamFile file;
    QString error;
    if (!ParamFile::fromJson(bytesOf(data, size), &file, &error))
        return !error.isEmpty();
    // What the loader promises write-params and the file commands.
    if (file.serial.isEmpty() || !DeviceParams::isValidVersion(file.version)
        || (file.family() != 52 && file.family() != 53) || file.params.isEmpty())
        return false;
    const std::unique_ptr<DeviceParams> params(DeviceParams::create(file.version));
    if (!params || params->family() != file.family())
        return false;
    // What show, diff and check then do with it.
    params->fromImage(file.params, file.system);
    params->values();
    checkParams(*params);
    QByteArray image = file.params;
    QByteArray system = file.system;
    params->toImage(image, system);
    if (image.size() < file.params.size())
        return false;

    // Saved and loaded again, it is the same file.
    ParamFile again;
    if (!ParamFile::fromJson(file.toJson(), &again, &error))
        return false;
    return again.serial == file.serial && again.version == file.version
        && again.goodsCapacity == file.goodsCapacity && again.params == file.params
        && again.system == file.system && again.goods == file.goods;
}

bool goodsImage(const uint8_t *data, std::size_t size)
{
    const GoodsList rows = parseGoodsImage(bytesOf(data, size));
    if (rows.size() > int(size / GoodsRecordSize) + 1)
        return false;
    int bad = -2;
    const QByteArray image = buildGoodsImage(rows, false, &bad);
    // Only a row the record cannot hold as it is is refused, and then the
    // first such row, with its reason.
    const GoodsRowFault fault = firstUnholdableGoodsRow(rows);
    if (image.isEmpty())
        return bad >= 0 && fault.row == bad && fault.column >= 0 && !fault.reason.isEmpty();
    if (bad != -1 || fault.row != -1)
        return false;
    // Written, an image reads back as the very rows (prices beyond 2^53
    // hundredths apart, which a double does not hold to the hundredth), and
    // writes back to itself, with its header or without.
    const GoodsList again = parseGoodsImage(image);
    if (again.size() != rows.size())
        return false;
    for (int i = 0; i < rows.size(); ++i) {
        const Goods &x = rows.at(i);
        const Goods &y = again.at(i);
        if (x.name != y.name || x.intcode != y.intcode || x.barcode != y.barcode || x.dept != y.dept)
            return false;
    }
    const QByteArray imageAgain = buildGoodsImage(again, false);
    const QByteArray withHeader = buildGoodsImage(again, true);
    return imageAgain == image && sameRows(parseGoodsImage(imageAgain), again)
        && withHeader.mid(GoodsRecordSize) == image;
}

bool goodsCsv(const uint8_t *data, std::size_t size)
{
    const GoodsCsvLoad load = readGoodsCsv(bytesOf(data, size), QStringLiteral("fuzz.csv"));
    if (!load.ok())
        return !load.error.isEmpty() && load.rows.isEmpty();
    for (const Goods &g : load.rows) {
        // Saved as a number the reader takes back only when finite and in range.
        if (!std::isfinite(g.price) || std::fabs(g.price) * 100 >= 9e15)
            return true;
    }
    // Saved once (prices in hundredths, line breaks as blanks), a catalogue
    // loads and saves back to the same bytes.
    const QByteArray saved = goodsCsvBytes(load.rows);
    const GoodsCsvLoad reloaded = readGoodsCsv(saved, QStringLiteral("fuzz.csv"));
    if (!reloaded.ok() || reloaded.rows.size() != load.rows.size())
        return false;
    const QByteArray savedAgain = goodsCsvBytes(reloaded.rows);
    const GoodsCsvLoad third = readGoodsCsv(savedAgain, QStringLiteral("fuzz.csv"));
    return savedAgain == saved && third.ok() && sameRows(third.rows, reloaded.rows);
}

bool params(const uint8_t *data, std::size_t size)
{
    return ParamsFuzz::oneInput(data, size);
}

} // namespace FuzzTargets
