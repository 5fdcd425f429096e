#pragma once

#include "tabs/orgtab.h"

// "Реквизиты организации", family 2.53: taxpayer number, name, address,
// place of settlement and e-mail address. Gives the taxpayer number to the
// registration number check.
class OrgTab53 : public OrgTab
{
    Q_OBJECT

public:
    explicit OrgTab53(QWidget *parent = nullptr);

    void saveParams(DeviceParams &params) override;
    void loadParams(const DeviceParams &params) override;
    // Every detail must be given (the e-mail address only where receipts go
    // to an operator), and the taxpayer number must be valid.
    void validate(DeviceIssueWidget *issues, const DeviceInfo &info) override;
    void updateDeviceInfo(DeviceInfo &info) override;

private:
    QLineEdit *m_place = nullptr;
    QLineEdit *m_email = nullptr;
};
