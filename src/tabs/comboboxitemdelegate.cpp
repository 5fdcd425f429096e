#include "comboboxitemdelegate.h"

#include <QComboBox>

namespace {
const char PopupOpened[] = "popupOpened";
}

ComboBoxItemDelegate::ComboBoxItemDelegate(const QStringList &names, int indexOffset, QObject *parent)
    : QStyledItemDelegate(parent)
    , m_names(names)
    , m_indexOffset(indexOffset)
{
}

QWidget *ComboBoxItemDelegate::createEditor(QWidget *parent, const QStyleOptionViewItem &,
                                            const QModelIndex &) const
{
    auto *combo = new QComboBox(parent);
    combo->addItems(m_names);
    // A choice made in the list (a click, or Enter) ends the edit: the cell
    // shows it at once instead of an open combo box.
    auto *self = const_cast<ComboBoxItemDelegate *>(this);
    connect(combo, qOverload<int>(&QComboBox::activated), self, [self, combo] {
        emit self->commitData(combo);
        emit self->closeEditor(combo);
    });
    return combo;
}

void ComboBoxItemDelegate::setEditorData(QWidget *editor, const QModelIndex &index) const
{
    auto *combo = static_cast<QComboBox *>(editor);
    // A value without an entry (below the offset, beyond the list) selects none.
    combo->setCurrentIndex(index.data(Qt::EditRole).toInt() - m_indexOffset);
    // The view fills an open editor again whenever its cell changes, also
    // while the choice is being stored: only the first filling drops the list.
    if (!combo->property(PopupOpened).toBool()) {
        combo->setProperty(PopupOpened, true);
        combo->showPopup();
    }
}

void ComboBoxItemDelegate::setModelData(QWidget *editor, QAbstractItemModel *model,
                                        const QModelIndex &index) const
{
    const int current = static_cast<QComboBox *>(editor)->currentIndex();
    // No entry chosen (the value has no name and the list was closed without
    // a choice): the cell keeps the value it had.
    if (current < 0)
        return;
    model->setData(index, current + m_indexOffset, Qt::EditRole);
}

void ComboBoxItemDelegate::updateEditorGeometry(QWidget *editor, const QStyleOptionViewItem &option,
                                                const QModelIndex &) const
{
    editor->setGeometry(option.rect);
}
