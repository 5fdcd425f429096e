#include "devicewidget.h"

#include "tabs/deviceinfo.h"
#include "window/deviceissuewidget.h"
#include "window/issuelistmodel.h"

#include <QDebug>

DeviceWidget::DeviceWidget(QWidget *parent)
    : QWidget(parent)
{
}

void DeviceWidget::updateDeviceInfo(DeviceInfo &) { }

void DeviceWidget::runValidation(const QList<DeviceWidget *> &tabs, DeviceIssueWidget *issues)
{
    if (!issues)
        return;
    issues->model()->clear();
    DeviceInfo info;
    for (DeviceWidget *tab : tabs)
        tab->updateDeviceInfo(info);
    for (DeviceWidget *tab : tabs)
        tab->validate(issues, info);
}

void DeviceWidget::addFindings(DeviceIssueWidget *issues, const FieldFindings &findings,
                               const FieldWidgets &widgets)
{
    for (const FieldFinding &finding : findings) {
        QWidget *widget = widgets.value(finding.field);
        if (!widget) {
            const int bracket = finding.field.indexOf(QLatin1Char('['));
            if (bracket > 0)
                widget = widgets.value(finding.field.left(bracket));
        }
        if (!widget)
            qWarning() << "no widget for the field" << finding.field << "of a finding";
        issues->addIssue(this, widget, finding.text);
    }
}
