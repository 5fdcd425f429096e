#include "changemarkmodel.h"

#include <QApplication>
#include <QColor>
#include <QFont>
#include <QPalette>

ChangeMarkModel::ChangeMarkModel(QAbstractItemModel *source, QObject *parent)
    : QIdentityProxyModel(parent)
{
    setSourceModel(source);
    connect(this, &QAbstractItemModel::dataChanged, this, &ChangeMarkModel::marksChanged);
    connect(this, &QAbstractItemModel::modelReset, this, &ChangeMarkModel::marksChanged);
}

QColor ChangeMarkModel::changedColor()
{
    return QColor(255, 243, 176);
}

QVariant ChangeMarkModel::cellValue(int row, int column) const
{
    const QModelIndex cell = index(row, column);
    const QVariant check = QIdentityProxyModel::data(cell, Qt::CheckStateRole);
    const QVariant edit = QIdentityProxyModel::data(cell, Qt::EditRole);
    return check.isValid() ? QVariant(QVariantList { edit, check }) : edit;
}

void ChangeMarkModel::takeBaseline()
{
    m_baselineRows = rowCount();
    m_baselineColumns = columnCount();
    m_baseline.clear();
    m_baseline.reserve(m_baselineRows * m_baselineColumns);
    for (int row = 0; row < m_baselineRows; ++row) {
        for (int column = 0; column < m_baselineColumns; ++column)
            m_baseline.append(cellValue(row, column));
    }
    if (m_baselineRows > 0 && m_baselineColumns > 0)
        emit dataChanged(index(0, 0), index(m_baselineRows - 1, m_baselineColumns - 1),
                         { Qt::BackgroundRole, Qt::FontRole });
    emit marksChanged();
}

bool ChangeMarkModel::isChanged(const QModelIndex &index) const
{
    if (m_baselineRows < 0 || !index.isValid() || index.model() != this)
        return false;
    // A row or column the baseline lacks is new.
    if (index.row() >= m_baselineRows || index.column() >= m_baselineColumns)
        return true;
    return cellValue(index.row(), index.column())
        != m_baseline.at(index.row() * m_baselineColumns + index.column());
}

bool ChangeMarkModel::hasChanges() const
{
    if (m_baselineRows < 0)
        return false;
    if (rowCount() != m_baselineRows)
        return true;
    for (int row = 0; row < rowCount(); ++row) {
        for (int column = 0; column < columnCount(); ++column) {
            if (isChanged(index(row, column)))
                return true;
        }
    }
    return false;
}

QVariant ChangeMarkModel::data(const QModelIndex &index, int role) const
{
    switch (role) {
    case Qt::BackgroundRole:
        if (isChanged(index))
            return changedColor();
        break;
    case Qt::FontRole:
        if (isChanged(index)) {
            QFont font = QApplication::font();
            font.setBold(true);
            return font;
        }
        break;
    case Qt::ForegroundRole:
        if (index.isValid() && !(flags(index) & (Qt::ItemIsEditable | Qt::ItemIsUserCheckable)))
            return QApplication::palette().brush(QPalette::Disabled, QPalette::Text);
        break;
    case Qt::ToolTipRole: {
        // A text cut by the column's width is read whole in its tool tip.
        const QVariant own = QIdentityProxyModel::data(index, role);
        if (own.isValid())
            return own;
        const QVariant shown = QIdentityProxyModel::data(index, Qt::DisplayRole);
        if (shown.type() == QVariant::String && !shown.toString().isEmpty())
            return shown;
        return {};
    }
    default:
        break;
    }
    return QIdentityProxyModel::data(index, role);
}
