#pragma once

#include "tabs/usertab.h"

// "Пользователи", family 2.53: name, rights, barcode, taxpayer number, full
// name, password, position and active flag of the sixteen user records.
class UserTab53 : public UserTab
{
    Q_OBJECT

public:
    explicit UserTab53(QWidget *parent = nullptr);

    void saveParams(DeviceParams &params) override;
    void loadParams(const DeviceParams &params) override;
    // The default cashier must be active; taxpayer numbers and barcodes,
    // where given, must be valid.
    void validate(DeviceIssueWidget *issues, const DeviceInfo &info) override;

protected:
    void installDelegates() override;
};
