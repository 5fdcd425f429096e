#pragma once

#include "params/deviceparams.h"

// Parameter set of firmware family 2.53: the parameter image only.
class DeviceParams53 : public DeviceParams
{
    Q_OBJECT

public:
    static constexpr int UserCount = 16;

    explicit DeviceParams53(QObject *parent = nullptr);

    void fromImage(const QByteArray &params, const QByteArray &system) override;
    void toImage(QByteArray &params, QByteArray &system) const override;
    int deptPage() const override { return 6; }
    int designPage() const override { return 19; }

    TradeConfig53 tradeConfig;
    Organisation53 organisation;
    OfdSettings53 ofd;
    QVector<UserRecord53> users; // exactly UserCount
    RegistrationIds53 registrationIds;
};
