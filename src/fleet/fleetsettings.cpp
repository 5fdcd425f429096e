#include "fleetsettings.h"

#include "fleet/fleetrunner.h"
#include "store/settingsgroup.h"
#include "store/settingsstore.h"

#include <QSettings>

namespace {

const QString Group = QStringLiteral("Fleet");
const QString KeyJobs = QStringLiteral("jobs");

} // namespace

int FleetSettings::jobs()
{
    SettingsStore store;
    QSettings *s = store.settings();
    const SettingsGroup group(s, Group);
    bool ok = false;
    const int value = s->value(KeyJobs).toInt(&ok);
    return ok && value >= 1 && value <= FleetRunner::MaxJobs ? value : FleetRunner::DefaultJobs;
}

bool FleetSettings::setJobs(int jobs)
{
    return SettingsStore::update([jobs](QSettings *s) {
        const SettingsGroup group(s, Group);
        s->setValue(KeyJobs, qBound(1, jobs, FleetRunner::MaxJobs));
    });
}
