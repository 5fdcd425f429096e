#include "priceitemdelegate.h"

#include <QDoubleSpinBox>

namespace {

constexpr double MaxEditedPrice = 9999999999999.99;

} // namespace

PriceItemDelegate::PriceItemDelegate(QObject *parent)
    : QStyledItemDelegate(parent)
{
}

QString PriceItemDelegate::displayText(const QVariant &value, const QLocale &locale) const
{
    bool ok = false;
    const double price = value.toDouble(&ok);
    if (!ok)
        return QStyledItemDelegate::displayText(value, locale);
    return locale.toString(price, 'f', 2);
}

QWidget *PriceItemDelegate::createEditor(QWidget *parent, const QStyleOptionViewItem &,
                                         const QModelIndex &) const
{
    auto *spin = new QDoubleSpinBox(parent);
    spin->setFrame(false);
    spin->setDecimals(2);
    spin->setRange(0, MaxEditedPrice);
    spin->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return spin;
}

void PriceItemDelegate::setEditorData(QWidget *editor, const QModelIndex &index) const
{
    static_cast<QDoubleSpinBox *>(editor)->setValue(index.data(Qt::EditRole).toDouble());
}

void PriceItemDelegate::setModelData(QWidget *editor, QAbstractItemModel *model,
                                     const QModelIndex &index) const
{
    auto *spin = static_cast<QDoubleSpinBox *>(editor);
    spin->interpretText();
    model->setData(index, spin->value(), Qt::EditRole);
}

void PriceItemDelegate::initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const
{
    QStyledItemDelegate::initStyleOption(option, index);
    option->displayAlignment = Qt::AlignRight | Qt::AlignVCenter;
}
