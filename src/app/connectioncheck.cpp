#include "connectioncheck.h"

#include "link/reachability.h"

#include <QMetaObject>
#include <QRunnable>

ConnectionCheck::ConnectionCheck(QObject *parent)
    : QObject(parent)
{
    m_pool.setMaxThreadCount(m_parallel);
}

ConnectionCheck::~ConnectionCheck()
{
    m_pool.clear();
    m_pool.waitForDone();
}

bool ConnectionCheck::start(const QList<Target> &targets)
{
    if (isRunning() || targets.isEmpty())
        return false;
    // One function for the whole check, called from several pool threads.
    const Reachability::PingFunction ping = Reachability::pingFunction();
    m_pool.setMaxThreadCount(m_parallel);
    m_pending = targets.size();
    for (const Target &t : targets) {
        m_pool.start(QRunnable::create([this, ping, t] {
            const bool answered = ping(t.addr, TimeoutMs) == 0;
            // The destructor waits for this runnable, so this is still alive here.
            QMetaObject::invokeMethod(
                this, [this, t, answered] { onProbed(t.serial, t.addr, answered); }, Qt::QueuedConnection);
        }));
    }
    return true;
}

void ConnectionCheck::onProbed(const QString &serial, const QString &addr, bool answered)
{
    --m_pending;
    emit checked(serial, addr, answered);
    if (m_pending == 0)
        emit finished();
}
