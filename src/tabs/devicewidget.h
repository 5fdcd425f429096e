#pragma once

#include "tabs/fieldfinding.h"

#include <QHash>
#include <QList>
#include <QWidget>

class DeviceIssueWidget;
class DeviceParams;
struct DeviceInfo;

// One page of the device window: an editor for a group of parameters. The
// window knows its tabs only through these four operations.
class DeviceWidget : public QWidget
{
    Q_OBJECT

public:
    explicit DeviceWidget(QWidget *parent = nullptr);

    // Copies every value the tab edits into the parameter set; values the tab
    // does not edit stay as they are.
    virtual void saveParams(DeviceParams &params) = 0;
    // Shows the values of the parameter set, replacing all that was shown.
    virtual void loadParams(const DeviceParams &params) = 0;
    // Checks what the widgets hold (not the parameter set) and lists a
    // finding in the dock for each rule broken, in the order the rules are
    // tested. A tab without rules adds nothing.
    virtual void validate(DeviceIssueWidget *issues, const DeviceInfo &info) = 0;
    // Writes the tab's part of the run's shared context; by default nothing.
    virtual void updateDeviceInfo(DeviceInfo &info);

    // The validation run over the window's tabs, in tab order: empties the
    // dock's list, makes a new DeviceInfo, lets every tab contribute to it,
    // then checks every tab against it. The window makes the dock on its
    // first check and shows it before every run.
    static void runValidation(const QList<DeviceWidget *> &tabs, DeviceIssueWidget *issues);

protected:
    // Field key -> the widget a finding about that field takes the user to.
    using FieldWidgets = QHash<QString, QWidget *>;

    // Lists the findings of a rule function in the dock, each pointing at this
    // tab and at the widget of its field key. A key naming a table row
    // ("users[2].barcode") that the map lacks falls back to the table's key
    // ("users"). A key without a widget still names the tab.
    void addFindings(DeviceIssueWidget *issues, const FieldFindings &findings, const FieldWidgets &widgets);
};
