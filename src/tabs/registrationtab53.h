#pragma once

#include "tabs/devicewidget.h"

class QLineEdit;

// "Регистрационные данные", family 2.53: the register's serial number, its
// registration number and the number of its fiscal storage.
class RegistrationTab53 : public DeviceWidget
{
    Q_OBJECT

public:
    explicit RegistrationTab53(QWidget *parent = nullptr);

    void saveParams(DeviceParams &params) override;
    void loadParams(const DeviceParams &params) override;
    // The serial number must be given, both numbers or neither, and the
    // registration number must match the serial and the organisation's
    // taxpayer number.
    void validate(DeviceIssueWidget *issues, const DeviceInfo &info) override;

private:
    QLineEdit *m_serial = nullptr;
    QLineEdit *m_regNumber = nullptr;
    QLineEdit *m_fnNumber = nullptr;
};
