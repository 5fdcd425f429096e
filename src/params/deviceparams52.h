#pragma once

#include "params/deviceparams.h"

// Parameter set of firmware family 2.52: the parameter image and, in the
// system image, the register's fiscal registration history.
class DeviceParams52 : public DeviceParams
{
    Q_OBJECT

public:
    static constexpr int UserCount = 9;
    static constexpr int RegistrationSlots = 16;

    explicit DeviceParams52(QObject *parent = nullptr);

    void fromImage(const QByteArray &params, const QByteArray &system) override;
    void toImage(QByteArray &params, QByteArray &system) const override;
    int deptPage() const override { return 4; }
    int designPage() const override { return 7; }

    TradeConfig52 tradeConfig;
    Organisation52 organisation;
    QVector<UserRecord52> users; // exactly UserCount
    OfdSettings52 ofd;
    QVector<RegistrationRecord52> registrations; // 0 to RegistrationSlots
};
