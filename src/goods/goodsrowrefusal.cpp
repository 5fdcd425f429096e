#include "goodsrowrefusal.h"

#include "goods/goodsimage.h"
#include "goods/goodssortfilterproxymodel.h"
#include "goods/goodstablemodel.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <QTableView>

bool goodsFitRecord(QTableView *view, const GoodsSortFilterProxyModel &proxy, const GoodsTableModel &model,
                    const QString &title, const QString &nothingDone)
{
    const GoodsRowFault fault = firstUnholdableGoodsRow(model.goods());
    if (fault.row < 0)
        return true;
    const QModelIndex cell = proxy.mapFromSource(model.index(fault.row, fault.column));
    view->setCurrentIndex(cell);
    view->scrollTo(cell);
    QMessageBox::warning(
        view->window(), title,
        QCoreApplication::translate("GoodsWindow",
                                    "Строку %1 нельзя записать как есть (столбец «%2»): %3. %4")
            .arg(cell.row() + 1)
            .arg(model.headerData(fault.column, Qt::Horizontal).toString(), fault.reason, nothingDone));
    return false;
}
