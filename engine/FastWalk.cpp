#include "engine/FastWalk.h"

#include "engine/Colouring.h"

#include "engine/FastWalkJob.h"
#include "engine/FastWalkPool.h"

#include <QByteArray>

#include <algorithm>
#include <bit>
#include <chrono>
#include <cmath>
#include <mutex>
#include <thread>

#include <time.h>

namespace quilmora {
// FastWalkKernel.cpp
std::vector<int64_t> KernelTargets();
TWalkKernel KernelFor(int64_t target, int shape, bool cycles);
const char* KernelTargetName(int64_t target);
}  // namespace quilmora

using namespace quilmora;

namespace {

// Below this many pixels a picture is not worth waking a helper for.
constexpr qsizetype MinPixelsToShare = 2048;
// Units each thread should find in a walk, so that a thread that meets slow
// pixels leaves the rest to the others; segments are no narrower than this.
constexpr int UnitsPerThread = 8;
constexpr int MinSegmentWidth = 64;
// Units are taken a few at a time while every thread still finds this many
// takes in a walk.
constexpr int TakesPerThread = 32;
constexpr int MaxUnitsPerTake = 4;

const std::vector<int64_t>& Targets()
{
    static const std::vector<int64_t> targets = KernelTargets();
    return targets;
}

int64_t Resolved(int64_t target)
{
    const auto& all = Targets();
    if (target == 0 || std::find(all.begin(), all.end(), target) == all.end())
        return all.front();
    return target;
}

// The shape QUILMORA_WALK_VARIANT names, or -1.
int ForcedShape()
{
    static const int forced = [] {
        const QByteArray name = qgetenv("QUILMORA_WALK_VARIANT");
        for (int i = 0; i < WalkShapeCount; ++i)
            if (name == WalkShapes[i].Name)
                return i;
        return -1;
    }();
    return forced;
}

// QUILMORA_CYCLE_CHECK: 0 off, 1 on for every picture, otherwise (unset)
// on where the picture's orbits close.
int CheckSetting()
{
    static const int setting = [] {
        const QByteArray value = qgetenv("QUILMORA_CYCLE_CHECK");
        return value == "0" ? 0 : value == "1" ? 1 : -1;
    }();
    return setting;
}

// The kernels' mode a calibration is asked for: -1 means the process's.
bool ModeOf(int cycleCheck)
{
    return cycleCheck < 0 ? CheckSetting() != 0 : cycleCheck != 0;
}

bool CheckOf(int cycleCheck, const ProgramState& s)
{
    if (cycleCheck < 0)
        cycleCheck = CheckSetting();
    return cycleCheck < 0 ? FastWalkOrbitsClose(s) : cycleCheck != 0;
}

// The calibration's jobs, 512 x 8 pixels at limit 254 each, walked on the
// calling thread. The first, for the slots in flight: the basin of the
// attracting 3-cycle of C = -0.12+0.75i, every pixel interior (about a
// million iterations without the cycle check; with it, each orbit's way into
// the cycle). The second, for the pre-pass: eight rows spread over a view of
// the kind the kernel walks, most pixels escaping within a few iterations,
// some interior: without the check the start-up view, C = 0.402+0.339i,
// whose interior orbits never close; with it the rabbit's, C = -0.12+0.75i,
// width 3.2 around (0.1, -0.05), whose interior orbits close.
constexpr int CalibrationWidth = 512;
constexpr int CalibrationRows = 8;
constexpr int CalibrationLimit = 254;
constexpr int CalibrationRounds = 3;

struct TCalibrationJob {
    double Cx, Cy;
    float X0, Y0, Step, RowStep;
};
constexpr TCalibrationJob InteriorJob{-0.12, 0.75, -0.05f, 0.01f, 0.0002f, 0.002f};
constexpr TCalibrationJob MixedJob{0.402, 0.339, -2.4f, 1.75f, 0.0094f, 0.5f};
constexpr TCalibrationJob MixedCyclesJob{-0.12, 0.75, -1.5f, 1.15f, 0.00625f, 0.3f};

double ThreadSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

// Processor time of the walking thread, which other loads of the machine
// do not lengthen.
double TimeShape(TWalkKernel kernel, const TCalibrationJob& c)
{
    std::vector<float> xs(CalibrationWidth + ColumnPadding), ys(CalibrationRows);
    for (size_t i = 0; i < xs.size(); ++i)
        xs[i] = c.X0 + c.Step * static_cast<float>(i);
    for (int i = 0; i < CalibrationRows; ++i)
        ys[i] = c.Y0 - c.RowStep * static_cast<float>(i);
    std::vector<uchar> bits(size_t(CalibrationWidth) * CalibrationRows * 4);
    static const std::vector<uint32_t> colours(CalibrationLimit + 1);
    TWalkJob job;
    job.Cx = c.Cx;
    job.Cy = c.Cy;
    job.Limit = CalibrationLimit;
    job.Colours = colours.data();
    job.Xs = xs.data();
    job.Ys = ys.data();
    job.Bits = bits.data();
    job.BytesPerLine = CalibrationWidth * 4;
    job.BytesPerPixel = 4;
    job.Width = CalibrationWidth;
    job.SegmentsPerRow = CalibrationWidth / MaxSegmentWidth;
    job.SegmentWidth = MaxSegmentWidth;
    job.Units = CalibrationRows * job.SegmentsPerRow;
    const double begin = ThreadSeconds();
    kernel(&job);
    return ThreadSeconds() - begin;
}

// A shape other than the first candidate must be this much faster to win:
// the pre-pass variants differ by a few per cent, less than a short timing's
// noise, and the default one is the safe side for the start-up pass.
constexpr double CalibrationMargin = 0.97;

// Of the shapes 'candidate' admits, the one with the fastest single run of
// the job, the shapes taking turns for a few rounds.
template <class Candidate>
int Fastest(int64_t target, bool cycles, const TCalibrationJob& job, Candidate candidate, double margin = 1.0)
{
    std::vector<double> best(WalkShapeCount, HUGE_VAL);
    for (int round = 0; round < CalibrationRounds; ++round)
        for (int i = 0; i < WalkShapeCount; ++i)
            if (candidate(WalkShapes[i]))
                best[i] = std::min(best[i], TimeShape(KernelFor(target, i, cycles), job));
    int chosen = -1;
    for (int i = 0; i < WalkShapeCount; ++i)
        if (best[i] < HUGE_VAL && (chosen < 0 || best[i] < best[chosen] * margin))
            chosen = i;
    return std::max(chosen, 0);
}

struct TCalibration {
    int Shape = 0;
    double Seconds = 0.0;
};

// Slots in flight by the all-interior job with the default pre-pass, then
// the pre-pass by the mixed job with those slots.
TCalibration Calibrate(int64_t target, bool cycles)
{
    const auto begin = std::chrono::steady_clock::now();
    const size_t inFlight = WalkShapes[Fastest(target, cycles, InteriorJob, [](const TWalkShape& s) {
                                        return s.PreSteps == DefaultPreSteps && s.PreGroup == DefaultPreGroup;
                                    })].Slots;
    TCalibration c;
    // The default pre-pass comes first among these shapes.
    c.Shape = Fastest(target, cycles, cycles ? MixedCyclesJob : MixedJob,
                      [inFlight](const TWalkShape& s) { return s.Slots == inFlight; }, CalibrationMargin);
    c.Seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
    return c;
}

// The calibration of a target with or without the cycle check, run by its
// first walk and kept for the process.
const TCalibration& CalibrationOf(int64_t target, bool cycles)
{
    static std::once_flag once[2][64];
    static TCalibration calibrations[2][64];
    const int slot = std::countr_zero(static_cast<uint64_t>(target));
    std::call_once(once[cycles][slot], [&] { calibrations[cycles][slot] = Calibrate(target, cycles); });
    return calibrations[cycles][slot];
}

int ShapeOf(int64_t target, int requested, bool cycles)
{
    if (requested >= 0 && requested < WalkShapeCount)
        return requested;
    if (ForcedShape() >= 0)
        return ForcedShape();
    return CalibrationOf(target, cycles).Shape;
}

TWalkKernel Kernel(int64_t target, const TFastWalkOptions& options, const ProgramState& s)
{
    target = Resolved(target);
    const bool cycles = CheckOf(options.CycleCheck, s);
    return KernelFor(target, ShapeOf(target, options.Variant, cycles), cycles);
}

// The picture's coordinates, computed once by the walk's own float steps:
// x of every column along a row, y of every row from the top.
struct TWalkSetup {
    const ProgramState& State;
    const TRaster& Raster;
    const TPixelTarget& Target;
    std::vector<float>& Xs;
    std::vector<float>& Ys;
    std::vector<uint32_t>& Colours;
    TWalkKernel Kernel;
    int Threads;
    TWalkPool& Pool;
    int64_t* IterationsDone;
};

// Scratch of the calling thread, kept between pictures.
struct TCallerScratch {
    std::vector<float> Xs, Ys;
    std::vector<uint32_t> Colours;
};

void PrepareCoordinates(const TRaster& r, int rows, std::vector<float>& xs, std::vector<float>& ys)
{
    xs.resize(static_cast<size_t>(r.Width) + ColumnPadding);
    float x = RasterStartX(r);
    for (float& v : xs) {
        v = x;
        x = x + r.Step;
    }
    ys.resize(static_cast<size_t>(std::max(rows, 1)));
    RasterRowYs(r, ys.data(), rows);
}

// The colour table's entries 0 .. limit (at least 0 and 1) as the kernels
// store them.
void PackColours(const ProgramState& s, std::vector<uint32_t>& colours)
{
    const int entries = std::clamp(s.IterationLimit, 1, ColourTableSize - 1) + 1;
    colours.resize(static_cast<size_t>(entries));
    for (int i = 0; i < entries; ++i) {
        const TColourEntry& e = s.ColourTable[static_cast<size_t>(i)];
        colours[static_cast<size_t>(i)] = uint32_t(e.Blue) | uint32_t(e.Green) << 8 | uint32_t(e.Red) << 16;
    }
}

struct TWalkTask : TPoolTask {
    TWalkJob Job;
    TWalkKernel Kernel = nullptr;
    void Run() override { Kernel(&Job); }
};

// Fills in the job's picture, rows and units for the walk of rows
// [rowBegin, rowEnd) and returns the helpers that should share it.
int PrepareJob(const TWalkSetup& w, int rowBegin, int rowEnd, TWalkJob& job)
{
    const TRaster& r = w.Raster;
    const int rows = rowEnd - rowBegin;
    job.Cx = w.State.FractalParams.Cx;
    job.Cy = w.State.FractalParams.Cy;
    job.Limit = w.State.IterationLimit;
    job.Colours = w.Colours.data();
    job.Xs = w.Xs.data();
    job.Ys = w.Ys.data();
    job.Bits = w.Target.Bits;
    job.BytesPerLine = w.Target.BytesPerLine;
    job.FirstRow = w.Target.FirstRow;
    job.BytesPerPixel = w.Target.BytesPerPixel;
    job.Width = r.Width;
    job.RowBegin = rowBegin;
    int helpers = (w.Threads > 0 ? w.Threads : w.Pool.Cores()) - 1;
    if (qsizetype(r.Width) * rows < MinPixelsToShare)
        helpers = 0;
    // Segments of at most MaxSegmentWidth; narrower while the threads would
    // find too few units, down to MinSegmentWidth.
    int segments = (r.Width + MaxSegmentWidth - 1) / MaxSegmentWidth;
    const int wanted = (helpers + 1) * UnitsPerThread;
    if (rows * segments < wanted)
        segments = std::max(segments, std::min((wanted + rows - 1) / rows, r.Width / MinSegmentWidth));
    job.SegmentsPerRow = segments;
    job.SegmentWidth = (r.Width + segments - 1) / segments;
    job.SegmentsPerRow = (r.Width + job.SegmentWidth - 1) / job.SegmentWidth;
    job.Units = rows * job.SegmentsPerRow;
    job.UnitsPerTake = std::clamp(job.Units / ((helpers + 1) * TakesPerThread), 1, MaxUnitsPerTake);
    return std::clamp(helpers, 0, job.Units - 1);
}

void RunTask(const TWalkSetup& w, TWalkTask& task, int helpers)
{
    task.Kernel = w.Kernel;
    if (helpers == 0)
        task.Run();
    else
        w.Pool.Run(task, helpers);
    if (w.IterationsDone)
        *w.IterationsDone += task.Job.Iterations.load(std::memory_order_relaxed);
}

void WalkRows(const TWalkSetup& w, int rowBegin, int rowEnd)
{
    TWalkTask task;
    RunTask(w, task, PrepareJob(w, rowBegin, rowEnd, task.Job));
}

// The whole raster as one walk, its report bands overlapping: threads go on
// to the next band's rows while the last pixels of a band still iterate, and
// the calling thread reports each band, in order, once all its pixels are
// written. A stop hands out no further rows; rows already begun are finished.
class TBandedWalk {
public:
    TBandedWalk(const TWalkSetup& w, const std::function<bool(int)>& atReport)
        : Setup(w), Height(w.Raster.Height), AtReport(atReport), Caller(std::this_thread::get_id())
    {
    }

