#include "deviceregistry.h"

#include "app/appsettings.h"

#include <QSettings>

#include <algorithm>

namespace {

const QString ArrayName = QStringLiteral("devices");
const QString KeySerial = QStringLiteral("serial");
const QString KeyName = QStringLiteral("name");
const QString KeyVersion = QStringLiteral("version");
const QString KeyAddr = QStringLiteral("addr");

} // namespace

DeviceRegistry::DeviceRegistry(QObject *parent)
    : QObject(parent)
{
    AppSettings store;
    QSettings *s = store.settings();
    const int n = s->beginReadArray(ArrayName);
    m_entries.reserve(n);
    for (int i = 0; i < n; ++i) {
        s->setArrayIndex(i);
        m_entries.append({ s->value(KeySerial).toString(), s->value(KeyName).toString(),
                           s->value(KeyVersion).toString(), s->value(KeyAddr).toString() });
    }
    s->endArray();
}

DeviceRegistry::~DeviceRegistry()
{
    if (m_dirty)
        save();
}

DeviceEntry *DeviceRegistry::find(const QString &serial)
{
    for (DeviceEntry &e : m_entries) {
        if (e.serial == serial)
            return &e;
    }
    return nullptr;
}

void DeviceRegistry::markChanged()
{
    m_dirty = true;
    emit changed();
}

void DeviceRegistry::addDevice(const QString &serial, const QString &version, const QString &name,
                               const QString &addr)
{
    const QString shownName = name.isEmpty() ? serial : name;
    if (DeviceEntry *e = find(serial)) {
        e->version = version;
        e->addr = addr;
        e->name = shownName;
    } else {
        m_entries.append({ serial, shownName, version, addr });
    }
    markChanged();
}

void DeviceRegistry::setDeviceVersion(const QString &serial, const QString &version)
{
    if (DeviceEntry *e = find(serial)) {
        e->version = version;
        markChanged();
    }
}

void DeviceRegistry::setDeviceAddress(const QString &serial, const QString &addr)
{
    if (DeviceEntry *e = find(serial)) {
        e->addr = addr;
        markChanged();
    }
}

void DeviceRegistry::setDeviceName(const QString &serial, const QString &name)
{
    if (DeviceEntry *e = find(serial)) {
        e->name = name.isEmpty() ? serial : name;
        markChanged();
    }
}

void DeviceRegistry::removeDevice(const QString &serial)
{
    const auto newEnd = std::remove_if(m_entries.begin(), m_entries.end(),
                                       [&](const DeviceEntry &e) { return e.serial == serial; });
    if (newEnd == m_entries.end())
        return;
    m_entries.erase(newEnd, m_entries.end());
    markChanged();
}

bool DeviceRegistry::save()
{
    AppSettings store;
    QSettings *s = store.settings();
    s->beginWriteArray(ArrayName);
    for (int i = 0; i < m_entries.size(); ++i) {
        const DeviceEntry &e = m_entries.at(i);
        s->setArrayIndex(i);
        s->setValue(KeySerial, e.serial);
        s->setValue(KeyName, e.name);
        s->setValue(KeyVersion, e.version);
        s->setValue(KeyAddr, e.addr);
    }
    s->endArray();
    m_dirty = false;
    return store.sync();
}
