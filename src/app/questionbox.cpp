#include "questionbox.h"

#include <QCoreApplication>
#include <QMessageBox>

bool askYesNo(QWidget *parent, const QString &title, const QString &text, DefaultAnswer defaultAnswer)
{
    return QMessageBox::question(parent, title, text, QMessageBox::Yes | QMessageBox::No,
                                 defaultAnswer == DefaultAnswer::No ? QMessageBox::No : QMessageBox::Yes)
        == QMessageBox::Yes;
}

bool mayCloseAfterSaving(QWidget *window, const std::function<bool()> &save)
{
    switch (
        QMessageBox::question(window, window->windowTitle(),
                              QCoreApplication::translate("QuestionBox", "Сохранить изменения в профиль?"),
                              QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Yes)) {
    case QMessageBox::Yes:
        // What could not be saved would be lost with the window.
        return save();
    case QMessageBox::No:
        return true;
    default:
        return false;
    }
}
