#pragma once

#include <QStyledItemDelegate>

// A yes/no cell drawn as a bare check box indicator in the middle of the
// cell, toggled by a click on the indicator or by Space. The model gives the
// value as a bool for Qt::DisplayRole and Qt::EditRole and as a Qt::CheckState
// for Qt::CheckStateRole, and flags the cell Qt::ItemIsUserCheckable.
class CheckBoxItemDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    explicit CheckBoxItemDelegate(QObject *parent = nullptr);

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                          const QModelIndex &index) const override;
    void setEditorData(QWidget *editor, const QModelIndex &index) const override;
    void setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const override;
    void updateEditorGeometry(QWidget *editor, const QStyleOptionViewItem &option,
                              const QModelIndex &index) const override;
    // Draws the indicator only: no background, selection or text.
    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;

    // The application style's indicator size, centred in the cell.
    static QRect indicatorRect(const QRect &cell);

protected:
    bool editorEvent(QEvent *event, QAbstractItemModel *model, const QStyleOptionViewItem &option,
                     const QModelIndex &index) override;
};
