#pragma once

#include <QStyledItemDelegate>

// Edits a text cell with a line editor of limited length. A cell whose text
// must not be empty keeps its old value when the editor is left empty.
class TextItemDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    TextItemDelegate(int maxLength, bool allowEmpty, QObject *parent = nullptr);

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                          const QModelIndex &index) const override;
    void setEditorData(QWidget *editor, const QModelIndex &index) const override;
    void setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const override;
    void updateEditorGeometry(QWidget *editor, const QStyleOptionViewItem &option,
                              const QModelIndex &index) const override;

private:
    int m_maxLength = 0;
    bool m_allowEmpty = false;
};
