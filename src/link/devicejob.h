#pragma once

#include <QByteArray>

// Outcome of a job. Callers show the number to the user, so the values are fixed.
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
};
