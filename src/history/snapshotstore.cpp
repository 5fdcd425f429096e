#include "snapshotstore.h"

#include "goods/goodscsv.h"
#include "params/paramfile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>

#include <algorithm>
#include <mutex>

namespace {

const char *const Context = "SnapshotStore";
const QString TimeFormat = QStringLiteral("yyyy-MM-dd_HH-mm-ss-zzz");

QString tr(const char *text)
{
    return QCoreApplication::translate(Context, text);
}

QString kindWord(SnapshotKind kind)
{
    return kind == SnapshotKind::Params ? QStringLiteral("params") : QStringLiteral("goods");
}

QString extension(SnapshotKind kind)
{
    return kind == SnapshotKind::Params ? QStringLiteral("json") : QStringLiteral("csv");
}

// time, an optional sequence number for snapshots of one millisecond, kind,
// origin, extension
const QRegularExpression &namePattern()
{
    static const QRegularExpression pattern(
        QStringLiteral("^(\\d{4}-\\d\\d-\\d\\d_\\d\\d-\\d\\d-\\d\\d-\\d{3})(?:\\.(\\d+))?_(params|goods)_([a-"
                       "z0-9-]+)\\.(json|csv)$"));
    return pattern;
}

struct Listed
{
    SnapshotInfo info;
    int sequence = 0;
    QString name;
};

} // namespace

QString SnapshotInfo::kindText() const
{
    return kind == SnapshotKind::Params ? tr("параметры") : tr("номенклатура");
}

QString SnapshotInfo::takenText() const
{
    return taken.toString(QStringLiteral("dd.MM.yyyy HH:mm:ss"));
}

QString SnapshotInfo::originText() const
{
    return SnapshotStore::originText(origin);
}

QString SnapshotStore::originText(const QString &word)
{
    if (word == originWord(SnapshotOrigin::DeviceWindow))
        return tr("окно ККТ");
    if (word == originWord(SnapshotOrigin::GoodsWindow))
        return tr("окно «Номенклатура»");
    if (word == originWord(SnapshotOrigin::Fleet))
        return tr("применение к другим ККТ");
    return word; // korvant-cli, or a word of a later version
}

namespace {

std::mutex s_dataFolderLock;
QString s_dataFolder;

QString dataFolder()
{
    const std::lock_guard<std::mutex> lock(s_dataFolderLock);
    return s_dataFolder.isEmpty() ? QStandardPaths::writableLocation(QStandardPaths::AppDataLocation)
                                  : s_dataFolder;
}

} // namespace

void SnapshotStore::setDataFolder(const QString &folder)
{
    const std::lock_guard<std::mutex> lock(s_dataFolderLock);
    s_dataFolder = folder;
}

SnapshotStore::SnapshotStore()
    : SnapshotStore(dataFolder())
{
    if (!m_root.isEmpty())
        m_root += QStringLiteral("/snapshots");
}

SnapshotStore::SnapshotStore(const QString &root)
    : m_root(root)
{
}

QString SnapshotStore::folder(const QString &serial) const
{
    return m_root + QLatin1Char('/') + folderName(serial);
}

