#pragma once

#include "goods/goods.h"

#include <QDateTime>
#include <QString>
#include <QVector>

struct ParamFile;

// What a snapshot holds: a parameter set (a parameter file, as korvant-cli
// reads it) or a goods catalogue (a goods CSV file).
enum class SnapshotKind {
    Params,
    Goods,
};

// Which part of the utility took a snapshot before its write.
enum class SnapshotOrigin {
    DeviceWindow,
    GoodsWindow,
    Cli,
    Fleet, // one change applied to many registers
};

// One stored snapshot, as its file name describes it.
struct SnapshotInfo
{
    QString path;
    QDateTime taken; // local time
    SnapshotKind kind = SnapshotKind::Params;
    QString origin; // the name's origin word ("device-window", ...)

    // For people: "параметры", "номенклатура"; "окно ККТ", "korvant-cli", ...
    QString kindText() const;
    QString originText() const;
    // "10.12.2026 06:00:00"
    QString takenText() const;
};

// The snapshots taken before writes, in the per-user data folder
// (QStandardPaths::AppDataLocation)/snapshots, one folder per serial number
// (folderName()). Each file is named by the time it was taken, its kind and
// where it came from:
//
//     2026-12-10_06-00-00-123_params_device-window.json
//     2026-12-10_06-05-10-007_goods_korvant-cli.csv
//
// Files are written through QSaveFile and never replace one another. After
// each new snapshot only the newest Keep of its kind stay; files in the
// folder that are not named like snapshots are neither listed nor removed.
class SnapshotStore
{
public:
    static constexpr int Keep = 50;

    // The store in the per-user data folder.
    SnapshotStore();
    // Tests put the per-user data folder elsewhere; where no environment
    // variable moves it (Windows) they set it here. Empty: the system's again.
    static void setDataFolder(const QString &folder);
    // A store under root, for tests and benchmarks.
    explicit SnapshotStore(const QString &root);

    QString root() const { return m_root; }
    // The folder of one register's snapshots (which need not exist).
    QString folder(const QString &serial) const;
    // Its name: one folder per serial number, and never one for two. ASCII
    // letters, digits, "-" and "_" stay as they are (so the folders of such
    // serial numbers keep the names earlier versions gave them); any other
    // character becomes "+" and the hex of its UTF-8 bytes ("." is "+2E", "А"
    // is "+D0+90"), which no kept character can be mistaken for. Where the
    // file system ignores letter case (foldsCase: Windows, macOS) letters
    // are written the same way, so "ab" and "AB" stay apart there too.
    static QString folderName(const QString &serial, bool foldsCase = FileSystemFoldsCase);
#if defined(Q_OS_WIN) || defined(Q_OS_DARWIN)
    static constexpr bool FileSystemFoldsCase = true;
#else
    static constexpr bool FileSystemFoldsCase = false;
#endif

    // The register's snapshots, newest first.
    QVector<SnapshotInfo> list(const QString &serial) const;
    QVector<SnapshotInfo> list(const QString &serial, SnapshotKind kind) const;

    // Store a new snapshot. On failure return false with a Russian message
    // naming the file or folder and the reason; nothing is left behind.
    bool saveParams(const ParamFile &file, SnapshotOrigin origin, SnapshotInfo *saved, QString *error) const;
    bool saveGoods(const QString &serial, const GoodsList &rows, SnapshotOrigin origin, SnapshotInfo *saved,
                   QString *error) const;

    // The snapshot's data; a normal parameter file or goods CSV file.
    static bool loadParams(const SnapshotInfo &snapshot, ParamFile *out, QString *error);
    static bool loadGoods(const SnapshotInfo &snapshot, GoodsList *out, QString *error);

    // The file name's word for an origin ("device-window", "goods-window",
    // "korvant-cli", "fleet").
    static QString originWord(SnapshotOrigin origin);
    // For people: "окно ККТ", "окно «Номенклатура»", "korvant-cli",
    // "применение к другим ККТ"; a word it does not know as it is.
    static QString originText(const QString &word);

private:
    // A new file's path in the register's folder (made if missing), or an
    // empty string with *error set.
    QString newPath(const QString &serial, SnapshotKind kind, SnapshotOrigin origin, SnapshotInfo *info,
                    QString *error) const;
    void prune(const QString &serial, SnapshotKind kind) const;

    QString m_root;
};
