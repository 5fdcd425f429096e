#include "app/appicon.h"
#include "app/appsettings.h"
#include "app/mainwindow.h"
#include "app/qttranslation.h"
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
    AppSettings::applyIdentity();
    loadQtTranslation();
    QApplication::setWindowIcon(appIcon());
    // Lets the desktop match the window to its entry (name and icon).
    QGuiApplication::setDesktopFileName(QStringLiteral("ru.korvant_eng.KorvantUtility3"));

    MainWindow window;
    window.show();
    return app.exec();
}
