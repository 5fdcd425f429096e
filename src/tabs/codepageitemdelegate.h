#pragma once

#include <QStyledItemDelegate>

// A table cell edited with the view's own editor for its value; a line editor
// also refuses characters the register's code page cannot hold and, with a
// maxLength, takes at most that many (or the stored text's length, where the
// register filled the field to its full width).
class CodePageItemDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    explicit CodePageItemDelegate(QObject *parent = nullptr);
    explicit CodePageItemDelegate(int maxLength, QObject *parent = nullptr);

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                          const QModelIndex &index) const override;

    // The editor's limit for a stored text: maxLength, or the text's length
    // where that is more. 0 (no limit) stays 0.
    static int limitFor(int maxLength, const QModelIndex &index);

private:
    int m_maxLength = 0;
};
