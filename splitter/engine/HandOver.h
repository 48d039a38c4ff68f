// How the worker has a task run on the thread of the windows and waits for
// it, while that thread may be closing and waiting for the worker instead.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>

namespace portelan {

class CHandOver {
  public:
    // Worker side: hands the task over, calls `wake` (if any) so that the
    // owning thread comes to run it, and returns once it has run. Returns at
    // once, without running it, when the hand-over is closed or gets closed
    // before the task has begun.
    void RunAndWait(const std::function<void()>& task, const std::function<void()>& wake = {});

    // Owner side: runs the task handed over, if there is one; true when it ran.
    bool RunPending();
    // Owner side: waits up to `timeout` for a task and runs it; true when it ran.
    bool WaitAndRun(std::chrono::milliseconds timeout);

    // From now on no task begins: the worker waiting for one that has not
    // begun returns, and later hand-overs return at once.
    void Close();
    bool IsClosed() const;

  private:
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    const std::function<void()>* m_pTask = nullptr;
    bool m_bTaken = false;
    bool m_bDone = false;
    bool m_bClosed = false;
};

// A close asked for while a handed-over task runs on the window's thread (an
// error window of it open) waits until the task is done: the worker waits
// for the task, and the close would wait for the worker.
class CCloseAfterTask {
  public:
    // Runs `task`; true when a close was asked for meanwhile and is due now.
    bool Run(const std::function<void()>& task);
    // True when a close must wait for the running task; it is remembered.
    bool Defer();

  private:
    bool m_bInTask = false;
    bool m_bCloseDeferred = false;
};

} // namespace portelan
