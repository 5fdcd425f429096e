#include "appicon.h"

// The resource lives in a static library: nothing would pull its
// registration into the program without this call.
static void initAppIconResource()
{
    Q_INIT_RESOURCE(appicon);
}

QIcon appIcon()
{
    initAppIconResource();
    QIcon icon;
    for (const int size : { 16, 24, 32, 48, 64, 128, 256 })
        icon.addFile(QStringLiteral(":/appicon/%1.png").arg(size), QSize(size, size));
    return icon;
}
