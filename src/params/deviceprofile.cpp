#include "deviceprofile.h"

#include "store/settingsgroup.h"
#include "store/settingsstore.h"

#include <QSettings>

namespace {

const QString GroupName = QStringLiteral("profiles");
const QString KeyVersion = QStringLiteral("version");
const QString KeyGoodsCap = QStringLiteral("goods-cap");
const QString KeyParams = QStringLiteral("params");
const QString KeySystem = QStringLiteral("system");
const QString KeyGoods = QStringLiteral("goods");

// An empty image is stored as no value at all.
void setOrRemove(QSettings *s, const QString &key, const QByteArray &bytes)
{
    if (bytes.isEmpty())
        s->remove(key);
    else
        s->setValue(key, bytes);
}

// A key that names no subgroup ("" or only separators) would address the
// whole "profiles" group: remove would then wipe every register's profile.
bool isUsableKey(const QString &key)
{
    for (const QChar c : key) {
        if (c != QLatin1Char('/') && c != QLatin1Char('\\'))
            return true;
    }
    return false;
}

} // namespace

DeviceProfile::DeviceProfile(QObject *parent)
    : QObject(parent)
{
}

bool DeviceProfile::save(const QString &key, const QString &version, int goodsCapacity,
                         const QByteArray &params, const QByteArray &system)
{
    if (!isUsableKey(key))
        return false;
    SettingsStore store;
    QSettings *s = store.settings();
    const SettingsGroup profiles(s, GroupName);
    const SettingsGroup profile(s, key);
    s->setValue(KeyVersion, version);
    s->setValue(KeyGoodsCap, goodsCapacity);
    setOrRemove(s, KeyParams, params);
    setOrRemove(s, KeySystem, system);
    return store.sync();
}

void DeviceProfile::load(const QString &key, QString &version, int &goodsCapacity, QByteArray &params,
                         QByteArray &system) const
{
    if (!isUsableKey(key)) {
        version.clear();
        goodsCapacity = 0;
        params.clear();
        system.clear();
        return;
    }
    SettingsStore store;
    QSettings *s = store.settings();
    const SettingsGroup profiles(s, GroupName);
    const SettingsGroup profile(s, key);
    version = s->value(KeyVersion).toString();
    goodsCapacity = s->value(KeyGoodsCap).toInt();
    params = s->value(KeyParams).toByteArray();
    system = s->value(KeySystem).toByteArray();
}

bool DeviceProfile::saveGoods(const QString &key, const QByteArray &goods)
{
    if (!isUsableKey(key))
        return false;
    SettingsStore store;
    QSettings *s = store.settings();
    const SettingsGroup profiles(s, GroupName);
    const SettingsGroup profile(s, key);
    setOrRemove(s, KeyGoods, goods);
    return store.sync();
}

void DeviceProfile::loadGoods(const QString &key, QByteArray &goods) const
{
    if (!isUsableKey(key)) {
        goods.clear();
        return;
    }
    SettingsStore store;
    QSettings *s = store.settings();
    const SettingsGroup profiles(s, GroupName);
    const SettingsGroup profile(s, key);
    goods = s->value(KeyGoods).toByteArray();
}

bool DeviceProfile::remove(const QString &key)
{
    if (!isUsableKey(key))
        return false;
    SettingsStore store;
    QSettings *s = store.settings();
    const SettingsGroup profiles(s, GroupName);
    s->remove(key);
    return store.sync();
}

QStringList DeviceProfile::keys() const
{
    SettingsStore store;
    QSettings *s = store.settings();
    const SettingsGroup profiles(s, GroupName);
    return s->childGroups();
}
