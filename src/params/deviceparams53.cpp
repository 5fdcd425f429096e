#include "deviceparams53.h"

#include "params/imagereader.h"
#include "params/imagewriter.h"
#include "params/layout53.h"

namespace {

QVector<UserRecord53> defaultUsers()
{
    QVector<UserRecord53> users;
    for (int i = 0; i < DeviceParams53::UserCount; ++i) {
        UserRecord53 u;
        QString name;
        if (i < 10)
            name = QStringLiteral("Кассир %1").arg(i + 1);
        else if (i < 14)
            name = QStringLiteral("Ст. кассир %1").arg(i - 9);
        else
            name = QStringLiteral("Админ. %1").arg(i - 13);
        u.name.setText(name);
        u.fullName.setText(name);
        // Distinct EAN-13 codes of the in-store range; the check digit is the
        // one a stored 12-digit code reads back with.
        const QString digits = QStringLiteral("2990000000%1").arg(i + 1, 2, 10, QLatin1Char('0'));
        u.barcode.setValue(PackedBcd::decodeBarcode(PackedBcd::encode(digits)).toLatin1());
        u.password.setText(QStringLiteral("473"));
        u.rights = i < 10 ? 1 : i < 14 ? 2 : 3;
        u.position = 1;
        u.flags = i == 6 ? UserActive : i == 8 ? UserHidden : 0;
        users.append(u);
    }
    return users;
}

} // namespace

DeviceParams53::DeviceParams53(QObject *parent)
    : DeviceParams(parent)
{
    setTradeDefaults(tradeConfig);
    tradeConfig.printDensity = 1;
    tradeConfig.paymentKinds = 1;
    tradeConfig.tradeModes = 0x11;
    ofd.fnPollTimer = 30;
    ofd.connectTimer = 30;
    users = defaultUsers();
}

void DeviceParams53::fromImage(const QByteArray &params, const QByteArray &system)
{
    if (params.isEmpty())
        return;
    ImageReader in(params, system);
    Layout53::describe(in, *this);
}

void DeviceParams53::toImage(QByteArray &params, QByteArray &system) const
{
    ImageWriter out(params, system);
    Layout53::describe(out, *this);
}
