#include "checkboxitemdelegate.h"

#include <QApplication>
#include <QCheckBox>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QStyle>

CheckBoxItemDelegate::CheckBoxItemDelegate(QObject *parent)
    : QStyledItemDelegate(parent)
{
}

QWidget *CheckBoxItemDelegate::createEditor(QWidget *parent, const QStyleOptionViewItem &,
                                            const QModelIndex &) const
{
    return new QCheckBox(parent);
}

void CheckBoxItemDelegate::setEditorData(QWidget *editor, const QModelIndex &index) const
{
    static_cast<QCheckBox *>(editor)->setChecked(index.data(Qt::EditRole).toBool());
}

void CheckBoxItemDelegate::setModelData(QWidget *editor, QAbstractItemModel *model,
                                        const QModelIndex &index) const
{
    model->setData(index, static_cast<QCheckBox *>(editor)->isChecked(), Qt::EditRole);
}

void CheckBoxItemDelegate::updateEditorGeometry(QWidget *editor, const QStyleOptionViewItem &option,
                                                const QModelIndex &) const
{
    editor->setGeometry(option.rect);
}

QRect CheckBoxItemDelegate::indicatorRect(const QRect &cell)
{
    const QStyleOptionButton button;
    const QSize size = QApplication::style()->subElementRect(QStyle::SE_CheckBoxIndicator, &button).size();
    return QRect(cell.left() + cell.width() / 2 - size.width() / 2,
                 cell.top() + cell.height() / 2 - size.height() / 2, size.width(), size.height());
}

void CheckBoxItemDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                                 const QModelIndex &index) const
{
    QStyleOptionButton button;
    button.state = QStyle::State_Enabled
        | (index.data(Qt::DisplayRole).toBool() ? QStyle::State_On : QStyle::State_Off);
    button.rect = indicatorRect(option.rect);
    QApplication::style()->drawControl(QStyle::CE_CheckBox, &button, painter);
}

bool CheckBoxItemDelegate::editorEvent(QEvent *event, QAbstractItemModel *model,
                                       const QStyleOptionViewItem &option, const QModelIndex &index)
{
    const Qt::ItemFlags flags = model->flags(index);
    if (!flags.testFlag(Qt::ItemIsUserCheckable) || !flags.testFlag(Qt::ItemIsEnabled))
        return false;
    const QVariant state = index.data(Qt::CheckStateRole);
    if (!state.isValid())
        return false;

    switch (event->type()) {
    case QEvent::MouseButtonRelease:
        if (!indicatorRect(option.rect).contains(static_cast<QMouseEvent *>(event)->pos()))
            return false;
        break;
    case QEvent::KeyPress: {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key != Qt::Key_Space && key != Qt::Key_Select)
            return false;
        break;
    }
    default:
        return false;
    }

    const int toggled = state.toInt() == Qt::Checked ? Qt::Unchecked : Qt::Checked;
    return model->setData(index, toggled, Qt::CheckStateRole);
}