QString SnapshotStore::folderName(const QString &serial, bool foldsCase)
{
    // Never the store's own folder or its parent, whatever the serial number.
    if (serial.isEmpty())
        return QStringLiteral("+");
    QString name;
    for (const QChar c : serial) {
        const char16_t u = c.unicode();
        const bool letter = (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z');
        if ((letter && !foldsCase) || (u >= '0' && u <= '9') || u == '-' || u == '_') {
            name += c;
            continue;
        }
        for (const char byte : QString(c).toUtf8())
            name += QStringLiteral("+%1").arg(uint(uchar(byte)), 2, 16, QLatin1Char('0')).toUpper();
    }
    return name;
}

QString SnapshotStore::originWord(SnapshotOrigin origin)
{
    switch (origin) {
    case SnapshotOrigin::DeviceWindow:
        return QStringLiteral("device-window");
    case SnapshotOrigin::GoodsWindow:
        return QStringLiteral("goods-window");
    case SnapshotOrigin::Cli:
        return QStringLiteral("korvant-cli");
    case SnapshotOrigin::Fleet:
        return QStringLiteral("fleet");
    }
    return QString();
}

QVector<SnapshotInfo> SnapshotStore::list(const QString &serial) const
{
    QVector<Listed> found;
    const QDir dir(folder(serial));
    for (const QString &name : dir.entryList(QDir::Files)) {
        const QRegularExpressionMatch m = namePattern().match(name);
        if (!m.hasMatch())
            continue;
        const SnapshotKind kind
            = m.captured(3) == QLatin1String("params") ? SnapshotKind::Params : SnapshotKind::Goods;
        if (m.captured(5) != extension(kind))
            continue;
        Listed l;
        l.info.path = dir.filePath(name);
        l.info.taken = QDateTime::fromString(m.captured(1), TimeFormat);
        l.info.kind = kind;
        l.info.origin = m.captured(4);
        l.sequence = m.captured(2).toInt();
        l.name = name;
        if (l.info.taken.isValid())
            found.append(l);
    }
    std::sort(found.begin(), found.end(), [](const Listed &a, const Listed &b) {
        if (a.info.taken != b.info.taken)
            return a.info.taken > b.info.taken;
        if (a.sequence != b.sequence)
            return a.sequence > b.sequence;
        return a.name > b.name;
    });
    QVector<SnapshotInfo> list;
    list.reserve(found.size());
    for (const Listed &l : qAsConst(found))
        list.append(l.info);
    return list;
}

QVector<SnapshotInfo> SnapshotStore::list(const QString &serial, SnapshotKind kind) const
{
    QVector<SnapshotInfo> all = list(serial);
    all.erase(
        std::remove_if(all.begin(), all.end(), [kind](const SnapshotInfo &s) { return s.kind != kind; }),
        all.end());
    return all;
}

QString SnapshotStore::newPath(const QString &serial, SnapshotKind kind, SnapshotOrigin origin,
                               SnapshotInfo *info, QString *error) const
{
    if (m_root.isEmpty()) {
        *error = tr("не удалось определить папку данных программы");
        return QString();
    }
    const QString dirPath = folder(serial);
    if (!QDir().mkpath(dirPath) || !QFileInfo(dirPath).isDir()) {
        *error = tr("не удалось создать папку %1").arg(QDir::toNativeSeparators(dirPath));
        return QString();
    }
    // Names from a clock that may repeat a millisecond: a sequence number
    // keeps them apart, and a name is never reused.
    const QDateTime now = QDateTime::currentDateTime();
    const QString stem = now.toString(TimeFormat);
    const QString tail = QStringLiteral("_%1_%2.%3").arg(kindWord(kind), originWord(origin), extension(kind));
    QString path = dirPath + QLatin1Char('/') + stem + tail;
    for (int n = 2; QFileInfo::exists(path); ++n)
        path = dirPath + QLatin1Char('/') + stem + QStringLiteral(".%1").arg(n) + tail;
    info->path = path;
    info->taken = QDateTime::fromString(stem, TimeFormat);
    info->kind = kind;
    info->origin = originWord(origin);
    return path;
}

void SnapshotStore::prune(const QString &serial, SnapshotKind kind) const
{
    const QVector<SnapshotInfo> all = list(serial, kind);
    for (int i = Keep; i < all.size(); ++i)
        QFile::remove(all.at(i).path);
}

bool SnapshotStore::saveParams(const ParamFile &file, SnapshotOrigin origin, SnapshotInfo *saved,
                               QString *error) const
{
    SnapshotInfo info;
    const QString path = newPath(file.serial, SnapshotKind::Params, origin, &info, error);
    if (path.isEmpty() || !file.save(path, error))
        return false;
    prune(file.serial, SnapshotKind::Params);
    if (saved)
        *saved = info;
    return true;
}

bool SnapshotStore::saveGoods(const QString &serial, const GoodsList &rows, SnapshotOrigin origin,
                              SnapshotInfo *saved, QString *error) const
{
    SnapshotInfo info;
    const QString path = newPath(serial, SnapshotKind::Goods, origin, &info, error);
    if (path.isEmpty() || !saveGoodsCsv(path, rows, error))
        return false;
    prune(serial, SnapshotKind::Goods);
    if (saved)
        *saved = info;
    return true;
}

bool SnapshotStore::loadParams(const SnapshotInfo &snapshot, ParamFile *out, QString *error)
{
    return ParamFile::load(snapshot.path, out, error);
}

bool SnapshotStore::loadGoods(const SnapshotInfo &snapshot, GoodsList *out, QString *error)
{
    GoodsCsvLoad load = loadGoodsCsv(snapshot.path);
    if (!load.ok()) {
        *error = load.userText();
        return false;
    }
    *out = std::move(load.rows);
    return true;
}
