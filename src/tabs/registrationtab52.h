#pragma once

#include "tabs/devicewidget.h"

class QTableView;
class RegistrationTableModel52;

// "Регистрационные данные", family 2.52: the register's history of fiscal
// registrations, one row each. No rules.
class RegistrationTab52 : public DeviceWidget
{
    Q_OBJECT

public:
    explicit RegistrationTab52(QWidget *parent = nullptr);

    void saveParams(DeviceParams &params) override;
    void loadParams(const DeviceParams &params) override;
    void validate(DeviceIssueWidget *issues, const DeviceInfo &info) override;

    QTableView *view() const { return m_view; }
    RegistrationTableModel52 *model() const { return m_model; }

private:
    RegistrationTableModel52 *m_model = nullptr;
    QTableView *m_view = nullptr;
};
