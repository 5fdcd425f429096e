#include "fleetrunner.h"

#include "fleet/fleetjob.h"
#include "link/devicecontroller.h"

#include <QTimer>

FleetRunner::FleetRunner(QObject *parent)
    : QObject(parent)
{
    connect(this, &FleetRunner::probed, this, &FleetRunner::onProbed, Qt::QueuedConnection);
}

FleetRunner::~FleetRunner()
{
    // Their answers go nowhere now (the queued signals die with this object).
    for (auto &entry : m_probes)
        entry.second.thread.join();
    m_probes.clear();
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

void FleetRunner::probe(const QString &address, std::function<void(int)> then)
{
    const int token = ++m_lastProbe;
    const Reachability::PingFunction ping = m_ping ? m_ping : Reachability::pingFunction();
    Probe &probe = m_probes[token];
    probe.then = std::move(then);
    // Everything the thread reads is copied before it starts.
    probe.thread = std::thread([this, token, ping, address] {
        const int code = ping(address, PingTimeoutMs);
        {
            std::lock_guard<std::mutex> guard(m_answerLock);
            m_answers[token] = code;
        }
        emit probed(token, QPrivateSignal());
    });
}

void FleetRunner::onProbed(int token)
{
    const auto it = m_probes.find(token);
    if (it == m_probes.end())
        return;
    int code = 0;
    {
        std::lock_guard<std::mutex> guard(m_answerLock);
        code = m_answers.at(token);
        m_answers.erase(token);
    }
    it->second.thread.join();
    const std::function<void(int)> then = std::move(it->second.then);
    m_probes.erase(it);
    // The job waits for this answer, so it is still there.
    then(code);
}
