#include "questionbox.h"

#include <QMessageBox>

bool askYesNo(QWidget *parent, const QString &title, const QString &text, DefaultAnswer defaultAnswer)
{
    return QMessageBox::question(parent, title, text, QMessageBox::Yes | QMessageBox::No,
                                 defaultAnswer == DefaultAnswer::No ? QMessageBox::No : QMessageBox::Yes)
        == QMessageBox::Yes;
}
