#pragma once

#include <QByteArray>

// Outcome of a job. Callers show the number to the user, so the values are fixed;
// resultexplanation.h says what each one means.
enum DeviceResult : int {
    ResultOk = 0,
    ErrPageCount = -2,
    ErrSend = -3,
    ErrNoReply = -4,
    ErrBadReply = -5,
    ErrDirectory = -6,
    ErrJobKind = -7,
    ErrCapacity = -8,
    ErrWriteRejected = -9,
    ErrReadMismatch = -10,
    ErrStopped = -13,
    ErrSocket = -14,
    // A write's guard: the register on the writing connection is not the one
    // the data is meant for. Nothing has been written.
    ErrSerialMismatch = -15,
    ErrFamilyMismatch = -16,
    // The job could not be started: the controller was busy, or a write lacked
    // the register it is meant for.
    ErrNotStarted = -17,
};

// One unit of work for DeviceNet. The controller creates it, DeviceNet owns it.
struct DeviceJob
{
    enum Kind : int {
        QueryInfo = 1,
        ReadParams = 2,
        WriteParams = 3,
        ReadGoodsRange = 4,
        ReadGoods = 5,
        WriteGoods = 6,
    };

    int kind = QueryInfo;
    int result = ResultOk;
    QByteArray input;
    QByteArray output;

    // Writes only: the register the data is meant for. Before anything is
    // written, the job compares the serial number bytes it read in its opening
    // steps with expectedSerial (an empty one matches nothing) and the
    // firmware family (Frame::Identity::family()) with expectedFamily.
    QByteArray expectedSerial;
    int expectedFamily = 0;
};
