#pragma once

#include <QString>

class GoodsSortFilterProxyModel;
class GoodsTableModel;
class QTableView;

// Before the goods window writes its catalogue anywhere (the register, the
// profile): true when the record holds every row as it is. Otherwise it shows
// the first row it cannot hold, selected in the view, and a warning titled
// title naming the row as the view numbers it, the column and why, ending
// with nothingDone; false, and nothing may be written.
bool goodsFitRecord(QTableView *view, const GoodsSortFilterProxyModel &proxy, const GoodsTableModel &model,
                    const QString &title, const QString &nothingDone);
