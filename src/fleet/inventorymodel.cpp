#include "inventorymodel.h"

#include <utility>

namespace {

template<int Column> QVariant cell(const InventoryLine &line, int role)
{
    switch (role) {
    case Qt::DisplayRole:
        return InventoryColumns::value(line, Column);
    case Qt::ToolTipRole:
        return line.notes.isEmpty() ? QVariant() : QVariant(line.notes.join(QLatin1Char('\n')));
    case InventoryModel::LinkRole:
        return int(line.link);
    case InventoryModel::FromProfileRole:
        return line.fromProfile;
    default:
        return {};
    }
}

template<int... Columns>
QVector<RecordTableModel<InventoryLine>::ColumnSpec> columns(std::integer_sequence<int, Columns...>)
{
    return { { InventoryColumns::header(Columns), &cell<Columns> }... };
}

} // namespace

InventoryModel::InventoryModel(QObject *parent)
    : RecordTableModel(columns(std::make_integer_sequence<int, InventoryColumns::Count>()), parent)
{
}
