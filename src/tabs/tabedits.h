#pragma once

#include "params/fields.h"

#include <QHash>
#include <QLineEdit>
#include <QList>
#include <QString>

// Line edits of the form tabs. Each edit is named after the key of its field
// ("organisation.inn"), so findings about the field find their way to it.
namespace TabEdits {

// A line edit for register text: limited to maxLength characters, refusing
// what the register's code page cannot hold.
QLineEdit *textEdit(const QString &key, int maxLength, QWidget *parent);

// Stores the edit's text into the field unless the edit shows what the
// field holds (shown: the field's text as the tab loads it): a value left
// alone keeps its bytes, also those the code page cannot decode and a text
// longer than the edit takes.
template<int Width, int Limit>
void store(const QLineEdit *edit, TextField<Width, Limit> &field, const QString &shown)
{
    if (edit->text() != shown.left(edit->maxLength()))
        field.setText(edit->text());
}

template<int Width, int Limit> void store(const QLineEdit *edit, TextField<Width, Limit> &field)
{
    store(edit, field, field.text());
}

// Field key -> widget, for the findings of a tab's rules.
QHash<QString, QWidget *> byKey(const QList<QWidget *> &widgets);

} // namespace TabEdits
