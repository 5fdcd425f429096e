#include "devicejobloop.h"

#include "link/devicecontroller.h"
#include "link/devicejob.h"

#include <QEventLoop>

int runDeviceJob(DeviceController &controller, const std::function<bool()> &start)
{
    QEventLoop loop;
    // Connected before the start: finished() may come before exec() would.
    QObject::connect(&controller, &DeviceController::finished, &loop, &QEventLoop::quit);
    bool ended = false;
    QObject::connect(&controller, &DeviceController::finished, &loop, [&ended] { ended = true; });
    if (!start())
        return ErrNotStarted;
    if (!ended)
        loop.exec();
    return controller.result();
}
