#include "engine/FastWalkPool.h"

#include <algorithm>
#include <system_error>

namespace quilmora {

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
    }
    for (int i = 0; i < helpers; ++i)
        Work.notify_one();

    task.Run();

    std::unique_lock lock(Mutex);
    // Entries no helper took in time are not needed any more.
    Queue.erase(std::remove(Queue.begin(), Queue.end(), &task), Queue.end());
    Done.wait(lock, [&task] { return task.Working == 0; });
}

void TWalkPool::HelperLoop()
{
    std::unique_lock lock(Mutex);
    for (;;) {
        Work.wait(lock, [this] { return Stopping || !Queue.empty(); });
        if (Stopping)
            return;
        TPoolTask* task = Queue.front();
        Queue.pop_front();
        ++task->Working;
        lock.unlock();
        task->Run();
        lock.lock();
        if (--task->Working == 0)
            Done.notify_all();
    }
}

}  // namespace quilmora
