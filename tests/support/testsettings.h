#pragma once

#include <QSettings>
#include <QString>
#include <QTemporaryDir>

// Points the per-user settings store at a private temporary folder, so a test
// never reads or writes the user's real store.
class TestSettingsDir
{
public:
    TestSettingsDir()
    {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_dir.path());
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_dir.path());
    }

    QString path() const { return m_dir.path(); }

    // Removes the store so the next test starts from a first run.
    void clear()
    {
        QSettings s;
        s.clear();
        s.sync();
    }

private:
    QTemporaryDir m_dir;
};
