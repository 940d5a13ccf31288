#include "engine/RenderThread.h"

#include "engine/ImageCanvas.h"
#include "engine/RenderPass.h"

TThreadFract::TThreadFract(ProgramState& state, TImageCanvas& pic, TImageCanvas& generalView,
                           QObject* parent)
    : QThread(parent), State(state), Pic(pic), GeneralView(generalView)
{
}

TThreadFract::~TThreadFract()
{
    Stop();
}

void TThreadFract::start(QThread::Priority priority)
{
    if (!isRunning()) {
        std::lock_guard lock(WakeMutex);
        CopyPictureValues(State, Job);
    }
    QThread::start(priority);
}

void TThreadFract::Wake()
{
    std::lock_guard lock(WakeMutex);
    // A wake-up either finds the thread idle and is taken, or finds a pass
    // under way and is dropped. Taking it marks the thread busy at once, so no
    // further change slips in between the wake-up and the start of the pass.
    // The pass draws the copy taken here, whatever State holds meanwhile.
    if (State.RenderIdle.load()) {
        CopyPictureValues(State, Job);
        WakePending = true;
        State.RenderIdle.store(false);
    }
    WakeSignal.notify_one();
}

void TThreadFract::WaitIdle()
{
    std::unique_lock lock(WakeMutex);
    IdleSignal.wait(lock, [this] { return State.RenderIdle.load() || Ended; });
}

void TThreadFract::Stop()
{
    {
        std::lock_guard lock(WakeMutex);
        StopRequested = true;
        WakeSignal.notify_one();
    }
    if (isRunning())
        wait();
    // Orders the thread's last use of the lock before whatever frees it next.
    std::lock_guard lock(WakeMutex);
}

void TThreadFract::run()
{
    setPriority(QThread::TimeCriticalPriority);
    {
        std::lock_guard lock(WakeMutex);
        State.RenderIdle.store(false);
    }
    for (;;) {
        if (PassStarted)
            PassStarted();
        RenderPass(Job, State, Pic, GeneralView);
        {
            std::lock_guard lock(WakeMutex);
            State.RenderIdle.store(true);
            IdleSignal.notify_all();
        }
        // Receivers find the thread idle, free to change values and wake it.
        emit PassDrawn();

        std::unique_lock lock(WakeMutex);
        WakeSignal.wait(lock, [this] { return WakePending || StopRequested; });
        if (StopRequested) {
            Ended = true;
            IdleSignal.notify_all();
            return;
        }
        WakePending = false;
        State.RenderIdle.store(false);
    }
}
