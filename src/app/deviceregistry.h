#pragma once

#include "app/deviceentry.h"

#include <QList>
#include <QObject>

#include <functional>

class QSettings;

// The list of known registers as kept in the settings store (array
// "devices"). Short-lived: loads the store when made, saves it when it goes
// if anything changed.
//
// Other processes (korvant-cli, a second utility) change the list too. So a
// change is kept as what it does, not as the list it made: save() applies
// the changes in their order to the list the store holds at that moment,
// under the store's change lock (SettingsStore::update()), and entries() is
// then that list. A change another process made meanwhile stays.
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
    // The registration's add or update: a register listed already keeps the
    // name the user gave it (as the list holds it when saved).
    void registerDevice(const QString &serial, const QString &version, const QString &addr);
    // Lists a register that is not listed yet (named by its serial number,
    // without an address); one that is gets the version.
    void listDevice(const QString &serial, const QString &version);
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
    using Change = std::function<void(QList<DeviceEntry> &)>;

    static QList<DeviceEntry> read(QSettings *s);
    static void write(QSettings *s, const QList<DeviceEntry> &entries);
    // Applies change to the list shown now and keeps it for save().
    void apply(const Change &change);

    QList<DeviceEntry> m_entries;
    QList<Change> m_pending;
    bool m_dirty = false;
};
