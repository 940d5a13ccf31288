#pragma once
// Counts render passes and, on request, holds the next one open on the render
// thread: its hook calls OnPass().

#include <QSemaphore>

#include <atomic>

struct TPassGate {
    std::atomic<int> Passes{0};
    std::atomic<bool> Hold{false};
    QSemaphore Entered;
    QSemaphore Release;

    void OnPass()
    {
        ++Passes;
        if (Hold.load()) {
            Entered.release();
            Release.acquire();
        }
    }
    void Reset()
    {
        Passes = 0;
        Hold = false;
        Entered.tryAcquire(Entered.available());
        Release.tryAcquire(Release.available());
    }
};
