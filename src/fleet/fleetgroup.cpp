#include "fleetgroup.h"

namespace FleetGroup {

QList<DeviceTab> all()
{
    return { DeviceTab::Config,       DeviceTab::Positions, DeviceTab::Users, DeviceTab::Departments,
             DeviceTab::Organisation, DeviceTab::Design,    DeviceTab::Ofd };
}

QString key(DeviceTab tab)
{
    switch (tab) {
    case DeviceTab::Config:
        return QStringLiteral("config");
    case DeviceTab::Positions:
        return QStringLiteral("positions");
    case DeviceTab::Users:
        return QStringLiteral("users");
    case DeviceTab::Departments:
        return QStringLiteral("departments");
    case DeviceTab::Organisation:
        return QStringLiteral("organisation");
    case DeviceTab::Design:
        return QStringLiteral("design");
    case DeviceTab::Ofd:
        return QStringLiteral("ofd");
    case DeviceTab::Registration:
        break;
    }
    return QString();
}

bool fromKey(const QString &text, DeviceTab *tab)
{
    for (const DeviceTab t : all()) {
        if (key(t) == text) {
            *tab = t;
            return true;
        }
    }
    return false;
}

QString keyList()
{
    QStringList keys;
    for (const DeviceTab t : all())
        keys.append(key(t));
    return keys.join(QStringLiteral(", "));
}

QStringList fieldGroups(DeviceTab tab)
{
    switch (tab) {
    case DeviceTab::Config:
        return { QStringLiteral("tradeConfig") };
    case DeviceTab::Positions:
        return { QStringLiteral("positions") };
    case DeviceTab::Users:
        return { QStringLiteral("users") };
    case DeviceTab::Departments:
        return { QStringLiteral("departments") };
    case DeviceTab::Organisation:
        return { QStringLiteral("organisation") };
    case DeviceTab::Design:
        return { QStringLiteral("receiptHeader"), QStringLiteral("receiptFooter") };
    case DeviceTab::Ofd:
        return { QStringLiteral("ofd") };
    case DeviceTab::Registration:
        break;
    }
    return {};
}

} // namespace FleetGroup
