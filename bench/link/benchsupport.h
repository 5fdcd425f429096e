#pragma once

#include "link/devicecontroller.h"
#include "sim/registersimulator.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QLoggingCategory>
#include <QTimer>

#include <algorithm>
#include <vector>

// One controller job against a simulator on this thread, timed from the
// operation call to finished(); connectMs is the time to connected().
struct JobTiming
{
    int result = 1;
    double totalMs = 0;
    double connectMs = 0;
};

template<typename Start> JobTiming timeJob(DeviceController &controller, Start start)
{
    JobTiming t;
    QEventLoop loop;
    QElapsedTimer clock;
    const auto onConnected = QObject::connect(&controller, &DeviceController::connected, &loop,
                                              [&] { t.connectMs = clock.nsecsElapsed() / 1e6; });
    const auto onFinished = QObject::connect(&controller, &DeviceController::finished, &loop, [&] {
        t.totalMs = clock.nsecsElapsed() / 1e6;
        loop.quit();
    });
    QTimer::singleShot(60000, &loop, &QEventLoop::quit);
    clock.start();
    if (start())
        loop.exec();
    QObject::disconnect(onConnected);
    QObject::disconnect(onFinished);
    t.result = controller.result();
    return t;
}

// The link's debug lines ("connected", "socket error") would drown the figures.
inline void quietLink()
{
    QLoggingCategory::setFilterRules(QStringLiteral("default.debug=false"));
}

inline double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}
