#include "deviceissuewidget.h"

#include "tabs/devicewidget.h"
#include "window/issuelistmodel.h"

#include <QTabWidget>

DeviceIssueWidget::DeviceIssueWidget(QTabWidget *tabWidget, QWidget *parent)
    : IssueDock(parent)
    , m_tabWidget(tabWidget)
{
    setObjectName(QStringLiteral("deviceIssueWidget"));
}

void DeviceIssueWidget::addIssue(DeviceWidget *tab, QWidget *widget, const QString &text)
{
    model()->appendIssue(QSharedPointer<DeviceIssue>::create(tab, widget, text));
}

void DeviceIssueWidget::addIssue(DeviceWidget *tab, QWidget *widget, const QString &text,
                                 const QString &caption, const QString &field)
{
    auto issue = QSharedPointer<DeviceIssue>::create(tab, widget, text);
    issue->setPlace(caption);
    issue->setField(field);
    model()->appendIssue(issue);
}

void DeviceIssueWidget::showIssue(const QModelIndex &index)
{
    if (!m_tabWidget)
        return;
    const auto issue = model()->issue(index.row()).dynamicCast<DeviceIssue>();
    if (!issue)
        return;
    // A tab the window has dropped since the check is no page any more.
    auto *tab = qobject_cast<DeviceWidget *>(issue->tab());
    if (!tab)
        return;
    // A page is the tab itself or holds it (a scroll area around it).
    int page = -1;
    for (int k = 0; k < m_tabWidget->count() && page < 0; ++k) {
        QWidget *w = m_tabWidget->widget(k);
        if (w == tab || w->isAncestorOf(tab))
            page = k;
    }
    if (page < 0)
        return;
    m_tabWidget->setCurrentIndex(page);
    tab->showField(issue->field(), qobject_cast<QWidget *>(issue->widget()));
}
