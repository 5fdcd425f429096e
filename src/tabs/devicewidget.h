#pragma once

#include "tabs/fieldfinding.h"

#include <QHash>
#include <QList>
#include <QWidget>

class ChangeMarkModel;
class DeviceIssueWidget;
class QAbstractItemModel;
class QModelIndex;
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

    // What every control and table of the tab shows now becomes the
    // baseline that changes are marked against: the window calls it after a
    // load from the register or the profile, a profile save and a successful
    // write. Until the first call nothing is marked.
    void takeBaseline();
    // Whether a control or a cell differs from the baseline.
    bool hasChanges() const;

    // Takes the user to the field a finding names: the widget gets the
    // focus; in a table the cell of the key ("users[2].barcode") becomes
    // the current one.
    void showField(const QString &key, QWidget *widget);

signals:
    // A control or cell was changed, or the baseline was taken.
    void changesChanged();

protected:
    // The proxy a tab's view shows instead of its model, so that changed
    // cells are marked; owned by the tab.
    ChangeMarkModel *markChanges(QAbstractItemModel *source);
    // The cell of a finding's key in the model the view shows, or an invalid
    // index when the key names none (then the table only gets the focus).
    virtual QModelIndex indexOfField(const QString &key) const;
    // "users[12].barcode" -> 12 and "barcode"; false for a key without an index.
    static bool splitRowKey(const QString &key, int *index, QString *member);

    // Field key -> the widget a finding about that field takes the user to.
    using FieldWidgets = QHash<QString, QWidget *>;

    // Lists the findings of a rule function in the dock, each pointing at this
    // tab and at the widget of its field key. A key naming a table row
    // ("users[2].barcode") that the map lacks falls back to the table's key
    // ("users"). A key without a widget still names the tab.
    void addFindings(DeviceIssueWidget *issues, const FieldFindings &findings, const FieldWidgets &widgets);

private:
    // The controls a user edits (line edits, spin boxes, combo boxes, check
    // boxes), tables' cell editors excepted.
    QList<QWidget *> controls() const;
    void updateMarks();
    void markControl(QWidget *control, bool changed);

    QHash<QWidget *, QVariant> m_baseline;
    QList<ChangeMarkModel *> m_markModels;
    bool m_hasBaseline = false;
};
