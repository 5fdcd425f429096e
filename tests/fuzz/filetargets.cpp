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

#include <algorithm>
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
    if (image.isEmpty()) // only for a price the record cannot carry
        return bad >= 0 && !isEncodablePrice(rows.at(bad).price);
    // Written once, an image reads and writes back to itself, with its header
    // or without. Not so for a barcode with other characters than digits: the
    // record keeps each one's low four bits, and an F reads as filler. The
    // goods checks refuse such a barcode.
    const GoodsList again = parseGoodsImage(image);
    if (again.size() != rows.size())
        return false;
    for (const Goods &g : rows) {
        if (!std::all_of(g.barcode.cbegin(), g.barcode.cend(),
                         [](QChar c) { return c.isDigit() && c < 0x80; }))
            return true;
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
