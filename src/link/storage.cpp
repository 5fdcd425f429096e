#include "storage.h"

#include "params/imageserial.h"

#include <QtEndian>

namespace Storage {

bool parseDirectory(const QByteArray &page, Directory *directory)
{
    if (page.size() < DirectorySize)
        return false;
    const char *p = page.constData();
    if (qFromLittleEndian<quint32>(p) != DirectoryMagic)
        return false;
    Directory d;
    d.value = qFromLittleEndian<qint16>(p + 4);
    for (int n = 1; n <= RegionCount; ++n) {
        const char *entry = p + 6 + 8 * (n - 1);
        if (qFromLittleEndian<qint16>(entry) != n)
            return false;
        d.region(n).firstPage = qFromLittleEndian<quint16>(entry + 2);
        d.region(n).pageCount = qFromLittleEndian<quint16>(entry + 4);
    }
    *directory = d;
    return true;
}

QByteArray buildDirectory(const Directory &directory)
{
    QByteArray page(PageSize, '\0');
    char *p = page.data();
    qToLittleEndian<quint32>(DirectoryMagic, p);
    qToLittleEndian<qint16>(directory.value, p + 4);
    for (int n = 1; n <= RegionCount; ++n) {
        char *entry = p + 6 + 8 * (n - 1);
        qToLittleEndian<qint16>(qint16(n), entry);
        qToLittleEndian<quint16>(directory.region(n).firstPage, entry + 2);
        qToLittleEndian<quint16>(directory.region(n).pageCount, entry + 4);
    }
    return page;
}

SerialPlace serialPlace(int minorVersion, int parameterFirstPage)
{
    const ImageSerialPlace place = imageSerialPlace(minorVersion > 52 ? 53 : 52);
    return { parameterFirstPage + place.page, place.offset, place.length };
}

QByteArray serialFromPage(const QByteArray &page, const SerialPlace &place)
{
    const QByteArray field = page.mid(place.offset, place.length);
    const int nul = field.indexOf('\0');
    return nul < 0 ? field : field.left(nul);
}

} // namespace Storage
