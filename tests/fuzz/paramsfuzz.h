#pragma once

#include "params/deviceparams52.h"
#include "params/deviceparams53.h"
#include "params/packedbcd.h"
#include "tabs/fieldchecks.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>

// One fuzz input: arbitrary bytes for the image readers, the packed-digit
// decoder and the field checks. Answers false when an image written from
// what was read does not read and write back to itself; crashes and
// sanitizer reports are the other findings. Shared by the libFuzzer target
// and the bounded driver in the test suite.
namespace ParamsFuzz {

template<class Params> bool writtenImageIsStable(const QByteArray &params, const QByteArray &system)
{
    Params first;
    first.fromImage(params, system);
    QByteArray image = params;
    QByteArray history = system;
    first.toImage(image, history);

    Params second;
    second.fromImage(image, history);
    QByteArray imageAgain = image;
    QByteArray historyAgain = history;
    second.toImage(imageAgain, historyAgain);
    return imageAgain == image && historyAgain == history;
}

inline bool oneInput(const uint8_t *data, std::size_t size)
{
    const QByteArray bytes = QByteArray(reinterpret_cast<const char *>(data), int(size));
    // The first byte splits the rest where two or three arrays are needed.
    const int cut = size ? int(data[0] * size / 256) : 0;
    const QByteArray head = bytes.left(cut);
    const QByteArray tail = bytes.mid(cut);

    bool ok = writtenImageIsStable<DeviceParams53>(bytes, QByteArray());
    ok = writtenImageIsStable<DeviceParams52>(tail, head) && ok;

    const QString digits = PackedBcd::decode(bytes);
    const QString barcode = PackedBcd::decodeBarcode(bytes);
    ok = digits.size() <= 2 * bytes.size() && barcode.size() <= digits.size() + 1 && ok;
    PackedDigits packed;
    packed.setDigits(digits);
    packed.setBarcode(barcode);

    isValidInn(bytes, true);
    isValidInn(QString::fromUtf8(bytes), false);
    isValidBarcode(bytes, true);
    isValidBarcode(QString::fromUtf8(bytes), false);
    const int serialEnd = tail.isEmpty() ? 0 : int(uchar(tail.at(0))) * tail.size() / 256;
    isValidRegNumber(head, tail.left(serialEnd), tail.mid(serialEnd));
    isValidRegNumber(QString::fromUtf8(head), QString::fromUtf8(tail.left(serialEnd)),
                     QString::fromUtf8(tail.mid(serialEnd)));
    return ok;
}

} // namespace ParamsFuzz
