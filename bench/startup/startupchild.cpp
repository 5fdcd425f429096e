// Started by bench_startup: shows either the utility's main window ("app") or
// a bare main window ("bare", the reference), reports once the first paint
// has happened, and exits with its peak resident memory.
#include "app/appsettings.h"
#include "app/mainwindow.h"
#include "app/startup.h"

#include <QApplication>
#include <QEvent>
#include <QMainWindow>
#include <QTimer>

#include <cstdio>
#include <cstring>
#include <memory>
#include <sys/resource.h>

namespace {

class FirstPaint : public QObject
{
public:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && !m_done) {
            m_done = true;
            std::printf("shown\n");
            std::fflush(stdout);
            QTimer::singleShot(0, qApp, &QCoreApplication::quit);
        }
        return QObject::eventFilter(watched, event);
    }

private:
    bool m_done = false;
};

} // namespace

int main(int argc, char *argv[])
{
    const bool bare = argc > 1 && std::strcmp(argv[1], "bare") == 0;
    QApplication app(argc, argv);
    if (bare)
        AppSettings::applyIdentity();
    else
        prepareApplication();

    std::unique_ptr<QMainWindow> window;
    if (bare) {
        window = std::make_unique<QMainWindow>();
        window->resize(400, 300);
    } else {
        window = std::make_unique<MainWindow>();
    }
    FirstPaint filter;
    window->installEventFilter(&filter);
    window->show();
    const int rc = app.exec();

    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("maxrss_kb %ld\n", usage.ru_maxrss);
    return rc;
}
