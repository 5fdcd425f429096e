#include "tabedits.h"

#include "tabs/codepagevalidator.h"

namespace {
const char LoadedText[] = "loadedText";
}

namespace TabEdits {

QLineEdit *textEdit(const QString &key, int maxLength, QWidget *parent)
{
    auto *edit = new QLineEdit(parent);
    edit->setObjectName(key);
    edit->setMaxLength(maxLength);
    CodePageValidator::install(edit);
    return edit;
}

void load(QLineEdit *edit, const QString &text)
{
    edit->setText(text);
    // What the edit holds: a text longer than the edit takes is cut.
    edit->setProperty(LoadedText, edit->text());
}

bool edited(const QLineEdit *edit)
{
    const QVariant loaded = edit->property(LoadedText);
    return !loaded.isValid() || edit->text() != loaded.toString();
}

QHash<QString, QWidget *> byKey(const QList<QWidget *> &widgets)
{
    QHash<QString, QWidget *> map;
    for (QWidget *w : widgets)
        map.insert(w->objectName(), w);
    return map;
}

} // namespace TabEdits
