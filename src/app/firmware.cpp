#include "firmware.h"

#include "link/frame.h"

bool isVersionSupported(int major, int minor, int build)
{
    return Frame::firmwareFamily(major, minor, build) != 0;
}

QString versionText(int major, int minor, int build)
{
    return QStringLiteral("%1.%2.%3").arg(major).arg(minor).arg(build);
}
