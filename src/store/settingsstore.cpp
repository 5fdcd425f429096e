#include "settingsstore.h"

#include "storeformat.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QRandomGenerator>
#include <QSettings>
#include <QStandardPaths>
#include <QThread>

namespace {

// The store QSettings() would open, read and written through StoreFormat.
// On Windows that is the same INI file, in the roaming application data
// folder, not the registry QSettings() would pick: a profile holds megabytes
// of goods image, far more than a registry value is meant for, and the file
// is the one Linux builds write, so a store moves between the two. macOS
// keeps its property lists.
QSettings *openStore()
{
#if defined(Q_OS_DARWIN)
    return new QSettings;
#else
    const QSettings::Format format = StoreFormat::format();
    if (format == QSettings::InvalidFormat)
        return new QSettings;
    const QString organisation = QCoreApplication::organizationName().isEmpty()
        ? QCoreApplication::organizationDomain()
        : QCoreApplication::organizationName();
    return new QSettings(format, QSettings::UserScope, organisation, QCoreApplication::applicationName());
#endif
}

// Qt reads a store file again only when its size or time stamp differ from
// what it noted when it last read it, and it may note the stamp of a newer
// file than the one it read (the file is replaced while it reads), or a
// stamp another write shares (stamps have millisecond steps). So under the
// change lock the file's stamp is made later than any before, once before
// the store is read (Qt then reads what the file holds now) and once after
// it is written (every other process then reads the change). Returns the
// stamp, later than after; invalid when the file's stamp cannot be set.
QDateTime stampLaterThan(const QString &path, const QDateTime &after)
{
    for (const int stepMs : { 1, 1000, 2000 }) { // file systems with coarser stamps
        const QDateTime stamp = QFileInfo(path).lastModified();
        if (stamp > after)
            return stamp;
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)
            || !file.setFileTime(after.addMSecs(stepMs), QFileDevice::FileModificationTime))
            return QDateTime();
    }
    const QDateTime stamp = QFileInfo(path).lastModified();
    return stamp > after ? stamp : QDateTime();
}

// QLockFile::tryLock() with a time-out waits longer and longer between
// tries (up to seconds): against programs that change the store one change
// after another, it may never find the lock free. A change holds the lock
// for milliseconds, so asking every few milliseconds takes it in turn.
bool takeLock(QLockFile &lock)
{
    QElapsedTimer waited;
    waited.start();
    while (!lock.tryLock(0)) {
        if (lock.error() != QLockFile::LockFailedError || waited.hasExpired(SettingsStore::LockWaitMs))
            return false;
        QThread::msleep(2 + QRandomGenerator::global()->bounded(8));
    }
    return true;
}

// Windows does not replace a file while another process has it open, and
// QSettings reads the store without the change lock: a write that meets a
// reader fails, though the reader is done within milliseconds. Qt keeps the
// changes not written with the file's state, which every QSettings on the file
// in this process shares, so a fresh handle writes them (or, with none left,
// reads the file). The failed handle's status stays AccessError for good.
bool writtenOnRetry(const QSettings &failed)
{
#ifdef Q_OS_WIN
    if (failed.format() == QSettings::NativeFormat)
        return false;
    for (int attempt = 0; attempt < 20; ++attempt) {
        QThread::msleep(5 + QRandomGenerator::global()->bounded(10));
        const QSettings again(failed.fileName(), failed.format());
        if (again.status() == QSettings::NoError)
            return true;
    }
#else
    Q_UNUSED(failed)
#endif
    return false;
}

SettingsStore::WriteErrorHandler &writeErrorHandler()
{
    static SettingsStore::WriteErrorHandler handler;
    return handler;
}

} // namespace

SettingsStore::SettingsStore(QObject *parent)
    : QObject(parent)
    , m_settings(openStore())
{
}

SettingsStore::~SettingsStore()
{
    sync();
    delete m_settings;
}

bool SettingsStore::sync()
{
    m_settings->sync();
    if (m_settings->status() != QSettings::AccessError || writtenOnRetry(*m_settings))
        return true;
    reportWriteError();
    return false;
}

void SettingsStore::reportWriteError()
{
    if (!m_reported && writeErrorHandler()) {
        m_reported = true;
        writeErrorHandler()(m_settings->fileName());
    }
}

QString SettingsStore::lockFileName(const QSettings &settings)
{
#ifdef Q_OS_WIN
    if (settings.format() == QSettings::NativeFormat) {
        return QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation)
            + QStringLiteral("/settings.change.lock");
    }
#endif
    return settings.fileName() + QStringLiteral(".change.lock");
}

bool SettingsStore::update(const std::function<void(QSettings *)> &change)
{
    SettingsStore store;
    QSettings *s = store.settings();
    const QString lockName = lockFileName(*s);
    QDir().mkpath(QFileInfo(lockName).absolutePath());
    QLockFile lock(lockName);
    if (!takeLock(lock)) {
        store.reportWriteError();
        return false;
    }
    // What other processes wrote before the lock was ours is read now.
    const QString path = s->fileName();
    const QFileInfo file(path);
    const QDateTime read = file.exists() ? stampLaterThan(path, file.lastModified()) : QDateTime();
    s->sync();
    change(s);
    const bool ok = store.sync();
    if (ok && read.isValid())
        stampLaterThan(path, read);
    return ok;
}

void SettingsStore::setWriteErrorHandler(WriteErrorHandler handler)
{
    writeErrorHandler() = std::move(handler);
}
