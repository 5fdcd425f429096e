#pragma once

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
        qputenv("XDG_DATA_HOME", m_dir.path().toLocal8Bit());
    }

    ~TestDataHome() { qputenv("XDG_DATA_HOME", m_old); }

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
        qputenv("XDG_DATA_HOME", (blocker + QStringLiteral("/data")).toLocal8Bit());
        return blocker;
    }

    // Back to the private folder.
    void writable() { qputenv("XDG_DATA_HOME", m_dir.path().toLocal8Bit()); }

private:
    QTemporaryDir m_dir;
    QByteArray m_old;
};
