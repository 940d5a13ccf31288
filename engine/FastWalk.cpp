#include "engine/FastWalk.h"

#include "engine/Colouring.h"

#include "engine/FastWalkJob.h"
#include "engine/FastWalkPool.h"

#include <algorithm>

namespace quilmora {
// FastWalkKernel.cpp
std::vector<int64_t> KernelTargets();
TWalkKernel KernelFor(int64_t target);
const char* KernelTargetName(int64_t target);
}  // namespace quilmora

using namespace quilmora;

namespace {

// Below this many pixels a picture is not worth waking a helper for.
constexpr qsizetype MinPixelsToShare = 2048;

const std::vector<int64_t>& Targets()
{
    static const std::vector<int64_t> targets = KernelTargets();
    return targets;
}

TWalkKernel Kernel(int64_t target)
{
    static const TWalkKernel best = KernelFor(Targets().front());
    if (target == 0)
        return best;
    const auto& all = Targets();
    if (std::find(all.begin(), all.end(), target) == all.end())
        return best;
    return KernelFor(target);
}

// The picture's coordinates, computed once by the walk's own float steps:
// x of every column along a row, y of every row from the top.
struct TWalkSetup {
    const ProgramState& State;
    const TRaster& Raster;
    const TPixelTarget& Target;
    std::vector<float>& Xs;
    std::vector<float>& Ys;
    TWalkKernel Kernel;
    int Threads;
    TWalkPool& Pool;
};

// Scratch of the calling thread, kept between pictures.
struct TCallerScratch {
    std::vector<float> Xs, Ys;
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

struct TWalkTask : TPoolTask {
    TWalkJob Job;
    TWalkKernel Kernel = nullptr;
    void Run() override { Kernel(&Job); }
};

void WalkRows(const TWalkSetup& w, int rowBegin, int rowEnd)
{
    const TRaster& r = w.Raster;
    const int rows = rowEnd - rowBegin;
    TWalkTask task;
    TWalkJob& job = task.Job;
    job.Cx = w.State.FractalParams.Cx;
    job.Cy = w.State.FractalParams.Cy;
    job.Limit = w.State.IterationLimit;
    job.Table = w.State.ColourTable.data();
    job.Xs = w.Xs.data();
    job.Ys = w.Ys.data();
    job.Bits = w.Target.Bits;
    job.BytesPerLine = w.Target.BytesPerLine;
    job.BytesPerPixel = w.Target.BytesPerPixel;
    job.Width = r.Width;
    job.RowBegin = rowBegin;
    job.SegmentsPerRow = (r.Width + MaxSegmentWidth - 1) / MaxSegmentWidth;
    job.SegmentWidth = (r.Width + job.SegmentsPerRow - 1) / job.SegmentsPerRow;
    job.Units = rows * job.SegmentsPerRow;
    task.Kernel = w.Kernel;

    int helpers = (w.Threads > 0 ? w.Threads : w.Pool.Cores()) - 1;
    if (qsizetype(r.Width) * rows < MinPixelsToShare)
        helpers = 0;
    helpers = std::clamp(helpers, 0, job.Units - 1);
    if (helpers == 0)
        task.Run();
    else
        w.Pool.Run(task, helpers);
}

bool Usable(const ProgramState& s)
{
    // Entries beyond the table would be read for escapes past its end.
    return s.ColourFunction == SquareColour && s.IterationLimit <= ColourTableSize - 1;
}

}  // namespace

std::vector<int64_t> FastWalkTargets()
{
    return Targets();
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
    const TWalkSetup w{s, r, t, scratch.Xs, scratch.Ys, Kernel(options.Target), options.Threads,
                         options.Pool ? *options.Pool : TWalkPool::Instance()};
    WalkRows(w, rowBegin, rowEnd);
}

bool RasterWalkBanded(const ProgramState& s, const TRaster& r, const TPixelTarget& t,
                      const std::function<bool(int lastRow)>& atReport,
                      const TFastWalkOptions& options)
{
    const bool fast = Usable(s) && r.Width > 0;
    // Own coordinates: the report callback may walk other pictures meanwhile.
    std::vector<float> xs, ys;
    if (fast)
        PrepareCoordinates(r, r.Height, xs, ys);
    const TWalkSetup w{s, r, t, xs, ys, Kernel(options.Target), options.Threads,
                         options.Pool ? *options.Pool : TWalkPool::Instance()};
    for (int begin = 0; begin < r.Height; begin += ReportBandRows) {
        const int end = std::min(r.Height, begin + ReportBandRows);
        if (fast)
            WalkRows(w, begin, end);
        else
            RasterWalkReference(s, r, t, begin, end);
        if (end - begin == ReportBandRows && atReport && !atReport(end - 1))
            return false;
    }
    return true;
}
