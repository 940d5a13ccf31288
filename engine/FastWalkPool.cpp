#include "engine/FastWalkPool.h"

#include <algorithm>
#include <chrono>
#include <system_error>

namespace quilmora {

namespace {
// Walks come in quick runs (the bands of an export, the passes of a sweep):
// a helper that just finished, and a caller whose helpers are about to,
// look again for this long before they sleep, sparing a wake-up each.
constexpr auto SpinTime = std::chrono::microseconds(100);

template <class Ready>
void SpinFor(Ready ready)
{
    const auto until = std::chrono::steady_clock::now() + SpinTime;
    while (!ready() && std::chrono::steady_clock::now() < until)
        std::this_thread::yield();
}
}  // namespace

TWalkPool& TWalkPool::Instance()
{
    static TWalkPool pool;
    return pool;
}

TWalkPool::TWalkPool() : TWalkPool(static_cast<int>(std::thread::hardware_concurrency()))
{
}

TWalkPool::TWalkPool(int threads) : Cores_(std::max(1, threads))
{
}

TWalkPool::~TWalkPool()
{
    {
        std::lock_guard lock(Mutex);
        Stopping = true;
    }
    Work.notify_all();
    for (std::thread& t : Helpers)
        t.join();
}

void TWalkPool::StartHelpers()
{
    // Called with the mutex held, once. Without helpers every caller simply
    // walks alone.
    try {
        for (int i = 1; i < Cores_; ++i)
            Helpers.emplace_back([this] { HelperLoop(); });
    } catch (const std::system_error&) {
    }
    Started = true;
}

void TWalkPool::Run(TPoolTask& task, int helpers)
{
    {
        std::lock_guard lock(Mutex);
        if (!Started)
            StartHelpers();
        helpers = std::min(helpers, static_cast<int>(Helpers.size()));
        for (int i = 0; i < helpers; ++i)
            Queue.push_back(&task);
        Queued = Queue.size();
    }
    for (int i = 0; i < helpers; ++i)
        Work.notify_one();

    task.Run();

    std::unique_lock lock(Mutex);
    // Entries no helper took in time are not needed any more.
    Queue.erase(std::remove(Queue.begin(), Queue.end(), &task), Queue.end());
    Queued = Queue.size();
    if (task.Working != 0) {
        lock.unlock();
        SpinFor([&task] { return task.Working == 0; });
        lock.lock();
    }
    Done.wait(lock, [&task] { return task.Working == 0; });
}

void TWalkPool::HelperLoop()
{
    std::unique_lock lock(Mutex);
    for (;;) {
        if (!Stopping && Queue.empty()) {
            lock.unlock();
            SpinFor([this] { return Queued != 0; });
            lock.lock();
        }
        Work.wait(lock, [this] { return Stopping || !Queue.empty(); });
        if (Stopping)
            return;
        TPoolTask* task = Queue.front();
        Queue.pop_front();
        Queued = Queue.size();
        ++task->Working;
        lock.unlock();
        task->Run();
        lock.lock();
        if (--task->Working == 0)
            Done.notify_all();
    }
}

}  // namespace quilmora
