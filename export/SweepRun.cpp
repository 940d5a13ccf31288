#include "export/SweepRun.h"

#include "engine/FastWalk.h"
#include "engine/RasterWalk.h"
#include "export/Supersample.h"

#include <QElapsedTimer>
#include <QThread>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <system_error>
#include <thread>

#include <sys/resource.h>
#include <time.h>
#include <unistd.h>

namespace {

// Pictures in the ring take at most this much memory (at least two pictures).
constexpr qsizetype RingBudget = qsizetype(128) << 20;

qint64 ClockNs(clockid_t clock)
{
    timespec t{};
    clock_gettime(clock, &t);
    return qint64(t.tv_sec) * 1000000000 + t.tv_nsec;
}

struct TJob {
    int Frame;
    QImage* Picture;
    TPngTexts Texts;
};

// The writer threads, their queue of walked frames and the free pictures.
class TWriters {
public:
    TWriters(const TSweepOptions& options, const QStringList& paths, std::vector<QImage>& pictures)
        : Options(options), Paths(paths)
    {
        for (QImage& p : pictures)
            Free.push_back(&p);
    }
    ~TWriters() { Finish(); }

    int Start(int count)
    {
        try {
            for (int i = 0; i < count; ++i)
                Threads.emplace_back([this] { Loop(); });
        } catch (const std::system_error&) {
        }
        return int(Threads.size());
    }

    // A picture to walk into; waits while all are queued or being written.
    // Null once a write failed.
    QImage* Take(qint64& heldNs)
    {
        std::unique_lock lock(Mutex);
        if (Free.empty() && FailedFrame < 0) {
            QElapsedTimer held;
            held.start();
            Freed.wait(lock, [this] { return !Free.empty() || FailedFrame >= 0; });
            heldNs += held.nsecsElapsed();
        }
        if (FailedFrame >= 0)
            return nullptr;
        QImage* p = Free.back();
        Free.pop_back();
        return p;
    }

    void Submit(TJob job)
    {
        {
            std::lock_guard lock(Mutex);
            Queue.push_back(std::move(job));
        }
        Work.notify_one();
    }

    // Waits for the queued frames (dropped after a failure) and joins.
    void Finish()
    {
        {
            std::lock_guard lock(Mutex);
            Closing = true;
        }
        Work.notify_all();
        for (std::thread& t : Threads)
            t.join();
        Threads.clear();
    }

    int FailedFrame = -1;  // read after Finish
    qint64 CpuNs = 0;      // read after Finish

private:
    void Loop()
    {
        if (Options.WriterNice > 0)
            setpriority(PRIO_PROCESS, id_t(gettid()), getpriority(PRIO_PROCESS, id_t(gettid())) + Options.WriterNice);
        qint64 cpu = 0;
        std::unique_lock lock(Mutex);
        for (;;) {
            Work.wait(lock, [this] { return Closing || !Queue.empty(); });
            if (Queue.empty())
                break;
            TJob job = std::move(Queue.front());
            Queue.pop_front();
            bool written = true;
            if (FailedFrame < 0) {
                lock.unlock();
                const qint64 start = ClockNs(CLOCK_THREAD_CPUTIME_ID);
                written = Options.Write(Paths[job.Frame], *job.Picture, job.Texts);
                cpu += ClockNs(CLOCK_THREAD_CPUTIME_ID) - start;
                lock.lock();
            }
            if (!written && (FailedFrame < 0 || job.Frame < FailedFrame))
                FailedFrame = job.Frame;
            Free.push_back(job.Picture);
            if (written)
                Freed.notify_one();
            else
                Freed.notify_all();
        }
        CpuNs += cpu;
    }

    const TSweepOptions& Options;
    const QStringList& Paths;
    std::mutex Mutex;
    std::condition_variable Work, Freed;
    std::deque<TJob> Queue;
    std::vector<QImage*> Free;
    bool Closing = false;
    std::vector<std::thread> Threads;
};

}  // namespace

