#pragma once

#include <QByteArray>
#include <QString>

// Where a window other than the main window was last left (its
// QWidget::saveGeometry()), kept in the settings store's group
// "WindowGeometry" under the window's name ("DeviceWindow",
// "ExchangeJournalWindow"). Empty until the window was first closed.
namespace WindowGeometry {

QByteArray load(const QString &window);
// False when the store could not be written.
bool save(const QString &window, const QByteArray &geometry);

} // namespace WindowGeometry
