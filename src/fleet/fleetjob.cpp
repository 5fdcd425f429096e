#include "fleetjob.h"

#include "fleet/fleetrunner.h"
#include "link/devicecontroller.h"
#include "link/devicejob.h"

#include <QTimer>

FleetJob::FleetJob(int index, QObject *parent)
    : QObject(parent)
    , m_index(index)
{
}

FleetJob::~FleetJob() = default;

void FleetJob::runJob(const std::function<bool()> &start, Then then)
{
    m_then = std::move(then);
    if (!start()) {
        // Nothing runs: the answer comes from the event loop like a job's end.
        Then notStarted = std::move(m_then);
        m_then = nullptr;
        QTimer::singleShot(0, this, [notStarted] { notStarted(ErrNotStarted); });
    }
}

void FleetJob::onJobFinished()
{
    if (!m_then)
        return;
    Then then = std::move(m_then);
    m_then = nullptr;
    const int result = m_controller->result();
    // The next step starts from the event loop, not from inside finished().
    QTimer::singleShot(0, this, [then = std::move(then), result] { then(result); });
}

void FleetJob::probe(const QString &address, Then then)
{
    m_runner->probe(address, std::move(then));
}

void FleetJob::finish()
{
    if (m_finished)
        return;
    m_finished = true;
    emit done(m_index);
}
