#pragma once

#include "fleet/fleetrun.h"
#include "goods/goods.h"

#include <QByteArray>

// Writes one goods catalogue to many registers, in the pattern of FleetRun.
// Every supported family keeps goods in the same record, so any register the
// utility configures can take it. For each register:
//
//   prepare   1. reachability; 2. read its parameters on a job that confirms
//             the serial number (the target's, else the one it reports then)
//             and a supported firmware family, as the write guard will;
//             3. read its catalogue and confirm the serial once more; 4. check
//             the catalogue against the register's own goods capacity and its
//             configured department count: one that does not fit is refused
//             with the reason; 5. the differences by row (compareGoods).
//             Nothing is written. A register whose catalogue already equals
//             the one to write, byte for byte, is Unchanged.
//   commit    after a person's confirmation, re-read the catalogue and check
//             that it is still the one compared; take the snapshot of it
//             (SnapshotOrigin::Fleet); write with the serial and family the
//             read found; read back and compare with the written records
//             byte for byte.
class FleetGoodsApply : public FleetRun
{
    Q_OBJECT

public:
    // rows: the catalogue, which must fit the goods record
    // (firstUnholdableGoodsRow(rows) finds no row).
    explicit FleetGoodsApply(const GoodsList &rows, QObject *parent = nullptr);
    ~FleetGoodsApply() override;

    const GoodsList &rows() const { return m_rows; }

    QString stepText(Step step) const override;

    // The records a register holds after a write of image (with its header)
    // at the start of what a goods read returns (records from 1 on).
    static bool holdsImage(const QByteArray &read, const QByteArray &image);

protected:
    std::unique_ptr<Job> makeJob(int index) override;

private:
    class GoodsJob;

    GoodsList m_rows;
    QByteArray m_image; // with the header record, as written
};
