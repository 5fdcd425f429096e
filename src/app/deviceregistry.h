#pragma once

#include "app/deviceentry.h"

#include <QList>
#include <QObject>

// The list of known registers as kept in the settings store (array
// "devices"). Short-lived: loads the store when made, saves it when it goes
// if anything changed.
class DeviceRegistry : public QObject
{
    Q_OBJECT

public:
    explicit DeviceRegistry(QObject *parent = nullptr);
    ~DeviceRegistry() override;

    const QList<DeviceEntry> &entries() const { return m_entries; }
    bool isDirty() const { return m_dirty; }

    // Adds a register or updates the one listed under the serial.
    void addDevice(const QString &serial, const QString &version, const QString &name, const QString &addr);
    void setDeviceVersion(const QString &serial, const QString &version);
    void setDeviceAddress(const QString &serial, const QString &addr);
    // The name the user gave; an empty name shows the serial number again.
    void setDeviceName(const QString &serial, const QString &name);
    void removeDevice(const QString &serial);

    // False when the store could not be written.
    bool save();

signals:
    void changed();

private:
    DeviceEntry *find(const QString &serial);
    void markChanged();

    QList<DeviceEntry> m_entries;
    bool m_dirty = false;
};
