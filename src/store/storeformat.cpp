#include "storeformat.h"

#include "initext.h"

#include <QFile>
#include <QFileDevice>
#include <QFileInfo>
#include <QHash>
#include <QMutex>
#include <QSet>
#include <QTemporaryDir>

#include <cstring>
#include <utility>

namespace {

// Values whose text is at least this long are cached with their text.
constexpr int CachedTextSize = 1024;

// Qt's INI writer ends lines the system's way.
#ifdef Q_OS_WIN
constexpr char Eol[] = "\r\n";
#else
constexpr char Eol[] = "\n";
#endif
constexpr int EolSize = int(sizeof(Eol)) - 1;

// The line end of a file being read: the writer's of either system, as the
// first line has it, so a store copied between Linux and Windows is still
// read here (Qt's INI reader ignores key case on Windows, which would join
// the profiles of serial numbers "ab" and "AB").
struct LineEnd
{
    const char *text;
    int size;

    static LineEnd of(const char *d, int n)
    {
        const auto *nl = static_cast<const char *>(std::memchr(d, '\n', size_t(n)));
        if (nl && nl > d && nl[-1] == '\r')
            return { "\r\n", 2 };
        return { "\n", 1 };
    }

    bool at(const char *d, int n, int pos) const
    {
        return pos <= n - size && std::memcmp(d + pos, text, size_t(size)) == 0;
    }

    // Where the line starting at pos ends (its line end's first byte); -1
    // if it has no line end of this kind.
    int after(const char *d, int n, int pos) const
    {
        const auto *nl = static_cast<const char *>(std::memchr(d + pos, '\n', size_t(n - pos)));
        if (!nl)
            return -1;
        const int end = int(nl - d) + 1 - size;
        return end >= pos && at(d, n, end) ? end : -1;
    }
};

struct CachedValue
{
    QByteArray text;
    QVariant value;
};

using FileCache = QHash<QString, CachedValue>;

// The cache of the few files most recently read or written, and the files
// that could not be read at all (not to be overwritten with what is left).
class Cache
{
public:
    QMutex mutex;

    FileCache take(const QString &path)
    {
        m_recent.removeOne(path);
        return m_files.take(path);
    }

    void put(const QString &path, FileCache values)
    {
        if (path.isEmpty())
            return;
        m_files.insert(path, std::move(values));
        m_recent.append(path);
        while (m_recent.size() > MaxFiles)
            m_files.remove(m_recent.takeFirst());
    }

