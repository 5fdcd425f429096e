#include "deviceprofile.h"

#include "params/paramsdiff.h"
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

// The store's group separators: a key holding one would name another
// register's group ("/0530000021" is "0530000021") or a group of groups.
bool hasSeparator(const QString &key)
{
    return key.contains(QLatin1Char('/')) || key.contains(QLatin1Char('\\'));
}

// What a profile may be read or removed under: any key an earlier version
// may have stored, but none that names another group.
bool isReadableKey(const QString &key)
{
    return !key.isEmpty() && !hasSeparator(key);
}

} // namespace

DeviceProfile::DeviceProfile(QObject *parent)
    : QObject(parent)
{
}

bool DeviceProfile::isStorableKey(const QString &key)
{
    if (!isReadableKey(key))
        return false;
    for (const QChar c : key) {
        const char16_t u = c.unicode();
        if (u < 0x20 || (u >= 0x7F && u < 0xA0))
            return false;
    }
    return true;
}

QString DeviceProfile::keyRefusal(const QString &key)
{
    if (key.isEmpty())
        return tr("Заводской номер ККТ не задан");
    return tr("Заводской номер ККТ «%1» нельзя сохранить в настройках программы: в нём есть «/», «\\» или "
              "управляющий символ, а заводской номер ККТ состоит из цифр и букв")
        .arg(displayText(key));
}

bool DeviceProfile::save(const QString &key, const QString &version, int goodsCapacity,
                         const QByteArray &params, const QByteArray &system)
{
    if (!isStorableKey(key))
        return false;
    return SettingsStore::update([&](QSettings *s) {
        const SettingsGroup profiles(s, GroupName);
        const SettingsGroup profile(s, key);
        s->setValue(KeyVersion, version);
        s->setValue(KeyGoodsCap, goodsCapacity);
        setOrRemove(s, KeyParams, params);
        setOrRemove(s, KeySystem, system);
    });
}

void DeviceProfile::load(const QString &key, QString &version, int &goodsCapacity, QByteArray &params,
                         QByteArray &system) const
{
    if (!isReadableKey(key)) {
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
    if (!isStorableKey(key))
        return false;
    return SettingsStore::update([&](QSettings *s) {
        const SettingsGroup profiles(s, GroupName);
        const SettingsGroup profile(s, key);
        setOrRemove(s, KeyGoods, goods);
    });
}

void DeviceProfile::loadGoods(const QString &key, QByteArray &goods) const
{
    if (!isReadableKey(key)) {
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
    if (!isReadableKey(key))
        return false;
    return SettingsStore::update([&](QSettings *s) {
        const SettingsGroup profiles(s, GroupName);
        s->remove(key);
    });
}

QStringList DeviceProfile::keys() const
{
    SettingsStore store;
    QSettings *s = store.settings();
    const SettingsGroup profiles(s, GroupName);
    QStringList keys;
    // A group that holds only groups is no profile: what a serial number
    // with "/" made of the store before such keys were refused.
    for (const QString &key : s->childGroups()) {
        const SettingsGroup profile(s, key);
        if (!s->childKeys().isEmpty())
            keys.append(key);
    }
    return keys;
}
