#pragma once

#include "fleet/fleetrun.h"
#include "tabs/devicetab.h"

#include <QList>

#include <memory>

class DeviceParams;

// Applies chosen groups of one parameter set (the source) to other registers
// of its family, in the pattern of FleetRun. For each register:
//
//   prepare   1. reachability; 2.-3. read the register's parameters on a job
//             that confirms its serial number and family (the write guard's
//             rule); 4. merge the chosen groups into what was read (in
//             memory); 5. the differences by field name. Nothing is written.
//   commit    after a person's confirmation, re-read and check that the
//             register still holds what was compared; take the snapshot of
//             it (SnapshotOrigin::Fleet); write, where the job's own guard
//             confirms serial and family on the writing connection; read
//             back and compare with what was written.
//
// The merge copies the chosen groups with DeviceParams::copyGroup (never
// identity or kept fields) and writes only the bytes whose value changes:
// every other byte of the image stays exactly as the register holds it, and
// the system image is left alone.
//
// Read-back "equal": the write fills each region to its end (the images
// written are the register's whole regions, as read), so the parameter image
// read back must equal the written one byte for byte, and the system image
// must be the one read before. Anything else fails with the differing fields.
//
// Only a register that is about to be written gets a snapshot: a dry run, a
// register without changes and one not confirmed write nothing, and a
// snapshot would only push an older one, taken before a real write, out of
// the kept ones.
class FleetApply : public FleetRun
{
    Q_OBJECT

public:
    // source: the parameter set whose groups are copied; its family is the
    // only one written to.
    FleetApply(std::unique_ptr<DeviceParams> source, const QList<DeviceTab> &groups,
               QObject *parent = nullptr);
    ~FleetApply() override;

    int family() const { return m_family; }
    QList<DeviceTab> groups() const { return m_groups; }

    QString stepText(Step step) const override;

protected:
    std::unique_ptr<Job> makeJob(int index) override;

private:
    class ParamsJob;

    std::unique_ptr<DeviceParams> m_source;
    QList<DeviceTab> m_groups;
    int m_family = 0;
};
