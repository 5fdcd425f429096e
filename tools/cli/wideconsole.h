#pragma once

#include <QIODevice>
#include <QTextDecoder>

#include <cstdio>
#include <memory>

// Windows only. A console shows bytes in its own code page, seldom UTF-8 (866
// in a Russian cmd.exe), so the tool's UTF-8 would read as garbage there;
// wide characters read correctly in cmd.exe and PowerShell whatever the code
// page. This device takes the tool's UTF-8 text and writes it to the console
// as UTF-16. Pipes and files are no console: they get UTF-8 as on Linux.
class WideConsole : public QIODevice
{
public:
    explicit WideConsole(FILE *f);

    // True when f is a console window (not a pipe, a file or NUL).
    static bool isConsole(FILE *f);
    bool isConsole() const { return m_handle != nullptr; }

protected:
    qint64 readData(char *, qint64) override { return -1; }
    qint64 writeData(const char *data, qint64 size) override;

private:
    void *m_handle = nullptr;
    // Keeps a character split between two writes.
    std::unique_ptr<QTextDecoder> m_decoder;
};
