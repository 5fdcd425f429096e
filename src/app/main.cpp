#include "app/mainwindow.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Korvant Engineering"));
    QCoreApplication::setOrganizationDomain(QStringLiteral("korvant-eng.ru"));
    QCoreApplication::setApplicationName(QStringLiteral("KorvantUtility3"));

    MainWindow window;
    window.show();
    return app.exec();
}
