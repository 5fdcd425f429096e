#include "tabedits.h"

#include "tabs/codepagevalidator.h"

namespace TabEdits {

QLineEdit *textEdit(const QString &key, int maxLength, QWidget *parent)
{
    auto *edit = new QLineEdit(parent);
    edit->setObjectName(key);
    edit->setMaxLength(maxLength);
    CodePageValidator::install(edit);
    return edit;
}

QHash<QString, QWidget *> byKey(const QList<QWidget *> &widgets)
{
    QHash<QString, QWidget *> map;
    for (QWidget *w : widgets)
        map.insert(w->objectName(), w);
    return map;
}

} // namespace TabEdits
