#include "textitemdelegate.h"

#include "tabs/codepageitemdelegate.h"
#include "tabs/codepagevalidator.h"

#include <QLineEdit>

TextItemDelegate::TextItemDelegate(int maxLength, bool allowEmpty, QObject *parent)
    : QStyledItemDelegate(parent)
    , m_maxLength(maxLength)
    , m_allowEmpty(allowEmpty)
{
}

QWidget *TextItemDelegate::createEditor(QWidget *parent, const QStyleOptionViewItem &,
                                        const QModelIndex &index) const
{
    auto *edit = new QLineEdit(parent);
    // A stored name longer than the limit (a field filled to its full width)
    // shows whole in the editor too.
    edit->setMaxLength(CodePageItemDelegate::limitFor(m_maxLength, index));
    CodePageValidator::install(edit);
    return edit;
}

void TextItemDelegate::setEditorData(QWidget *editor, const QModelIndex &index) const
{
    static_cast<QLineEdit *>(editor)->setText(index.data(Qt::EditRole).toString());
}

void TextItemDelegate::setModelData(QWidget *editor, QAbstractItemModel *model,
                                    const QModelIndex &index) const
{
    const QString text = static_cast<QLineEdit *>(editor)->text();
    if (text.isEmpty() && !m_allowEmpty)
        return;
    model->setData(index, text, Qt::EditRole);
}

void TextItemDelegate::updateEditorGeometry(QWidget *editor, const QStyleOptionViewItem &option,
                                            const QModelIndex &) const
{
    editor->setGeometry(option.rect);
}
