#pragma once

#include "fleet/fleetapply.h"
#include "window/fleetrundialog.h"

#include <QMap>

#include <memory>

class DeviceParams;
class QCheckBox;

// "Применить к другим ККТ": the groups of the source parameter set (one
// tab's data each) written to target registers of its family, in the
// pattern of FleetRunDialog; differences by field name.
class FleetApplyDialog : public FleetRunDialog
{
    Q_OBJECT

public:
    // source: the set whose groups are copied (the device window's tabs, on a
    // copy); sourceSerial: its register, never a target. devices: the device
    // list; those of another family, without an address, or the source itself
    // are listed but cannot be picked.
    FleetApplyDialog(std::unique_ptr<DeviceParams> source, const QString &sourceSerial,
                     const QList<DeviceEntry> &devices, QWidget *parent = nullptr);
    ~FleetApplyDialog() override;

    // Null before "Далее".
    const FleetApply *fleet() const { return static_cast<const FleetApply *>(run()); }

protected:
    QString unavailableReason(const DeviceEntry &entry) const override;
    bool choiceMade() const override;
    std::unique_ptr<FleetRun> makeRun() override;
    QString differencesTitle() const override;

private:
    QWidget *makeGroupsBox();

    std::unique_ptr<DeviceParams> m_source;
    int m_family = 0;
    QMap<DeviceTab, QCheckBox *> m_groupBoxes;
};
