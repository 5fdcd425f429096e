#include "imageserial.h"

#include "params/deviceparams.h"

ImageSerialPlace imageSerialPlace(int family)
{
    if (family == 53)
        return { 1, 0, 20 };
    return { 0, 4, 12 };
}

QByteArray serialInImage(const QByteArray &params, int family)
{
    const ImageSerialPlace place = imageSerialPlace(family);
    const QByteArray field = params.mid(place.page * DeviceParams::PageSize + place.offset, place.length);
    const int nul = field.indexOf('\0');
    return nul < 0 ? field : field.left(nul);
}
