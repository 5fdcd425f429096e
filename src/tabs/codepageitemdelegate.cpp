#include "codepageitemdelegate.h"

#include "tabs/codepagevalidator.h"

#include <QLineEdit>

CodePageItemDelegate::CodePageItemDelegate(QObject *parent)
    : QStyledItemDelegate(parent)
{
}

CodePageItemDelegate::CodePageItemDelegate(int maxLength, QObject *parent)
    : QStyledItemDelegate(parent)
    , m_maxLength(maxLength)
{
}

QWidget *CodePageItemDelegate::createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                                            const QModelIndex &index) const
{
    QWidget *editor = QStyledItemDelegate::createEditor(parent, option, index);
    if (auto *edit = qobject_cast<QLineEdit *>(editor)) {
        CodePageValidator::install(edit);
        if (m_maxLength > 0)
            edit->setMaxLength(limitFor(m_maxLength, index));
    }
    return editor;
}

int CodePageItemDelegate::limitFor(int maxLength, const QModelIndex &index)
{
    if (maxLength <= 0)
        return maxLength;
    return qMax(maxLength, int(index.data(Qt::EditRole).toString().size()));
}
