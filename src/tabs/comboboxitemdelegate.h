#pragma once

#include <QStringList>
#include <QStyledItemDelegate>

// Edits a cell that stores a number by a choice from a list of names: the
// model value is the chosen entry's index plus the offset. The list drops
// down as soon as the cell is opened.
class ComboBoxItemDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    ComboBoxItemDelegate(const QStringList &names, int indexOffset, QObject *parent = nullptr);

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                          const QModelIndex &index) const override;
    void setEditorData(QWidget *editor, const QModelIndex &index) const override;
    void setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const override;
    void updateEditorGeometry(QWidget *editor, const QStyleOptionViewItem &option,
                              const QModelIndex &index) const override;

private:
    QStringList m_names;
    int m_indexOffset = 0;
};
