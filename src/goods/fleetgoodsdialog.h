#pragma once

#include "fleet/fleetgoodsapply.h"
#include "goods/goods.h"
#include "window/fleetrundialog.h"

// "Записать в другие ККТ" from the goods window: the table's catalogue
// written to other registers, in the pattern of FleetRunDialog; differences
// by row (matched by internal code).
class FleetGoodsDialog : public FleetRunDialog
{
    Q_OBJECT

public:
    // rows: the catalogue, every row one the goods record holds as it is;
    // sourceSerial: the goods window's register, never a target.
    FleetGoodsDialog(const GoodsList &rows, const QString &sourceSerial, const QList<DeviceEntry> &devices,
                     QWidget *parent = nullptr);
    ~FleetGoodsDialog() override;

    // Null before "Далее".
    const FleetGoodsApply *fleet() const { return static_cast<const FleetGoodsApply *>(run()); }

protected:
    std::unique_ptr<FleetRun> makeRun() override;
    QString differencesTitle() const override;

private:
    GoodsList m_rows;
};
