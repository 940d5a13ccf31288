#pragma once
// A persistent pool of helper threads for the fast walk. Any thread may hand
// it a task; the task's Run is then called by the caller and by up to the
// requested number of idle helpers at once, and must share its work among
// them. Callers from several threads at a time are served side by side.

#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

namespace quilmora {

class TPoolTask {
public:
    virtual ~TPoolTask() = default;
    virtual void Run() = 0;

private:
    friend class TWalkPool;
    // Helpers inside Run: changed under the pool's mutex, read without it too.
    std::atomic<int> Working{0};
};

class TWalkPool {
public:
    // The pool every walk uses unless it brings its own.
    static TWalkPool& Instance();
    // A pool of one's own: its helpers start with the first Run and take the
    // scheduling policy of the thread that calls it (a low-priority export
    // keeps its helpers low too).
    TWalkPool();
    // The same with 'threads' taking part (the caller included) whatever the
    // cores: more than the cores show how a walk would share a bigger machine.
    explicit TWalkPool(int threads);
    ~TWalkPool();
    TWalkPool(const TWalkPool&) = delete;
    TWalkPool& operator=(const TWalkPool&) = delete;

    // Threads a walk may use: the caller plus one helper per further core.
    int Cores() const { return Cores_; }

    // Runs task.Run() on the calling thread and on up to 'helpers' helpers,
    // and returns when every one of them has left it.
    void Run(TPoolTask& task, int helpers);

private:
    void StartHelpers();
    void HelperLoop();

    const int Cores_;
    std::mutex Mutex;
    std::condition_variable Work;  // helpers wait here for queued tasks
    std::condition_variable Done;  // callers wait here for their helpers
    std::deque<TPoolTask*> Queue;  // one entry per helper wanted
    std::atomic<size_t> Queued{0};  // Queue's size, for the helpers' spin
    std::vector<std::thread> Helpers;
    bool Stopping = false;
    bool Started = false;
};

}  // namespace quilmora
