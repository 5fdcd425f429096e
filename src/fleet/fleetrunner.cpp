#include "fleetrunner.h"

#include "fleet/fleetjob.h"
#include "link/devicecontroller.h"

#include <QMetaObject>
#include <QRunnable>
#include <QTimer>

FleetRunner::FleetRunner(QObject *parent)
    : QObject(parent)
{
    m_probes.setMaxThreadCount(m_jobs);
}

FleetRunner::~FleetRunner()
{
    // A probe's answer is posted to its job: no job may go before it has.
    m_probes.clear();
    m_probes.waitForDone();
    // Jobs first: a job refers to its controller.
    for (auto &entry : m_active)
        entry.second.job.reset();
    m_active.clear();
}

QString FleetRunner::originText(const QString &owner, const QString &address, const QString &serial)
{
    const QString which = serial.isEmpty() ? address : tr("ККТ %1").arg(serial);
    return owner.isEmpty() ? which : tr("%1: %2").arg(owner, which);
}

void FleetRunner::setJobs(int jobs)
{
    m_jobs = qBound(1, jobs, MaxJobs);
    m_probes.setMaxThreadCount(m_jobs);
}

bool FleetRunner::start(const QVector<int> &indices, Factory make)
{
    if (m_running)
        return false;
    m_make = std::move(make);
    m_queue = indices;
    m_next = 0;
    m_stopped = false;
    m_running = true;
    // Like every later step, the first starts from the event loop.
    QTimer::singleShot(0, this, &FleetRunner::fill);
    return true;
}

void FleetRunner::stop()
{
    if (!m_running || m_stopped)
        return;
    m_stopped = true;
    for (auto &entry : m_active) {
        entry.second.job->m_stopRequested = true;
        entry.second.job->onStop();
    }
    if (m_active.empty())
        QTimer::singleShot(0, this, &FleetRunner::fill);
}

void FleetRunner::fill()
{
    if (!m_running)
        return;
    while (!m_stopped && m_next < m_queue.size() && int(m_active.size()) < m_jobs) {
        const int index = m_queue.at(m_next++);
        Active active;
        active.controller = std::make_unique<DeviceController>();
        if (m_origin)
            active.controller->setOrigin([origin = m_origin, index] { return origin(index); });
        active.job = m_make(index);
        FleetJob *job = active.job.get();
        job->m_runner = this;
        job->m_controller = active.controller.get();
        connect(active.controller.get(), &DeviceController::finished, job, &FleetJob::onJobFinished);
        // Queued: the job is deleted only once it has returned from finish().
        connect(job, &FleetJob::done, this, &FleetRunner::onDone, Qt::QueuedConnection);
        m_active.emplace(index, std::move(active));
        emit jobStarted(index);
        job->start();
    }
    if (m_active.empty() && (m_stopped || m_next >= m_queue.size())) {
        m_running = false;
        m_make = nullptr;
        emit finished();
    }
}

void FleetRunner::onDone(int index)
{
    const auto it = m_active.find(index);
    if (it == m_active.end())
        return;
    it->second.job.reset();
    m_active.erase(it);
    emit jobDone(index);
    fill();
}

void FleetRunner::probe(FleetJob *job, const QString &address, std::function<void(int)> then)
{
    // One function for the whole run, called from several pool threads.
    const Reachability::PingFunction ping = m_ping ? m_ping : Reachability::pingFunction();
    m_probes.start(QRunnable::create([job, ping, address, then = std::move(then)] {
        const int code = ping(address, PingTimeoutMs);
        // The runner's destructor waits for this runnable before it deletes
        // the job; a job still waiting for its probe is never done.
        QMetaObject::invokeMethod(
            job, [then, code] { then(code); }, Qt::QueuedConnection);
    }));
}
