#pragma once

#include <QMetaType>
#include <QString>

// One known register; the serial number is its key.
struct DeviceEntry
{
    QString serial;
    QString name;
    QString version;
    QString addr;

    bool operator==(const DeviceEntry &o) const
    {
        return serial == o.serial && name == o.name && version == o.version && addr == o.addr;
    }
};

Q_DECLARE_METATYPE(DeviceEntry)
