#include "userguide.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

QStringList s_candidates;

const QString Index = QStringLiteral("index.html");

} // namespace

QStringList UserGuide::candidates()
{
    if (!s_candidates.isEmpty())
        return s_candidates;
    const QDir app(QCoreApplication::applicationDirPath());
    QStringList folders;
    folders.append(QDir::cleanPath(app.filePath(QStringLiteral("../share/doc/korvant-utility/guide"))));
    for (const QString &data : QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation)) {
        const QString folder = QDir(data).filePath(QStringLiteral("doc/korvant-utility/guide"));
        if (!folders.contains(folder))
            folders.append(folder);
    }
    folders.append(app.filePath(QStringLiteral("guide")));
    return folders;
}

QString UserGuide::folder()
{
    for (const QString &candidate : candidates()) {
        if (QFileInfo(QDir(candidate).filePath(Index)).isFile())
            return candidate;
    }
    return QString();
}

QUrl UserGuide::pageUrl(const QString &page, const QString &anchor)
{
    const QString dir = folder();
    if (dir.isEmpty())
        return QUrl();
    QUrl url = QUrl::fromLocalFile(QDir(dir).filePath(page.isEmpty() ? Index : page));
    if (!anchor.isEmpty())
        url.setFragment(anchor);
    return url;
}

void UserGuide::setCandidates(const QStringList &folders)
{
    s_candidates = folders;
}

QString UserGuide::resultCodeAnchor(int code)
{
    return QStringLiteral("code%1").arg(code);
}
