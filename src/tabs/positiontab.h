#pragma once

#include "tabs/devicewidget.h"

#include <QStringList>

class PositionListModel;
class QListView;

// "Должности": the eight job position names, renamed in place.
class PositionTab : public DeviceWidget
{
    Q_OBJECT

public:
    explicit PositionTab(QWidget *parent = nullptr);

    void saveParams(DeviceParams &params) override;
    void loadParams(const DeviceParams &params) override;
    void validate(DeviceIssueWidget *issues, const DeviceInfo &info) override;

    QStringList names() const;

signals:
    // The names as the list shows them now, after an edit or a load.
    void namesChanged(const QStringList &names);

private:
    PositionListModel *m_model = nullptr;
    QListView *m_view = nullptr;
};
