#pragma once

#include <QLibraryInfo>
#include <QString>

// Installs Qt's own Russian texts (qtbase_ru, from Qt's translations folder
// unless a folder is given) on the application, so that standard buttons,
// dialogs and context menus read Russian. Call after the application object
// exists; once one is installed, further calls do nothing. Where the
// translation is missing the program runs on with Qt's English texts, says so
// on its debug output, and this answers false.
bool loadQtTranslation(const QString &folder = QLibraryInfo::location(QLibraryInfo::TranslationsPath));
