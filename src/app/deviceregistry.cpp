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

DeviceEntry *find(QList<DeviceEntry> &entries, const QString &serial)
{
    for (DeviceEntry &e : entries) {
        if (e.serial == serial)
            return &e;
    }
    return nullptr;
}

} // namespace

DeviceRegistry::DeviceRegistry(QObject *parent)
    : QObject(parent)
{
    AppSettings store;
    m_entries = read(store.settings());
}

DeviceRegistry::~DeviceRegistry()
{
    if (m_dirty)
        save();
}

QList<DeviceEntry> DeviceRegistry::read(QSettings *s)
{
    QList<DeviceEntry> entries;
    const int n = s->beginReadArray(ArrayName);
    entries.reserve(n);
    for (int i = 0; i < n; ++i) {
        s->setArrayIndex(i);
        entries.append({ s->value(KeySerial).toString(), s->value(KeyName).toString(),
                         s->value(KeyVersion).toString(), s->value(KeyAddr).toString() });
    }
    s->endArray();
    return entries;
}

void DeviceRegistry::write(QSettings *s, const QList<DeviceEntry> &entries)
{
    s->beginWriteArray(ArrayName);
    for (int i = 0; i < entries.size(); ++i) {
        const DeviceEntry &e = entries.at(i);
        s->setArrayIndex(i);
        s->setValue(KeySerial, e.serial);
        s->setValue(KeyName, e.name);
        s->setValue(KeyVersion, e.version);
        s->setValue(KeyAddr, e.addr);
    }
    s->endArray();
}

void DeviceRegistry::apply(const Change &change)
{
    change(m_entries);
    m_pending.append(change);
    m_dirty = true;
    emit changed();
}

void DeviceRegistry::addDevice(const QString &serial, const QString &version, const QString &name,
                               const QString &addr)
{
    const QString shownName = name.isEmpty() ? serial : name;
    apply([=](QList<DeviceEntry> &entries) {
        if (DeviceEntry *e = find(entries, serial)) {
            e->version = version;
            e->addr = addr;
            e->name = shownName;
        } else {
            entries.append({ serial, shownName, version, addr });
        }
    });
}

void DeviceRegistry::registerDevice(const QString &serial, const QString &version, const QString &addr)
{
    apply([=](QList<DeviceEntry> &entries) {
        if (DeviceEntry *e = find(entries, serial)) {
            e->version = version;
            e->addr = addr;
        } else {
            entries.append({ serial, serial, version, addr });
        }
    });
}

void DeviceRegistry::listDevice(const QString &serial, const QString &version)
{
    apply([=](QList<DeviceEntry> &entries) {
        if (DeviceEntry *e = find(entries, serial))
            e->version = version;
        else
            entries.append({ serial, serial, version, QString() });
    });
}

void DeviceRegistry::setDeviceVersion(const QString &serial, const QString &version)
{
    if (!find(m_entries, serial))
        return;
    apply([=](QList<DeviceEntry> &entries) {
        if (DeviceEntry *e = find(entries, serial))
            e->version = version;
    });
}

void DeviceRegistry::setDeviceAddress(const QString &serial, const QString &addr)
{
    if (!find(m_entries, serial))
        return;
    apply([=](QList<DeviceEntry> &entries) {
        if (DeviceEntry *e = find(entries, serial))
            e->addr = addr;
    });
}

void DeviceRegistry::setDeviceName(const QString &serial, const QString &name)
{
    if (!find(m_entries, serial))
        return;
    apply([=](QList<DeviceEntry> &entries) {
        if (DeviceEntry *e = find(entries, serial))
            e->name = name.isEmpty() ? serial : name;
    });
}

void DeviceRegistry::removeDevice(const QString &serial)
{
    if (!find(m_entries, serial))
        return;
    apply([=](QList<DeviceEntry> &entries) {
        entries.erase(std::remove_if(entries.begin(), entries.end(),
                                     [&](const DeviceEntry &e) { return e.serial == serial; }),
                      entries.end());
    });
}

bool DeviceRegistry::save()
{
    QList<DeviceEntry> merged;
    bool applied = false;
    const bool ok = SettingsStore::update([&](QSettings *s) {
        merged = read(s);
        for (const Change &change : qAsConst(m_pending))
            change(merged);
        write(s, merged);
        applied = true;
    });
    m_pending.clear();
    m_dirty = false;
    if (ok && applied)
        m_entries = merged;
    return ok;
}
