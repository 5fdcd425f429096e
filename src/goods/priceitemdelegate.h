#pragma once

#include <QStyledItemDelegate>

// The goods table's price column: shown with two decimals, right-aligned,
// and edited in a spin box that takes only prices the register can keep
// (0 to 9 999 999 999 999.99). The model's value stays a plain number; the
// default display would show round prices as "1e+06".
class PriceItemDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    explicit PriceItemDelegate(QObject *parent = nullptr);

    QString displayText(const QVariant &value, const QLocale &locale) const override;
    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                          const QModelIndex &index) const override;
    void setEditorData(QWidget *editor, const QModelIndex &index) const override;
    void setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const override;

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override;
};
