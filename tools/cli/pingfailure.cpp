#include "pingfailure.h"

#include <cerrno>
#include <cstring>

QString pingFailureText(int code, int timeoutMs)
{
    switch (code) {
    case -1:
        return QStringLiteral("это не IPv4-адрес");
    case -2:
        return QStringLiteral("проверить адрес нечем: нет прав на ICMP (нужен root, CAP_NET_RAW или "
                              "net.ipv4.ping_group_range), и TCP-сокет не открылся");
    case ETIMEDOUT:
        return QStringLiteral("нет ответа за %1 мс").arg(timeoutMs);
    case EHOSTUNREACH:
        return QStringLiteral("узел недоступен: в сети нет устройства с этим адресом");
    case ENETUNREACH:
        return QStringLiteral("сеть недоступна: нет маршрута к этому адресу");
    case ENETDOWN:
        return QStringLiteral("сетевой интерфейс не работает");
#ifdef EHOSTDOWN // not in Windows' C library
    case EHOSTDOWN:
        return QStringLiteral("узел выключен");
#endif
    case ECONNREFUSED:
        return QStringLiteral("соединение отклонено");
    case EACCES:
    case EPERM:
        return QStringLiteral("система или сетевой экран не разрешает отправить запрос");
    default:
        break;
    }
    return QStringLiteral("системная ошибка %1 (%2)")
        .arg(code)
        .arg(QString::fromLocal8Bit(std::strerror(code)));
}
