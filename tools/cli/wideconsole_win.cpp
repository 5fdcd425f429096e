#include "wideconsole.h"

#include <QTextCodec>

#include <io.h>
#include <windows.h>

namespace {

HANDLE consoleHandle(FILE *f)
{
    const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(f)));
    DWORD mode = 0;
    return handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode) ? handle : nullptr;
}

} // namespace

WideConsole::WideConsole(FILE *f)
    : m_handle(consoleHandle(f))
    , m_decoder(QTextCodec::codecForName("UTF-8")->makeDecoder())
{
    if (m_handle)
        open(QIODevice::WriteOnly | QIODevice::Unbuffered);
}

bool WideConsole::isConsole(FILE *f)
{
    return consoleHandle(f) != nullptr;
}

qint64 WideConsole::writeData(const char *data, qint64 size)
{
    const QString text = m_decoder->toUnicode(data, int(size));
    const auto *wide = reinterpret_cast<const wchar_t *>(text.utf16());
    qint64 left = text.size();
    while (left > 0) {
        DWORD written = 0;
        if (!WriteConsoleW(m_handle, wide, DWORD(qMin<qint64>(left, 8192)), &written, nullptr)
            || written == 0)
            return -1;
        wide += written;
        left -= written;
    }
    return size;
}