    // False when a report stopped the walk.
    bool Walk()
    {
        TWalkJob& job = Task.Job;
        const int helpers = PrepareJob(Setup, 0, Height, job);
        const int bands = (Height + ReportBandRows - 1) / ReportBandRows;
        BandDone = std::vector<std::atomic<int>>(static_cast<size_t>(bands));
        Outstanding.assign(static_cast<size_t>(job.Units), 0);
        job.BandUnits = ReportBandRows * job.SegmentsPerRow;
        // One at a time, so that a stop hands out no unit a thread holds back.
        job.UnitsPerTake = 1;
        job.BandDone = BandDone.data();
        job.Outstanding = Outstanding.data();
        job.Poll = [](void* self) { static_cast<TBandedWalk*>(self)->Poll(); };
        job.PollContext = this;
        RunTask(Setup, Task, helpers);
        Poll();
        return !Stopped;
    }

private:
    void Poll()
    {
        if (std::this_thread::get_id() != Caller)
            return;
        TWalkJob& job = Task.Job;
        // Only whole bands have report points; the last, shorter one ends the walk.
        while (!Stopped && (NextBand + 1) * ReportBandRows <= Height) {
            const int units = job.BandUnits;
            if (BandDone[static_cast<size_t>(NextBand)].load(std::memory_order_acquire) != units)
                return;
            const int lastRow = (NextBand + 1) * ReportBandRows - 1;
            ++NextBand;
            if (AtReport && !AtReport(lastRow)) {
                Stopped = true;
                job.NextUnit.store(job.Units, std::memory_order_relaxed);
            }
        }
    }

