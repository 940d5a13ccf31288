#pragma once
// Counts render passes and, on request, holds the next one open on the render
// thread: its hook calls OnPass().

#include "engine/ProgramState.h"

#include <QSemaphore>
#include <QtTest>

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

// Waits on the render thread, with a deadline that only guards against hangs.
constexpr int PassPatience = 60000;

inline bool WaitIdle(const ProgramState& s)
{
    return QTest::qWaitFor([&] { return s.RenderIdle.load(); }, PassPatience);
}

// The expected number of passes has run, and the thread is idle.
inline bool WaitSettled(const TPassGate& gate, const ProgramState& s, int expected)
{
    return QTest::qWaitFor([&] { return gate.Passes.load() == expected && s.RenderIdle.load(); }, PassPatience);
}

// No further pass was woken: the count stays after pending events ran.
inline void ExpectPasses(const TPassGate& gate, const ProgramState& s, int expected)
{
    QCoreApplication::processEvents();
    QCOMPARE(gate.Passes.load(), expected);
    QVERIFY(s.RenderIdle.load());
}
