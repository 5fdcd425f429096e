#include "codepagevalidator.h"

#include "params/textcodec.h"

#include <QLineEdit>
#include <QToolTip>

CodePageValidator::CodePageValidator(QObject *parent)
    : QValidator(parent)
{
}

QValidator::State CodePageValidator::validate(QString &input, int &) const
{
    const char32_t unheld = TextCodec::firstUnheld(input);
    if (unheld == 0)
        return Acceptable;
    if (auto *edit = qobject_cast<QWidget *>(parent())) {
        QToolTip::showText(edit->mapToGlobal(QPoint(0, edit->height())),
                           tr("Символ %1 не может быть сохранён в ККТ").arg(TextCodec::describe(unheld)),
                           edit);
    }
    return Invalid;
}

void CodePageValidator::install(QLineEdit *edit)
{
    edit->setValidator(new CodePageValidator(edit));
}
