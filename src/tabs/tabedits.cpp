#include "tabedits.h"

#include "tabs/codepagevalidator.h"

namespace TabEdits {

namespace {

const char FieldLimit[] = "fieldLimit";
const char RuleBottom[] = "ruleBottom";
const char RuleTop[] = "ruleTop";

} // namespace

QLineEdit *textEdit(const QString &key, int maxLength, QWidget *parent)
{
    auto *edit = new QLineEdit(parent);
    edit->setObjectName(key);
    edit->setMaxLength(maxLength);
    edit->setProperty(FieldLimit, maxLength);
    CodePageValidator::install(edit);
    return edit;
}

void showText(QLineEdit *edit, const QString &text)
{
    const QVariant limit = edit->property(FieldLimit);
    const int nominal = limit.isValid() ? limit.toInt() : edit->maxLength();
    edit->setMaxLength(qMax(nominal, int(text.size())));
    edit->setText(text);
}

QSpinBox *spinBox(const QString &key, int bottom, int top, QWidget *parent)
{
    auto *spin = new QSpinBox(parent);
    spin->setObjectName(key);
    spin->setRange(bottom, top);
    spin->setProperty(RuleBottom, bottom);
    spin->setProperty(RuleTop, top);
    return spin;
}

void showNumber(QSpinBox *spin, int value)
{
    const QVariant bottom = spin->property(RuleBottom);
    const QVariant top = spin->property(RuleTop);
    if (bottom.isValid() && top.isValid())
        spin->setRange(qMin(bottom.toInt(), value), qMax(top.toInt(), value));
    spin->setValue(value);
}

void makeReadOnly(QLineEdit *edit, const QString &why)
{
    edit->setReadOnly(true);
    edit->setToolTip(why);
    edit->setFrame(false);
    edit->setBackgroundRole(QPalette::Window);
    QPalette palette = edit->palette();
    palette.setBrush(QPalette::Base, palette.brush(QPalette::Window));
    edit->setPalette(palette);
}

QHash<QString, QWidget *> byKey(const QList<QWidget *> &widgets)
{
    QHash<QString, QWidget *> map;
    for (QWidget *w : widgets)
        map.insert(w->objectName(), w);
    return map;
}

} // namespace TabEdits
