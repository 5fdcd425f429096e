#pragma once

#include "tabs/orgtab.h"

// "Реквизиты организации", family 2.52: taxpayer number, name and address.
// No rules.
class OrgTab52 : public OrgTab
{
    Q_OBJECT

public:
    explicit OrgTab52(QWidget *parent = nullptr);

    void saveParams(DeviceParams &params) override;
    void loadParams(const DeviceParams &params) override;
    void validate(DeviceIssueWidget *issues, const DeviceInfo &info) override;
};
