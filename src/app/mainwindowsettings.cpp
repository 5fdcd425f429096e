#include "mainwindowsettings.h"

#include "app/appsettings.h"
#include "app/devicetablemodel.h"
#include "store/settingsgroup.h"

#include <QSettings>

namespace {

const QString Group = QStringLiteral("MainWindow");
const QString KeyGeometry = QStringLiteral("geometry");
const QString KeySortColumn = QStringLiteral("sortColumn");
const QString KeySortOrder = QStringLiteral("sortOrder");

} // namespace

MainWindowSettings MainWindowSettings::load()
{
    MainWindowSettings result;
    AppSettings store;
    QSettings *s = store.settings();
    const SettingsGroup group(s, Group);
    result.geometry = s->value(KeyGeometry).toByteArray();
    bool ok = false;
    const int column = s->value(KeySortColumn).toInt(&ok);
    if (ok && column >= 0 && column < DeviceTableModel::ColumnCount)
        result.sortColumn = column;
    const int order = s->value(KeySortOrder).toInt(&ok);
    if (ok && (order == Qt::AscendingOrder || order == Qt::DescendingOrder))
        result.sortOrder = Qt::SortOrder(order);
    return result;
}

bool MainWindowSettings::save() const
{
    return AppSettings::update([this](QSettings *s) {
        const SettingsGroup group(s, Group);
        s->setValue(KeyGeometry, geometry);
        s->setValue(KeySortColumn, sortColumn);
        s->setValue(KeySortOrder, int(sortOrder));
    });
}
