#include "deviceparams52.h"

#include "params/imagereader.h"
#include "params/imagewriter.h"
#include "params/layout52.h"

namespace {

// Shared by all nine default users; the register only carries it.
constexpr qint32 DefaultKeptValue = 0x00010000;

QVector<UserRecord52> defaultUsers()
{
    const char *const names[DeviceParams52::UserCount] = {
        "Кассир 1",     "Кассир 2", "Кассир 3", "Кассир 4", "Ст. кассир 1",
        "Ст. кассир 2", "Админ. 1", "Админ. 2", "АСЦ",
    };
    const qint8 rights[DeviceParams52::UserCount] = { 1, 1, 1, 1, 2, 2, 3, 3, 4 };
    QVector<UserRecord52> users;
    for (int i = 0; i < DeviceParams52::UserCount; ++i) {
        UserRecord52 u;
        u.name.setText(QString::fromUtf8(names[i]));
        // Twelve digits for most, eleven (a UPC-A code) for one, none for the
        // service engineer.
        if (i < 7)
            u.barcode.setDigits(QStringLiteral("2990000001%1").arg(i + 1, 2, 10, QLatin1Char('0')));
        else if (i == 7)
            u.barcode.setDigits(QStringLiteral("29900000108"));
        else
            u.barcode.setDigits(QString());
        u.number = qint8(i + 1);
        u.keptValue = DefaultKeptValue;
        u.rights = rights[i];
        u.position = 1;
        u.flags = i == 6 ? UserActive : i == 8 ? UserHidden : 0;
        users.append(u);
    }
    return users;
}

} // namespace

DeviceParams52::DeviceParams52(QObject *parent)
    : DeviceParams(parent)
{
    setTradeDefaults(tradeConfig);
    tradeConfig.printDensity = 2;
    ofd.fnPollTimer = 30;
    ofd.connectTimer = 30;
    ofd.inn.setBytes(QByteArray(PackedBcd::Size, '\0'));
    users = defaultUsers();
}

void DeviceParams52::fromImage(const QByteArray &params, const QByteArray &system)
{
    if (params.isEmpty())
        return;
    ImageReader in(params, system);
    Layout52::describe(in, *this);
}

void DeviceParams52::toImage(QByteArray &params, QByteArray &system) const
{
    ImageWriter out(params, system);
    Layout52::describe(out, *this);
}
