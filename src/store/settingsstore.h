#pragma once

#include <QObject>

#include <functional>

class QSettings;

// Owner of one short-lived handle on the per-user settings store, below
// every user of the store (profiles, device list). The store is written out
// when the object goes. The application's name for it is AppSettings.
class SettingsStore : public QObject
{
    Q_OBJECT

public:
    explicit SettingsStore(QObject *parent = nullptr);
    ~SettingsStore() override;

    QSettings *settings() const { return m_settings; }

    // Writes pending changes now; false when the store could not be written.
    // A failure is also handed to the write error handler, once per object.
    bool sync();

    // Every change to the store goes through here. Under a lock that every
    // process takes for every change (the GUI and any number of korvant-cli
    // runs), the store is read as its file holds it at that moment, change is
    // called with it, and the result is written out before the lock goes: each
    // change is applied to what the others left, so none undoes another's.
    // Reading needs no lock (the file is replaced whole on every write).
    // False when the lock could not be had within LockWaitMs or the store
    // could not be written; the write error handler is told either way.
    static bool update(const std::function<void(QSettings *)> &change);

    // Longer than any change takes; a lock left by a process that died is
    // taken over at once (QLockFile knows its process).
    static constexpr int LockWaitMs = 10000;

    // The lock file update() takes: next to the store's file, or for a store
    // that is no file (the Windows registry) in the per-user data folder.
    static QString lockFileName(const QSettings &settings);

    // Called with the store's file name whenever a write fails, so that the
    // GUI can tell the user instead of losing the change silently.
    using WriteErrorHandler = std::function<void(const QString &fileName)>;
    static void setWriteErrorHandler(WriteErrorHandler handler);

private:
    void reportWriteError();

    QSettings *m_settings = nullptr;
    bool m_reported = false;
};