TSweepResult RunSweep(ProgramState& state, const std::vector<std::pair<double, double>>& cs,
                      const QStringList& paths, const TSweepOptions& options)
{
    TSweepResult result;
    const int frames = int(std::min<qsizetype>(qsizetype(cs.size()), paths.size()));
    const int wanted = options.Writers < 0 ? std::max(1, QThread::idealThreadCount()) + 2 : options.Writers;

    // One picture walked into, one per writer, one more queued so that a
    // writer never waits for the walk when the walk is the faster.
    std::vector<QImage> pictures;
    const qsizetype pictureBytes = qsizetype(options.Width) * 3 * options.Height;
    const qsizetype affordable = std::max<qsizetype>(2, RingBudget / std::max<qsizetype>(1, pictureBytes));
    const int ring = wanted == 0 ? 1 : int(std::min<qsizetype>(wanted + 2, affordable));
    pictures.reserve(size_t(ring));
    for (int i = 0; i < ring; ++i) {
        QImage p(options.Width, options.Height, QImage::Format_BGR888);
        if (p.isNull())
            break;
        pictures.push_back(std::move(p));
    }
    if (pictures.empty()) {
        result.Outcome = TSweepOutcome::NoMemory;
        return result;
    }

    const TRaster raster = CentredRaster(state, options.Width, options.Height);
    QElapsedTimer wall, walk;
    wall.start();
    const qint64 cpuStart = ClockNs(CLOCK_PROCESS_CPUTIME_ID);
    const auto walkFrame = [&](int n, QImage& picture) {
        if (options.Starting)
            options.Starting(n);
        state.FractalParams.Cx = cs[size_t(n)].first;
        state.FractalParams.Cy = cs[size_t(n)].second;
        walk.start();
        bool walked = true;
        if (options.Supersample > 1)
            walked = WalkSupersampled(state, options.Supersample, picture) == TSupersampleResult::Done;
        else
            FastRasterWalk(state, raster, TargetOf(picture));
        result.WalkNs += walk.nsecsElapsed();
        return walked;
    };

    TWriters writers(options, paths, pictures);
    result.Writers = pictures.size() > 1 ? writers.Start(std::min(wanted, int(pictures.size()) - 1)) : 0;
    result.Pictures = int(pictures.size());
    if (result.Writers == 0) {
        // Walk, then write, on this thread.
        for (int n = 0; n < frames; ++n) {
            if (!walkFrame(n, pictures[0])) {
                result.Outcome = TSweepOutcome::NoMemory;
                break;
            }
            const TPngTexts texts = PngTextsOf(state);
            QElapsedTimer held;
            held.start();
            const qint64 start = ClockNs(CLOCK_THREAD_CPUTIME_ID);
            const bool written = options.Write(paths[n], pictures[0], texts);
            result.WriteCpuNs += ClockNs(CLOCK_THREAD_CPUTIME_ID) - start;
            result.HeldNs += held.nsecsElapsed();
            if (!written) {
                result.Outcome = TSweepOutcome::NotWritten;
                result.FailedPath = paths[n];
                break;
            }
        }
    } else {
        for (int n = 0; n < frames; ++n) {
            QImage* picture = writers.Take(result.HeldNs);
            if (!picture)
                break;
            if (!walkFrame(n, *picture)) {
                result.Outcome = TSweepOutcome::NoMemory;
                break;
            }
            writers.Submit({n, picture, PngTextsOf(state)});
        }
        QElapsedTimer held;
        held.start();
        writers.Finish();
        result.HeldNs += held.nsecsElapsed();
        result.WriteCpuNs = writers.CpuNs;
        if (writers.FailedFrame >= 0 && result.Outcome == TSweepOutcome::Written) {
            result.Outcome = TSweepOutcome::NotWritten;
            result.FailedPath = paths[writers.FailedFrame];
        }
    }
    result.WallNs = wall.nsecsElapsed();
    result.CpuNs = ClockNs(CLOCK_PROCESS_CPUTIME_ID) - cpuStart;
    return result;
}
