#include "goodsissuewidget.h"

#include "window/issuelistmodel.h"

#include <QAbstractItemView>
#include <QItemSelectionModel>

GoodsIssueWidget::GoodsIssueWidget(QAbstractItemView *view, QWidget *parent)
    : IssueDock(parent)
    , m_view(view)
{
    setObjectName(QStringLiteral("goodsIssueWidget"));
}

void GoodsIssueWidget::addGoodsIssue(int row, int column, const QString &text)
{
    model()->appendIssue(QSharedPointer<GoodsIssue>::create(row, column, text));
}

void GoodsIssueWidget::showIssue(const QModelIndex &index)
{
    if (!m_view)
        return;
    const auto issue = model()->issue(index.row()).dynamicCast<GoodsIssue>();
    if (!issue)
        return;
    QAbstractItemModel *goods = m_view->model();
    QItemSelectionModel *selection = m_view->selectionModel();
    if (!goods || !selection)
        return;
    // A row that no longer exists gives an invalid index, which selects nothing.
    const QModelIndex cell = goods->index(issue->row(), issue->column());
    selection->clearSelection();
    if (cell.isValid()) {
        // The cell also becomes current and is scrolled into sight: in a long
        // catalogue a selected row off the screen would show the user nothing.
        selection->setCurrentIndex(cell, QItemSelectionModel::Select | QItemSelectionModel::Rows);
        m_view->scrollTo(cell);
    }
    m_view->setFocus(Qt::OtherFocusReason);
}