    const TWalkSetup& Setup;
    TWalkTask Task;
    const int Height;
    const std::function<bool(int)>& AtReport;
    const std::thread::id Caller;
    std::vector<std::atomic<int>> BandDone;
    std::vector<int> Outstanding;
    int NextBand = 0;
    bool Stopped = false;
};

// QUILMORA_WALK_VARIANT=reference: the per-pixel walk on the calling thread
// for the whole process, to time against.
bool ForcedReference()
{
    static const bool forced = qgetenv("QUILMORA_WALK_VARIANT") == "reference";
    return forced;
}

bool Usable(const ProgramState& s)
{
    // Entries beyond the table would be read for escapes past its end.
    return s.ColourFunction == SquareColour && s.IterationLimit <= ColourTableSize - 1 && !ForcedReference();
}

}  // namespace

std::vector<int64_t> FastWalkTargets()
{
    return Targets();
}

int FastWalkVariantCount()
{
    return WalkShapeCount;
}

const char* FastWalkVariantName(int variant)
{
    return variant >= 0 && variant < WalkShapeCount ? WalkShapes[variant].Name : "";
}

bool FastWalkCycleCheck()
{
    return CheckSetting() != 0;
}

bool FastWalkOrbitsClose(const ProgramState& s)
{
    // The orbit of z = 0 as a pixel's, by the same float steps; its saved
    // iterate moves to the current one at steps 1, 2, 4, 8...
    const double cx = s.FractalParams.Cx;
    const double cy = s.FractalParams.Cy;
    double x = 0.0, y = 0.0;
    double savedX = 0.0, savedY = 0.0;
    int64_t nextSave = 1;
    const int64_t limit = std::min<int64_t>(s.IterationLimit, ColourTableSize - 1);
    for (int64_t n = 1; n <= limit; ++n) {
        const double nx = static_cast<float>((x * x - y * y) + cx);
        const double ny = static_cast<float>(x * (y + y) + cy);
        x = nx;
        y = ny;
        if (x * x + y * y >= 4.0)
            return false;
        if (x == savedX && y == savedY)
            return true;
        if (n == nextSave) {
            savedX = x;
            savedY = y;
            nextSave *= 2;
        }
    }
    return false;
}

