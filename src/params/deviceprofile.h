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

    // The write operations answer false when the store could not be written,
    // or when the key is empty: nothing is then read or written.
    bool save(const QString &key, const QString &version, int goodsCapacity, const QByteArray &params,
              const QByteArray &system);
    void load(const QString &key, QString &version, int &goodsCapacity, QByteArray &params,
              QByteArray &system) const;
    bool saveGoods(const QString &key, const QByteArray &goods);
    void loadGoods(const QString &key, QByteArray &goods) const;
    bool remove(const QString &key);

    // The keys (serial numbers) of every stored profile, in store order.
    QStringList keys() const;
};
