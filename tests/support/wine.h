#pragma once

#include <QLibrary>
#include <QtTest>

// Wine binds a UDP socket that may send broadcasts (Qt allows that on every
// UDP socket) to all addresses when it is asked for one address, and ties it
// to the interface instead. Simulated registers answering scans on
// 127.0.0.x then share one address and port with each other and with the
// finder, and a probe reaches any of them: scans against them cannot be
// tested under Wine. Windows itself keeps the address.
inline bool scansUntestableHere()
{
#ifdef Q_OS_WIN
    return QLibrary::resolve(QStringLiteral("ntdll"), "wine_get_version") != nullptr;
#else
    return false;
#endif
}

#define SKIP_SCANS_UNDER_WINE()                                                                              \
    do {                                                                                                     \
        if (scansUntestableHere())                                                                           \
            QSKIP("under Wine simulated registers on 127.0.0.x share one UDP address and port");             \
    } while (false)
