#include "windowgeometry.h"

#include "app/appsettings.h"
#include "store/settingsgroup.h"

#include <QSettings>

namespace {

const QString Group = QStringLiteral("WindowGeometry");

} // namespace

namespace WindowGeometry {

QByteArray load(const QString &window)
{
    AppSettings store;
    QSettings *s = store.settings();
    const SettingsGroup group(s, Group);
    return s->value(window).toByteArray();
}

bool save(const QString &window, const QByteArray &geometry)
{
    AppSettings store;
    QSettings *s = store.settings();
    {
        const SettingsGroup group(s, Group);
        s->setValue(window, geometry);
    }
    return store.sync();
}

} // namespace WindowGeometry
