#pragma once

#include "params/fields.h"

#include <QHash>
#include <QLineEdit>
#include <QList>
#include <QString>

// Line edits of the form tabs. Each edit is named after the key of its field
// ("organisation.inn"), so findings about the field find their way to it,
// and it remembers the text it was loaded with: a value the user did not
// change is not written back, and keeps its bytes.
namespace TabEdits {

// A line edit for register text: limited to maxLength characters, refusing
// what the register's code page cannot hold.
QLineEdit *textEdit(const QString &key, int maxLength, QWidget *parent);

// Shows a loaded value.
void load(QLineEdit *edit, const QString &text);
// Whether the text differs from what load() put in.
bool edited(const QLineEdit *edit);

template<int Width, int Limit> void store(const QLineEdit *edit, TextField<Width, Limit> &field)
{
    if (edited(edit))
        field.setText(edit->text());
}

// Field key -> edit, for the findings of a tab's rules.
QHash<QString, QWidget *> byKey(const QList<QWidget *> &widgets);

} // namespace TabEdits
