#include "splitter/engine/HandOver.h"

#include <utility>

namespace portelan {

void CHandOver::RunAndWait(const std::function<void()>& task, const std::function<void()>& wake)
{
    std::unique_lock lock(m_mutex);
    if (m_bClosed)
        return;
    m_pTask = &task;
    m_bTaken = false;
    m_bDone = false;
    m_changed.notify_all();
    if (wake) {
        lock.unlock();
        wake();
        lock.lock();
    }
    // A task already begun is waited for even once closed: it still runs.
    m_changed.wait(lock, [&] { return m_bDone || (m_bClosed && !m_bTaken); });
    m_pTask = nullptr;
}

bool CHandOver::RunPending()
{
    std::unique_lock lock(m_mutex);
    if (!m_pTask || m_bTaken || m_bClosed)
        return false;
    m_bTaken = true;
    const std::function<void()>* task = m_pTask;
    lock.unlock();
    (*task)();
    lock.lock();
    m_bDone = true;
    m_changed.notify_all();
    return true;
}

bool CHandOver::WaitAndRun(std::chrono::milliseconds timeout)
{
    {
        std::unique_lock lock(m_mutex);
        if (!m_changed.wait_for(lock, timeout, [&] { return (m_pTask && !m_bTaken) || m_bClosed; }))
            return false;
    }
    return RunPending();
}

void CHandOver::Close()
{
    {
        std::lock_guard lock(m_mutex);
        m_bClosed = true;
    }
    m_changed.notify_all();
}

bool CHandOver::IsClosed() const
{
    std::lock_guard lock(m_mutex);
    return m_bClosed;
}

bool CCloseAfterTask::Run(const std::function<void()>& task)
{
    m_bInTask = true;
    task();
    m_bInTask = false;
    return std::exchange(m_bCloseDeferred, false);
}

bool CCloseAfterTask::Defer()
{
    if (m_bInTask)
        m_bCloseDeferred = true;
    return m_bInTask;
}

} // namespace portelan
