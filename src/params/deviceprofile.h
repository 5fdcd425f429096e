#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>

// Saved copy of one register's data in the settings store: group "profiles",
// one subgroup per serial number. Made on the stack for one operation.
class DeviceProfile : public QObject
{
    Q_OBJECT

public:
    explicit DeviceProfile(QObject *parent = nullptr);

    // A serial number a profile can be stored under as it is: not empty, and
    // with neither "/" nor "\" (the store's group separators: "/0530000021"
    // would replace the profile of 0530000021) nor a control character. A
    // register's serial number is digits and letters; others are refused,
    // never changed into a key that another register might have.
    static bool isStorableKey(const QString &key);
    // Why a key is refused, for the user.
    static QString keyRefusal(const QString &key);

    // The write operations answer false when the store could not be written,
    // or when isStorableKey() refuses the key: nothing is then written. Loads
    // and remove() take any key an earlier version stored, but none with a
    // separator: those read as empty, and remove() does nothing.
    bool save(const QString &key, const QString &version, int goodsCapacity, const QByteArray &params,
              const QByteArray &system);
    void load(const QString &key, QString &version, int &goodsCapacity, QByteArray &params,
              QByteArray &system) const;
    bool saveGoods(const QString &key, const QByteArray &goods);
    void loadGoods(const QString &key, QByteArray &goods) const;
    bool remove(const QString &key);

    // The keys (serial numbers) of every stored profile, in store order.
    // Every change to profiles is one SettingsStore::update().
    QStringList keys() const;
};
