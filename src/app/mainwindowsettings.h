#pragma once

#include <QByteArray>
#include <Qt>

// What the main window keeps between runs, in a group of the settings store
// of its own ("MainWindow"): its geometry and the table's sort. Anything
// missing or out of range reads as the first start's value.
struct MainWindowSettings
{
    QByteArray geometry; // QWidget::saveGeometry(); empty on the first start
    int sortColumn = 0;
    Qt::SortOrder sortOrder = Qt::AscendingOrder;

    static MainWindowSettings load();
    // False when the store could not be written.
    bool save() const;

    bool operator==(const MainWindowSettings &o) const
    {
        return geometry == o.geometry && sortColumn == o.sortColumn && sortOrder == o.sortOrder;
    }
    bool operator!=(const MainWindowSettings &o) const { return !(*this == o); }
};
