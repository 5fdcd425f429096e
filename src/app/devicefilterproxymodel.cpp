#include "devicefilterproxymodel.h"

#include "app/devicetablemodel.h"

#include <QRegularExpression>

#include <algorithm>

DeviceFilterProxyModel::DeviceFilterProxyModel(QObject *parent)
    : QSortFilterProxyModel(parent)
{
}

void DeviceFilterProxyModel::setFilterText(const QString &text)
{
    if (text == m_text)
        return;
    m_text = text;
    m_words = text.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
    invalidateFilter();
}

bool DeviceFilterProxyModel::filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const
{
    if (m_words.isEmpty())
        return true;
    QStringList fields;
    for (const int column :
         { DeviceTableModel::SerialColumn, DeviceTableModel::NameColumn, DeviceTableModel::AddrColumn })
        fields.append(sourceModel()->index(sourceRow, column, sourceParent).data().toString());
    for (const QString &word : m_words) {
        const bool found = std::any_of(fields.cbegin(), fields.cend(), [&word](const QString &field) {
            return field.contains(word, Qt::CaseInsensitive);
        });
        if (!found)
            return false;
    }
    return true;
}
