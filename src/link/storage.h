#pragma once

#include <QByteArray>

#include <array>

// The register's storage: 256-byte pages, page 0 holding a directory of five regions.
namespace Storage {

constexpr int PageSize = 256;
// Goods records: two to a page, record 0 of the goods area being the header.
constexpr int GoodsRecordSize = 128;

constexpr quint32 DirectoryMagic = 0xAA005500;
constexpr int RegionCount = 5;
constexpr int DirectorySize = 6 + 8 * RegionCount;

enum RegionId : int {
    SystemRegion = 1,
    ParameterRegion = 2,
    GoodsRegion = 5,
};

struct Region
{
    quint16 firstPage = 0;
    quint16 pageCount = 0;

    int byteSize() const { return int(pageCount) * PageSize; }
};

struct Directory
{
    qint16 value = 0; // the word after the magic; kept, not interpreted
    std::array<Region, RegionCount> regions {};

    // Regions are numbered from 1 as on the wire.
    const Region &region(int n) const { return regions.at(size_t(n - 1)); }
    Region &region(int n) { return regions.at(size_t(n - 1)); }
};

// False when the page is shorter than the directory, the magic differs or a tag
// does not match its position.
bool parseDirectory(const QByteArray &page, Directory *directory);
// The directory bytes at the start of a zero-filled page.
QByteArray buildDirectory(const Directory &directory);

// Where the serial number lies, by firmware minor version.
struct SerialPlace
{
    int page = 0; // absolute page
    int offset = 0; // byte offset within that page
    int length = 0;
};

SerialPlace serialPlace(int minorVersion, int parameterFirstPage);
// The serial bytes up to the first NUL, from the page that serialPlace() names.
QByteArray serialFromPage(const QByteArray &page, const SerialPlace &place);

} // namespace Storage
