#pragma once

#include "link/devicejob.h"
#include "link/devicenet.h"
#include "sim/registersimulator.h"

#include <QObject>
#include <QThread>
#include <QtTest>

#include <functional>
#include <memory>
#include <mutex>

// A simulated register on host and an ephemeral port, without discovery responder.
inline std::unique_ptr<RegisterSimulator> startSim(const QString &host, RegisterSimulator::Config config = {})
{
    config.discoveryPort = 0;
    auto sim = std::make_unique<RegisterSimulator>(config);
    if (!sim->listen(QHostAddress(host)))
        return nullptr;
    return sim;
}

// Runs one DeviceNet job on a worker thread as the controller does, and collects
// what it reports. The outcome is filled on the worker thread itself, under a
// lock, the moment the job reports its end; the DeviceNet then closes itself.
struct JobOutcome
{
    bool ended = false; // reported, closed, and its thread gone
    int reports = 0; // disconnected() count
    int result = 1;
    QByteArray output;
    int connected = 0;
    QList<int> frames;
    QList<int> pages;
};

// A write job meant for the register with this serial number and family.
inline DeviceJob writeJob(int kind, const QByteArray &input, const QString &serial, int family = 0)
{
    DeviceJob job;
    job.kind = kind;
    job.input = input;
    job.expectedSerial = serial.toLatin1();
    job.expectedFamily = family;
    return job;
}

// onPages runs on the job's own thread when it announces its pages (a goods
// read, between its opening steps and its first page request).
inline JobOutcome runJob(const QString &host, quint16 port, const DeviceJob &request,
                         const std::function<void(DeviceNet *)> &onStart = {}, int timeoutMs = 10000,
                         const std::function<void(int)> &onPages = {})
{
    JobOutcome out;
    std::mutex lock;
    auto *job = new DeviceJob(request);
    auto *net = new DeviceNet;
    auto *thread = new QThread;
    net->setJob(host, port, job);
    net->moveToThread(thread);
    const auto record = [&lock](auto change) {
        std::lock_guard<std::mutex> guard(lock);
        change();
    };
    QObject::connect(net, &DeviceNet::connected, net, [&] { record([&] { ++out.connected; }); });
    QObject::connect(net, &DeviceNet::frame, net, [&](int n) { record([&] { out.frames << n; }); });
    QObject::connect(net, &DeviceNet::pages, net, [&](int n) {
        record([&] { out.pages << n; });
        if (onPages)
            onPages(n);
    });
    QObject::connect(net, &DeviceNet::disconnected, net, [&, net] {
        record([&] {
            ++out.reports;
            out.result = net->job()->result;
            out.output = net->job()->output;
        });
        net->close();
    });
    QObject::connect(thread, &QThread::started, net, &DeviceNet::run);
    QObject::connect(net, &DeviceNet::closed, thread, &QThread::quit);
    QObject::connect(net, &DeviceNet::closed, net, &QObject::deleteLater);
    QObject::connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    // A real event loop, not QTest::qWaitFor(), which naps between rounds and
    // would leave a simulator on this thread answering late.
    QSignalSpy gone(thread, &QObject::destroyed);
    thread->start();
    if (onStart)
        onStart(net);
    const bool ended = gone.wait(timeoutMs);
    std::lock_guard<std::mutex> guard(lock);
    out.ended = ended;
    return out;
}

inline JobOutcome runJob(const QString &host, quint16 port, int kind, const QByteArray &input = {},
                         const std::function<void(DeviceNet *)> &onStart = {}, int timeoutMs = 10000,
                         const std::function<void(int)> &onPages = {})
{
    DeviceJob job;
    job.kind = kind;
    job.input = input;
    return runJob(host, port, job, onStart, timeoutMs, onPages);
}
