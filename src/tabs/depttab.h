#pragma once

#include "tabs/devicewidget.h"

class DeptTableModel;
class QTableView;

// "Отделы": name, VAT rate and taxation system of each of the sixteen
// departments, whatever number of them the configuration puts in use.
class DeptTab : public DeviceWidget
{
    Q_OBJECT

public:
    explicit DeptTab(QWidget *parent = nullptr);

    void saveParams(DeviceParams &params) override;
    void loadParams(const DeviceParams &params) override;
    void validate(DeviceIssueWidget *issues, const DeviceInfo &info) override;

private:
    DeptTableModel *m_model = nullptr;
    QTableView *m_view = nullptr;
};
