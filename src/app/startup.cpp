#include "startup.h"

#include "app/appicon.h"
#include "app/appsettings.h"
#include "app/qttranslation.h"

#include <QGuiApplication>

void prepareApplication()
{
    AppSettings::applyIdentity();
    loadQtTranslation();
    QGuiApplication::setWindowIcon(appIcon());
    // Lets the desktop match the window to its entry (name and icon).
    QGuiApplication::setDesktopFileName(QStringLiteral("ru.korvant_eng.KorvantUtility3"));
}
