#pragma once

#include "tabs/ofdtab.h"

// "Настройки ОФД", family 2.52: the port is typed as text, the operator's
// taxpayer number is kept as packed digits. No rules.
class OfdTab52 : public OfdTab
{
    Q_OBJECT

public:
    explicit OfdTab52(QWidget *parent = nullptr);

    void saveParams(DeviceParams &params) override;
    void loadParams(const DeviceParams &params) override;
    void validate(DeviceIssueWidget *issues, const DeviceInfo &info) override;

private:
    QLineEdit *m_port = nullptr;
};
