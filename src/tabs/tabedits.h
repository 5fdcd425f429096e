#pragma once

#include "params/fields.h"

#include <QHash>
#include <QLineEdit>
#include <QList>
#include <QSpinBox>
#include <QString>

// Line edits of the form tabs. Each edit is named after the key of its field
// ("organisation.inn"), so findings about the field find their way to it.
namespace TabEdits {

// A line edit for register text: limited to maxLength characters, refusing
// what the register's code page cannot hold.
QLineEdit *textEdit(const QString &key, int maxLength, QWidget *parent);

// Shows a stored text whole: an edit whose limit is below the text's length
// (a field the register filled to its full width) takes the text's length
// until the next load, so nothing shown is cut.
void showText(QLineEdit *edit, const QString &text);

// Stores the edit's text into the field unless the edit shows what the
// field holds: a value left alone keeps its bytes, also those the code page
// cannot decode.
template<int Width, int Limit> void store(const QLineEdit *edit, TextField<Width, Limit> &field)
{
    if (edit->text() != field.text())
        field.setText(edit->text());
}

// A spin box for a number the register's rules keep within bottom..top.
QSpinBox *spinBox(const QString &key, int bottom, int top, QWidget *parent = nullptr);
// Shows a stored number as it is: the range widens to take a value outside
// bottom..top until the next load (the check reports it), instead of
// showing the nearest end, which would be written back.
void showNumber(QSpinBox *spin, int value);

// An edit that shows a value the user cannot change: it looks so (the
// window's background, no frame of an input) and its tool tip says why.
void makeReadOnly(QLineEdit *edit, const QString &why);

// Field key -> widget, for the findings of a tab's rules.
QHash<QString, QWidget *> byKey(const QList<QWidget *> &widgets);

} // namespace TabEdits
