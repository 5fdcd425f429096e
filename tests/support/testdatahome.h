#pragma once

#include "history/snapshotstore.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtGlobal>

// While it lives, the per-user data folder (QStandardPaths' data locations,
// where snapshots are kept) is a private temporary folder. unwritable() moves
// it below a plain file, where no folder can be made, even by root.
class TestDataHome
{
public:
    TestDataHome()
        : m_old(qgetenv("XDG_DATA_HOME"))
    {
        point(m_dir.path());
    }

    ~TestDataHome()
    {
        qputenv("XDG_DATA_HOME", m_old);
        SnapshotStore::setDataFolder({});
    }

    TestDataHome(const TestDataHome &) = delete;
    TestDataHome &operator=(const TestDataHome &) = delete;

    QString path() const { return m_dir.path(); }

    // The plain file the data folder then lies below.
    QString unwritable()
    {
        const QString blocker = m_dir.filePath(QStringLiteral("not-a-folder"));
        QFile f(blocker);
        if (f.open(QIODevice::WriteOnly))
            f.close();
        point(blocker + QStringLiteral("/data"));
        return blocker;
    }

    // Back to the private folder.
    void writable() { point(m_dir.path()); }

private:
    static void point(const QString &dataHome)
    {
        qputenv("XDG_DATA_HOME", dataHome.toLocal8Bit());
#ifdef Q_OS_WIN
        // Windows takes the folder from the shell, whatever the environment says.
        SnapshotStore::setDataFolder(QDir::cleanPath(dataHome + QLatin1Char('/')
                                                     + QCoreApplication::organizationName() + QLatin1Char('/')
                                                     + QCoreApplication::applicationName()));
#endif
    }

    QTemporaryDir m_dir;
    QByteArray m_old;
};
