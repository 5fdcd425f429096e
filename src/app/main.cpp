#include "app/appsettings.h"
#include "app/mainwindow.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    AppSettings::applyIdentity();

    MainWindow window;
    window.show();
    return app.exec();
}
