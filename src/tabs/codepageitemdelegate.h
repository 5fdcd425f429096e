#pragma once

#include <QStyledItemDelegate>

// A table cell edited with the view's own editor for its value; a line editor
// also refuses characters the register's code page cannot hold.
class CodePageItemDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    explicit CodePageItemDelegate(QObject *parent = nullptr);

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                          const QModelIndex &index) const override;
};
