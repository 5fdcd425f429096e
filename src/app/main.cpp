#include "app/mainwindow.h"
#include "app/startup.h"
#include "app/version.h"

#include <QApplication>

#include <cstdio>
#include <cstring>

int main(int argc, char *argv[])
{
    // Answered before the application object exists, so that it needs no display.
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("korvant-utility %s\n", KorvantVersion);
        return 0;
    }

    QApplication app(argc, argv);
    prepareApplication();

    MainWindow window;
    window.show();
    return app.exec();
}
