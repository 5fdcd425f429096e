#pragma once

#include <QString>
#include <QVector>

// A finding of a tab's rule function, before any widget is involved.
//
// A tab's validate() reads its widgets into plain values and hands them, with
// the run's DeviceInfo, to a rule function in the core library, which returns
// FieldFindings in the order the rules are tested. The tab then lists them in
// the dock through DeviceWidget::addFindings, mapping each field key to the
// widget the user is taken to. The command-line check calls the same rule
// functions with values taken from a parameter set and prints the findings,
// so window and tool cannot disagree. A tab's contribution to DeviceInfo is
// best computed the same way, by a core function of plain values.
//
// The field key names the field the way the parameter fields name it
// ("organisation.inn"); a finding about one row of a table adds the row
// ("users[2].barcode").
struct FieldFinding
{
    QString tab; // caption of the tab that holds the field (tabCaption())
    QString field; // key of the field
    QString text; // the message as the dock lists it

    bool operator==(const FieldFinding &other) const
    {
        return tab == other.tab && field == other.field && text == other.text;
    }
    bool operator!=(const FieldFinding &other) const { return !(*this == other); }
};

using FieldFindings = QVector<FieldFinding>;
