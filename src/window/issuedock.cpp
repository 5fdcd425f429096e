#include "issuedock.h"

#include "window/issuelistmodel.h"

#include <QListView>

IssueDock::IssueDock(QWidget *parent)
    : QDockWidget(tr("Проблемы"), parent)
{
    setAllowedAreas(Qt::BottomDockWidgetArea);
    m_view = new QListView(this);
    m_model = new IssueListModel(this);
    connect(m_view, &QListView::doubleClicked, this, &IssueDock::showIssue);
    m_view->setModel(m_model);
    setWidget(m_view);
}
