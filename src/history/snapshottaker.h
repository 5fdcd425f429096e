#pragma once

#include "history/snapshotstore.h"

#include <QString>

#include <functional>

class DeviceController;

// What became of a snapshot before a write. Only Stored lets the write go on.
struct SnapshotResult
{
    enum Status {
        Stored,
        ReadFailed, // code: the read job's result (ErrStopped when the user cancelled it)
        SerialMismatch, // the register read reports another serial number; code ErrSerialMismatch
        FamilyMismatch, // its firmware is of another family; code ErrFamilyMismatch
        NotStored, // read, but not kept: error names the file and the reason
    };

    Status status = Stored;
    SnapshotKind kind = SnapshotKind::Params;
    int code = 0;
    SnapshotInfo snapshot; // Stored: the new snapshot
    QString reportedSerial; // what the register read said about itself
    QString reportedVersion;
    QString expectedSerial;
    int expectedFamily = 0;
    QString error;

    bool ok() const { return status == Stored; }
    // Another register answered: the windows and korvant-cli refuse as their
    // write guard does, with code.
    bool mismatch() const { return status == SerialMismatch || status == FamilyMismatch; }
    // The user's message (Russian), ending with the fact that nothing was
    // written, and what the code means (empty without a code).
    QString text() const;
    QString explanation() const;
};

// Takes the snapshot a write needs: reads the register's current data of the
// write's kind with its own job, checks that the register that answered is
// the one the write is meant for (the serial number exactly, and for
// parameters the firmware family as the write guard decides it), and stores
// what it read. The write then runs its own guard on its own connection, so
// the snapshot and the write both confirm the same register.
//
// The read job runs on the caller's controller, the way the caller runs jobs:
//
//     // a window
//     DeviceJobRunner runner(this, m_controller);
//     SnapshotTaker taker(m_controller, SnapshotOrigin::DeviceWindow);
//     const SnapshotResult s = taker.params([&] { return runner.readParams(host, port); }, serial, family);
//
//     // a program without a window
//     SnapshotTaker taker(controller, SnapshotOrigin::Fleet);
//     const SnapshotResult s = taker.params(
//         [&] { return runDeviceJob(controller, [&] { return controller.readParams(host, port); }); },
//         serial, family);
//
// A caller that has read the data itself (to merge into it) hands over the
// read's result with storeParams() instead; the controller must still hold
// that read's results.
class SnapshotTaker
{
public:
    // Runs the read job on the taker's controller to its end; returns its code.
    using ReadJob = std::function<int()>;

    SnapshotTaker(DeviceController &controller, SnapshotOrigin origin, SnapshotStore store = SnapshotStore());

    SnapshotResult params(const ReadJob &read, const QString &serial, int family);
    SnapshotResult goods(const ReadJob &read, const QString &serial);

    SnapshotResult storeParams(int readResult, const QString &serial, int family);
    SnapshotResult storeGoods(int readResult, const QString &serial);

    // The checks of a read alone, storing nothing: ok() when the read
    // succeeded and the register that answered is the one meant. A caller
    // may then look at what was read, and ask the user, before store*()
    // keeps it; a write that does not go ahead leaves no snapshot behind.
    SnapshotResult checkRead(SnapshotKind kind, int readResult, const QString &serial, int family = 0) const
    {
        return checked(kind, readResult, serial, family);
    }

private:
    // Result and serial number checks both kinds share; Stored when they pass.
    SnapshotResult checked(SnapshotKind kind, int readResult, const QString &serial, int family) const;

    DeviceController &m_controller;
    SnapshotOrigin m_origin;
    SnapshotStore m_store;
};
