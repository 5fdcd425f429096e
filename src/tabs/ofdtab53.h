#pragma once

#include "tabs/ofdtab.h"

// "Настройки ОФД", family 2.53. Tells the organisation tab whether receipts
// go to an operator (a valid operator taxpayer number, not all zeros).
class OfdTab53 : public OfdTab
{
    Q_OBJECT

public:
    explicit OfdTab53(QWidget *parent = nullptr);

    void saveParams(DeviceParams &params) override;
    void loadParams(const DeviceParams &params) override;
    // Every connection and operator detail must be given; twelve zeros as
    // the operator's taxpayer number stand for "no operator".
    void validate(DeviceIssueWidget *issues, const DeviceInfo &info) override;
    void updateDeviceInfo(DeviceInfo &info) override;

private:
    QSpinBox *m_port = nullptr;
};
