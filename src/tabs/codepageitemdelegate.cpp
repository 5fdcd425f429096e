#include "codepageitemdelegate.h"

#include "tabs/codepagevalidator.h"

#include <QLineEdit>

CodePageItemDelegate::CodePageItemDelegate(QObject *parent)
    : QStyledItemDelegate(parent)
{
}

QWidget *CodePageItemDelegate::createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                                            const QModelIndex &index) const
{
    QWidget *editor = QStyledItemDelegate::createEditor(parent, option, index);
    if (auto *edit = qobject_cast<QLineEdit *>(editor))
        CodePageValidator::install(edit);
    return editor;
}
