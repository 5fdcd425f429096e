#pragma once

#include "link/devicejob.h"
#include "link/devicenet.h"
#include "sim/registersimulator.h"

#include <QObject>
#include <QThread>
#include <QtTest>

#include <functional>
#include <memory>

// A simulated register on host and an ephemeral port, without discovery responder.
inline std::unique_ptr<RegisterSimulator> startSim(const QString &host, RegisterSimulator::Config config = {})
{
    config.discoveryPort = 0;
    auto sim = std::make_unique<RegisterSimulator>(config);
    if (!sim->listen(QHostAddress(host)))
        return nullptr;
    return sim;
}

// Runs one DeviceNet job on a worker thread the way the controller does, and
// collects what it reports on the test's thread.
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

inline JobOutcome runJob(const QString &host, quint16 port, int kind, const QByteArray &input = {},
                         const std::function<void(DeviceNet *)> &onStart = {}, int timeoutMs = 10000)
{
    JobOutcome out;
    QObject relay; // a context on this thread, so every signal arrives queued
    auto *job = new DeviceJob;
    job->kind = kind;
    job->input = input;
    auto *net = new DeviceNet;
    auto *thread = new QThread;
    net->setJob(host, port, job);
    net->moveToThread(thread);
    QObject::connect(net, &DeviceNet::connected, &relay, [&out] { ++out.connected; });
    QObject::connect(net, &DeviceNet::frame, &relay, [&out](int n) { out.frames << n; });
    QObject::connect(net, &DeviceNet::pages, &relay, [&out](int n) { out.pages << n; });
    QObject::connect(net, &DeviceNet::disconnected, &relay, [&out, net] {
        ++out.reports;
        out.result = net->job()->result;
        out.output = net->job()->output;
        QMetaObject::invokeMethod(net, &DeviceNet::close, Qt::QueuedConnection);
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
    out.ended = gone.wait(timeoutMs);
    QCoreApplication::processEvents(); // anything still queued from the job
    return out;
}
