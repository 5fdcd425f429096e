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

void DeviceIssueWidget::showIssue(const QModelIndex &index)
{
    if (!m_tabWidget)
        return;
    const auto issue = model()->issue(index.row()).dynamicCast<DeviceIssue>();
    if (!issue)
        return;
    // A tab the window has dropped since the check is no page any more.
    auto *tab = qobject_cast<DeviceWidget *>(issue->tab());
    if (!tab || m_tabWidget->indexOf(tab) < 0)
        return;
    m_tabWidget->setCurrentWidget(tab);
    if (auto *widget = qobject_cast<QWidget *>(issue->widget())) {
        // A floating dock is a window of its own: bring the field's window up.
        if (!widget->isActiveWindow())
            widget->activateWindow();
        widget->setFocus(Qt::OtherFocusReason);
    }
}
