#include "qttranslation.h"

#include <QCoreApplication>
#include <QDebug>
#include <QTranslator>

bool loadQtTranslation(const QString &folder)
{
    QCoreApplication *app = QCoreApplication::instance();
    if (!app)
        return false;
    const QString name = QStringLiteral("qtbase_ru");
    if (app->findChild<QTranslator *>(name, Qt::FindDirectChildrenOnly))
        return true;
    auto *translator = new QTranslator(app);
    if (!translator->load(name, folder)) {
        qDebug().noquote() << "Qt's Russian translation" << name << "not found in" << folder
                           << "- standard buttons and dialogs stay in English";
        delete translator;
        return false;
    }
    translator->setObjectName(name);
    app->installTranslator(translator);
    return true;
}
