#pragma once

#include "window/issuedock.h"

#include <QPointer>

class QAbstractItemView;

// The goods window's findings: opening one selects the row of its cell in the
// goods table.
class GoodsIssueWidget : public IssueDock
{
    Q_OBJECT

public:
    // The view is the goods window's table; the dock does not own it.
    explicit GoodsIssueWidget(QAbstractItemView *view, QWidget *parent = nullptr);

    // Row and column of the model the view shows.
    void addGoodsIssue(int row, int column, const QString &text);

public slots:
    void showIssue(const QModelIndex &index) override;

private:
    QPointer<QAbstractItemView> m_view;
};
