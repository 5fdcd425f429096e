#pragma once

#include <QString>

// Firmware the utility can configure: 2.53 with any build, 2.52 from build 38.
bool isVersionSupported(int major, int minor, int build);

// "%1.%2.%3" of a version's three numbers.
QString versionText(int major, int minor, int build);