bool FastWalkUsesCycleCheck(const ProgramState& s)
{
    return CheckOf(-1, s);
}

int FastWalkVariant(int64_t target, int cycleCheck)
{
    return ShapeOf(Resolved(target), -1, ModeOf(cycleCheck));
}

double FastWalkCalibrationSeconds(int64_t target, int cycleCheck)
{
    return ForcedShape() >= 0 ? 0.0 : CalibrationOf(Resolved(target), ModeOf(cycleCheck)).Seconds;
}

const char* FastWalkTargetName(int64_t target)
{
    return KernelTargetName(target);
}

void FastRasterWalk(const ProgramState& s, const TRaster& r, const TPixelTarget& t, int rowBegin,
                    int rowEnd, const TFastWalkOptions& options)
{
    if (rowEnd < 0 || rowEnd > r.Height)
        rowEnd = r.Height;
    rowBegin = std::max(rowBegin, 0);
    if (r.Width <= 0 || rowBegin >= rowEnd)
        return;
    if (!Usable(s)) {
        RasterWalkReference(s, r, t, rowBegin, rowEnd);
        return;
    }
    thread_local TCallerScratch scratch;
    PrepareCoordinates(r, rowEnd, scratch.Xs, scratch.Ys);
    PackColours(s, scratch.Colours);
    const TWalkSetup w{s,
                       r,
                       t,
                       scratch.Xs,
                       scratch.Ys,
                       scratch.Colours,
                       Kernel(options.Target, options, s),
                       options.Threads,
                       options.Pool ? *options.Pool : TWalkPool::Instance(),
                       options.IterationsDone};
    WalkRows(w, rowBegin, rowEnd);
}

bool RasterWalkBanded(const ProgramState& s, const TRaster& r, const TPixelTarget& t,
                      const std::function<bool(int lastRow)>& atReport,
                      const TFastWalkOptions& options)
{
    if (Usable(s) && r.Width > 0 && r.Height > 0) {
        // Own coordinates: the report callback may walk other pictures meanwhile.
        std::vector<float> xs, ys;
        std::vector<uint32_t> colours;
        PrepareCoordinates(r, r.Height, xs, ys);
        PackColours(s, colours);
        const TWalkSetup w{s,
                           r,
                           t,
                           xs,
                           ys,
                           colours,
                           Kernel(options.Target, options, s),
                           options.Threads,
                           options.Pool ? *options.Pool : TWalkPool::Instance(),
                           options.IterationsDone};
        return TBandedWalk(w, atReport).Walk();
    }
    for (int begin = 0; begin < r.Height; begin += ReportBandRows) {
        const int end = std::min(r.Height, begin + ReportBandRows);
        RasterWalkReference(s, r, t, begin, end);
        if (end - begin == ReportBandRows && atReport && !atReport(end - 1))
            return false;
    }
    return true;
}
