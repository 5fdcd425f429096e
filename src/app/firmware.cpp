#include "firmware.h"

bool isVersionSupported(int major, int minor, int build)
{
    return major == 2 && (minor == 53 || (minor == 52 && build > 37));
}

QString versionText(int major, int minor, int build)
{
    return QStringLiteral("%1.%2.%3").arg(major).arg(minor).arg(build);
}
