#include "usertab.h"

#include <QAbstractItemDelegate>
#include <QGridLayout>
#include <QHeaderView>
#include <QTableView>

UserTab::UserTab(UserTableModel *model, QWidget *parent)
    : DeviceWidget(parent)
    , m_model(model)
    , m_view(new QTableView(this))
{
    m_model->setParent(this);
    m_view->setObjectName(QStringLiteral("users"));
    m_view->setModel(m_model);
    m_view->setSelectionMode(QAbstractItemView::SingleSelection);
    m_view->verticalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    // Rows have no captions: an empty gutter would only take room.
    m_view->verticalHeader()->hide();
    auto *layout = new QGridLayout(this);
    layout->addWidget(m_view, 0, 0);
}

void UserTab::showRows(const UserRows &rows, const QStringList &positionNames)
{
    m_model->setRows(rows, positionNames);
    installDelegates();
    m_view->resizeColumnsToContents();
    // Room to type in a column whose cells are still short or empty.
    for (int column = 0; column < m_model->columnCount(); ++column) {
        const int width = m_view->columnWidth(column);
        if (m_model->flags(m_model->index(0, column)).testFlag(Qt::ItemIsEditable))
            m_view->setColumnWidth(column, qMax(width, 120));
    }
}

void UserTab::setDelegate(UserTableModel::Field field, QAbstractItemDelegate *delegate)
{
    const int column = m_model->column(field);
    QAbstractItemDelegate *old = m_view->itemDelegateForColumn(column);
    delegate->setParent(this);
    m_view->setItemDelegateForColumn(column, delegate);
    if (old != delegate)
        delete old;
}

void UserTab::addUserFindings(DeviceIssueWidget *issues, const FieldFindings &findings)
{
    addFindings(issues, findings, { { QStringLiteral("users"), m_view } });
}
