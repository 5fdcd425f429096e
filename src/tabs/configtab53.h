#pragma once

#include "tabs/configtab.h"

// "Конфигурация" of family 2.53: the shared groups plus the trade modes and
// payment kinds. Bits of the flag fields that no box shows keep their values.
class ConfigTab53 : public ConfigTab
{
    Q_OBJECT

public:
    explicit ConfigTab53(QWidget *parent = nullptr);

    void saveParams(DeviceParams &params) override;
    void loadParams(const DeviceParams &params) override;
    // The default cashier's position in the list of users, -1 for none.
    void updateDeviceInfo(DeviceInfo &info) override;

private slots:
    // The two rules keep at least one trade mode allowed and the main mode
    // on an allowed one.
    void saleModeChanged(bool value);
    void purchaseModeChanged(bool value);

private:
    QCheckBox *m_sale = nullptr;
    QCheckBox *m_purchase = nullptr;
    QComboBox *m_mainMode = nullptr;

    QCheckBox *m_cash = nullptr;
    QCheckBox *m_electronic = nullptr;
    QCheckBox *m_credit = nullptr;
    QCheckBox *m_prepayment = nullptr;
    QCheckBox *m_other = nullptr;
};
