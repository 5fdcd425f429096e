#pragma once

#include "tabs/usertab.h"

// "Пользователи", family 2.52: name, rights, barcode, position and active
// flag of the nine user records. The barcode shows the 12 stored digits
// with their check digit. No rules.
class UserTab52 : public UserTab
{
    Q_OBJECT

public:
    explicit UserTab52(QWidget *parent = nullptr);

    void saveParams(DeviceParams &params) override;
    void loadParams(const DeviceParams &params) override;
    void validate(DeviceIssueWidget *issues, const DeviceInfo &info) override;

protected:
    void installDelegates() override;
};
