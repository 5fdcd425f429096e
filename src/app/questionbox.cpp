#include "questionbox.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QMessageBox>

bool askYesNo(QWidget *parent, const QString &title, const QString &text)
{
    QMessageBox box(QMessageBox::Question, title, text, QMessageBox::Yes | QMessageBox::No, parent);
    box.button(QMessageBox::Yes)->setText(QCoreApplication::translate("QuestionBox", "Да"));
    box.button(QMessageBox::No)->setText(QCoreApplication::translate("QuestionBox", "Нет"));
    return box.exec() == QMessageBox::Yes;
}
