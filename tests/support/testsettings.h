#pragma once

#include "store/settingsstore.h"
#include "store/storeformat.h"

#include <QFile>
#include <QSettings>
#include <QString>
#include <QTemporaryDir>

// Points the per-user settings store at a private temporary folder, so a test
// never reads or writes the user's real store.
class TestSettingsDir
{
public:
    TestSettingsDir() { point(m_dir.path()); }

    QString path() const { return m_dir.path(); }

    // Removes the store so the next test starts from a first run.
    void clear()
    {
        QSettings s;
        s.clear();
        s.sync();
    }

    static void point(const QString &path)
    {
#ifdef Q_OS_WIN
        // A plain QSettings() in a test means the store, which on Windows is
        // not the registry but the file (see openStore()).
        QSettings::setDefaultFormat(StoreFormat::format());
#endif
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, path);
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, path);
    }

private:
    QTemporaryDir m_dir;
};

// While it lives, the store's folder lies below a plain file: it cannot be
// created, even by root, so every write to the store fails. When it goes the
// store points back at the test's folder and no write error handler is left.
class UnwritableSettingsStore
{
public:
    explicit UnwritableSettingsStore(const TestSettingsDir &back)
        : m_back(back.path())
    {
        QFile f(blocker());
        if (f.open(QIODevice::WriteOnly))
            f.close();
        TestSettingsDir::point(blocker() + QStringLiteral("/config"));
    }

    ~UnwritableSettingsStore()
    {
        TestSettingsDir::point(m_back);
        SettingsStore::setWriteErrorHandler({});
    }

    UnwritableSettingsStore(const UnwritableSettingsStore &) = delete;
    UnwritableSettingsStore &operator=(const UnwritableSettingsStore &) = delete;

    // The plain file; every reported store file name starts with it.
    QString blocker() const { return m_dir.filePath(QStringLiteral("not-a-folder")); }

private:
    QTemporaryDir m_dir;
    QString m_back;
};
