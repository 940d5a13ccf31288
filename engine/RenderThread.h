#pragma once
// The background thread that redraws the main picture and the overview.

#include "engine/ProgramState.h"

#include <QThread>

#include <condition_variable>
#include <functional>
#include <mutex>

class TImageCanvas;

class TThreadFract : public QThread {
    Q_OBJECT
public:
    TThreadFract(ProgramState& state, TImageCanvas& pic, TImageCanvas& generalView,
                 QObject* parent = nullptr);
    ~TThreadFract() override;

    // Main thread: copies the values of the first pass, then starts the thread
    // (hides QThread::start, which would leave the first pass without them).
    void start(QThread::Priority priority = QThread::InheritPriority);

    // Main thread, only while RenderIdle is true: copies the values the next
    // pass draws and starts that pass. A wake-up while a pass runs has no
    // effect; one after RenderIdle became true is never lost.
    void Wake();

    // Returns once no pass runs (at once when the thread is idle or ended).
    void WaitIdle();

    // Ends the thread after its current pass and waits for it.
    void Stop();

    // Test hook, run on the render thread at the start of every pass.
    std::function<void()> PassStarted;

signals:
    // Emitted after both canvases were updated and RenderIdle became true;
    // connect queued to repaint.
    void PassDrawn();

protected:
    void run() override;

private:
    ProgramState& State;
    TImageCanvas& Pic;
    TImageCanvas& GeneralView;
    // The values the pass draws, copied from State under WakeMutex while no
    // pass runs; the pass reads these, never State's own.
    ProgramState Job;
    std::mutex WakeMutex;
    std::condition_variable WakeSignal;
    std::condition_variable IdleSignal;
    bool WakePending = false;
    bool StopRequested = false;
    bool Ended = false;
};