    QSet<QString> unreadable;

private:
    static constexpr int MaxFiles = 4;
    QHash<QString, FileCache> m_files;
    QStringList m_recent;
};

Cache &cache()
{
    static Cache c;
    return c;
}

QString fileNameOf(QIODevice &device)
{
    const auto *file = qobject_cast<QFileDevice *>(&device);
    return file ? file->fileName() : QString();
}

// Reads the file when it is exactly what the writer below would write;
// false as soon as anything differs.
bool parseText(const QByteArray &data, QSettings::SettingsMap &map, const FileCache &known, FileCache &kept)
{
    const char *d = data.constData();
    const int n = data.size();
    int pos = 0;
    QString section, previousSection, key, previousKey;
    bool first = true;
    const LineEnd eolKind = LineEnd::of(d, n);
    while (pos < n) {
        if (!first) {
            if (!eolKind.at(d, n, pos))
                return false;
            pos += eolKind.size;
        }
        if (pos >= n || d[pos] != '[')
            return false;
        const int eol = eolKind.after(d, n, pos);
        if (eol < 0 || d[eol - 1] != ']')
            return false;
        const int headerEnd = eol - 1;
        const QByteArray header = QByteArray::fromRawData(d + pos + 1, headerEnd - pos - 1);
        if (header == "General") {
            section.clear();
        } else if (header == "%General") {
            section = QStringLiteral("General");
        } else if (!IniText::decodeKey(header.constData(), header.size(), section)
                   || header.compare("general", Qt::CaseInsensitive) == 0
                   || section.contains(QLatin1Char('/'))) {
            return false;
        }
        if (!first && !(previousSection < section))
            return false;
        pos = eol + eolKind.size;
        const QString prefix = section.isEmpty() ? QString() : section + QLatin1Char('/');
        int count = 0;
        while (pos < n && !eolKind.at(d, n, pos)) {
            const auto *eq = static_cast<const char *>(std::memchr(d + pos, '=', size_t(n - pos)));
            if (!eq || !IniText::decodeKey(d + pos, int(eq - d) - pos, key))
                return false;
            if ((section.isEmpty() && key.contains(QLatin1Char('/'))) || (count > 0 && !(previousKey < key)))
                return false;
            const QString fullKey = prefix + key;
            const int start = int(eq - d) + 1;
            const auto hit = known.constFind(fullKey);
            QVariant value;
            int end = -1;
            if (hit != known.constEnd()) {
                const int size = hit->text.size();
                if (eolKind.at(d, n, start + size)
                    && std::memcmp(d + start, hit->text.constData(), size_t(size)) == 0) {
                    value = hit->value;
                    end = start + size;
                    kept.insert(fullKey, *hit);
                }
            }
            if (end < 0) {
                end = eolKind.after(d, n, start);
                if (end < 0)
                    return false;
                if (!IniText::decodeValue(d + start, end - start, value))
                    return false;
                if (end - start >= CachedTextSize && value.userType() == QMetaType::QByteArray)
                    kept.insert(fullKey, { QByteArray(d + start, end - start), value });
            }
            map.insert(fullKey, value);
            pos = end + eolKind.size;
            ++count;
            std::swap(previousKey, key);
        }
        if (count == 0)
            return false;
        first = false;
        previousSection = section;
    }
    return true;
}

// Qt's own INI reader on a copy of the file. Emptied before it goes, so
// that Qt keeps no parsed copy of it either.
bool readWithQt(const QByteArray &data, QSettings::SettingsMap &map)
{
    const QTemporaryDir dir;
    if (!dir.isValid())
        return false;
    const QString path = dir.filePath(QStringLiteral("store.conf"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size() || !file.flush())
        return false;
    file.close();
    QSettings qt(path, QSettings::IniFormat);
    for (const QString &key : qt.allKeys())
        map.insert(key, qt.value(key));
    qt.clear();
    qt.sync();
    return true;
}

// The value text Qt writes for a type this writer leaves to it.
bool appendWithQt(QByteArray &out, const QVariant &value)
{
    const QTemporaryDir dir;
    if (!dir.isValid())
        return false;
    const QString path = dir.filePath(QStringLiteral("value.conf"));
    {
        QSettings qt(path, QSettings::IniFormat);
        qt.setValue(QStringLiteral("v"), value);
        qt.sync();
        if (qt.status() != QSettings::NoError)
            return false;
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return false;
        const QByteArray text = file.readAll();
        const QByteArray head = QByteArray("[General]") + Eol + "v=";
        if (!text.startsWith(head) || !text.endsWith(Eol))
            return false;
        out += text.mid(head.size(), text.size() - head.size() - EolSize);
        qt.clear();
    }
    return true;
}

struct Section
{
    QString name;
    QVector<QSettings::SettingsMap::const_iterator> entries;
};

// Qt's writer orders the sections by name ("" for General first), then the
// keys by name within each section.
QVector<Section> sectionsOf(const QSettings::SettingsMap &map)
{
    QMap<QString, Section> bySection;
    for (auto it = map.constBegin(); it != map.constEnd(); ++it) {
        const int slash = it.key().indexOf(QLatin1Char('/'));
        const QString name = slash < 0 ? QString() : it.key().left(slash);
        Section &s = bySection[name];
        s.name = name;
        s.entries.append(it);
    }
    return bySection.values().toVector();
}

} // namespace

QSettings::Format StoreFormat::format()
{
    static const QSettings::Format registered
        = QSettings::registerFormat(QStringLiteral("conf"), &StoreFormat::read, &StoreFormat::write);
    return registered;
}

bool StoreFormat::parse(const QByteArray &text, QSettings::SettingsMap &map)
{
    FileCache kept;
    return parseText(text, map, FileCache(), kept);
}

bool StoreFormat::read(QIODevice &device, QSettings::SettingsMap &map)
{
    const QByteArray data = device.readAll();
    const QString path = fileNameOf(device);
    Cache &c = cache();
    {
        QMutexLocker lock(&c.mutex);
        const FileCache known = c.take(path);
        FileCache kept;
        if (parseText(data, map, known, kept)) {
            c.put(path, std::move(kept));
            c.unreadable.remove(path);
            return true;
        }
    }
    map.clear();
    const bool ok = readWithQt(data, map);
    QMutexLocker lock(&c.mutex);
    if (ok)
        c.unreadable.remove(path);
    else
        c.unreadable.insert(path);
    // Not read at all: the store looks empty and write() refuses to replace
    // the file, which the store's users see as a failed write. (A false here
    // would leave Qt's status at FormatError, which hides that failure.)
    return true;
}

bool StoreFormat::write(QIODevice &device, const QSettings::SettingsMap &map)
{
    const QString path = fileNameOf(device);
    Cache &c = cache();
    QMutexLocker lock(&c.mutex);
    // Qt would now write only the changes on top of nothing.
    if (c.unreadable.contains(path) && QFileInfo::exists(path))
        return false;
    c.unreadable.remove(path);
    const FileCache known = c.take(path);
    FileCache kept;
    QByteArray block;
    const auto flush = [&] {
        const bool ok = device.write(block) == block.size();
        block.clear();
        return ok;
    };
    bool first = true;
    for (const Section &section : sectionsOf(map)) {
        if (!first)
            block += Eol;
        first = false;
        QByteArray header;
        IniText::appendKey(header, section.name);
        if (header.isEmpty())
            header = "General";
        else if (header.compare("general", Qt::CaseInsensitive) == 0)
            header = "%General";
        block += '[' + header + ']' + Eol;
        const int keyFrom = section.name.isEmpty() ? 0 : section.name.size() + 1;
        for (const auto &it : section.entries) {
            IniText::appendKey(block, it.key().mid(keyFrom));
            block += '=';
            const QVariant &value = it.value();
            if (value.userType() == QMetaType::QByteArray
                && value.toByteArray().size() * 2 >= CachedTextSize) {
                const QByteArray bytes = value.toByteArray();
                const auto hit = known.constFind(it.key());
                CachedValue entry;
                if (hit != known.constEnd() && hit->value.userType() == QMetaType::QByteArray
                    && hit->value.toByteArray().constData() == bytes.constData()
                    && hit->value.toByteArray().size() == bytes.size()) {
                    // The very bytes read or written before (shared, so unchanged).
                    entry = *hit;
                } else {
                    IniText::appendValue(entry.text, value);
                    entry.text.squeeze();
                    entry.value = value;
                }
                if (!flush() || device.write(entry.text) != entry.text.size())
                    return false;
                if (entry.text.size() >= CachedTextSize)
                    kept.insert(it.key(), std::move(entry));
            } else if (!IniText::appendValue(block, value) && !appendWithQt(block, value)) {
                return false;
            }
            block += Eol;
            if (block.size() >= 1 << 16 && !flush())
                return false;
        }
    }
    if (!flush())
        return false;
    c.put(path, std::move(kept));
    return true;
}
