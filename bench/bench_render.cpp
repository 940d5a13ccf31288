// Render benchmarks: the fast walk against the per-pixel reference walk on the
// program's pictures, in pixels/s and iterations/s. Each scenario runs as
//   reference             the per-pixel walk, one thread
//   fast                  the fast walk, best vector target, every core
//   fast-1core            the same on one core
//   fast-nocheck, fast-1core-nocheck   both without the cycle check
//   fast-1core-check      with the cycle check whatever the picture
//   fast-1core-TARGET     each other vector target on one core
//   fast-1core-VARIANT    each kernel shape forced, best target, one core,
//                         with the cycle check and (-nocheck) without
// and tables with the ratios to the reference of the same run and the share
// of the bound (bench/WalkBound.h) are printed at the end. Summaries take the
// fastest single run of all repetitions, as the bound takes its fastest run:
// the machine is shared, and noise only ever slows.
//
// Iterations are those the colouring function performs, counted exactly:
// every pixel of the scenario walked once with a table whose entry n spells
// n, each escape at n counting n and each interior pixel limit + 1. Those the
// fast walk actually does are its own count (an orbit found to close stops
// there). Each target's kernel shape is calibrated before any timing.

#include "bench/Iterations.h"
#include "bench/WalkBound.h"
#include "engine/FastWalk.h"
#include "engine/Palette.h"
#include "engine/ProgramState.h"
#include "engine/RasterWalk.h"

#include <benchmark/benchmark.h>

#include <QImage>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

struct TPicture {
    TRaster Raster;
    QImage::Format Format = QImage::Format_RGB32;
};

struct TScenario {
    std::string Name;
    std::string Title;
    void (*Setup)(ProgramState&);
    std::vector<TPicture> (*Pictures)(const ProgramState&);
    bool Banded = false;  // in report bands, as the export walks
};

void StartUp(ProgramState&) {}

void AllInterior(ProgramState& s)
{
    s.FractalParams.Cx = 0.0;
    s.FractalParams.Cy = 0.0;
    s.FractalParams.CenterX = 0.0f;
    s.FractalParams.CenterY = 0.0f;
    s.FractalParams.ViewWidth = 0.5f;
    s.PicStep = StepForViewWidth(s.FractalParams.ViewWidth);
    s.IterationLimit = 254;
}

void DeepExport(ProgramState& s)
{
    s.FractalParams.Cx = -0.12;
    s.FractalParams.Cy = 0.75;
    s.SetIterationLimit(8190);  // depth "8192"
}

// The rabbit's attracting 3-cycle filling a sixth of the view.
void RabbitExport(ProgramState& s)
{
    DeepExport(s);
    s.FractalParams.CenterX = 0.1f;
    s.FractalParams.CenterY = -0.05f;
    s.FractalParams.ViewWidth = 3.2f;
}

// A Siegel disk: interior orbits turn around it and never repeat.
void SiegelExport(ProgramState& s)
{
    s.FractalParams.Cx = -0.390541;
    s.FractalParams.Cy = -0.586788;
    s.SetIterationLimit(8190);
}

void InteriorExport(ProgramState& s)
{
    AllInterior(s);
    s.SetIterationLimit(1022);  // depth "1024"
}

std::vector<TPicture> RenderPassPictures(const ProgramState& s)
{
    return {{MainPictureRaster(s)}, {OverviewRaster(s)}};
}

std::vector<TPicture> FullScreenPictures(const ProgramState& s)
{
    return {{CentredRaster(s, 1920, 1080)}};
}

// The shipped dragon.frc, as the slide show draws it.
void StoredSlide(ProgramState& s)
{
    s.FractalParams.Cx = -0.835;
    s.FractalParams.Cy = -0.2321;
    s.FractalParams.ViewWidth = 3.4f;
}

std::vector<TPicture> SlidePictures(const ProgramState& s)
{
    return {{CentredRaster(s, 1920, 1080)}};
}

std::vector<TPicture> PreviewPictures(const ProgramState& s)
{
    return {{CentredRaster(s, 145, 105)}};
}

std::vector<TPicture> ExportPictures(const ProgramState& s)
{
    return {{CentredRaster(s, 1600, 1200), QImage::Format_BGR888}};
}

const TScenario Scenarios[] = {
    {"StartupPass", "render pass, start-up state (530 x 409 + 81 x 65)", StartUp, RenderPassPictures},
    {"InteriorPass", "render pass, every pixel interior (C = 0, width 0.5, limit 254)", AllInterior,
     RenderPassPictures},
    {"FullScreen", "full screen 1920 x 1080, start-up state", StartUp, FullScreenPictures},
    {"Slide", "slide 1920 x 1080, dragon.frc (C = -0.835-0.2321i, width 3.4)", StoredSlide, SlidePictures},
    {"Preview", "preview 145 x 105, start-up state", StartUp, PreviewPictures},
    {"Export", "export 1600 x 1200, depth 8192, C = -0.12+0.75i", DeepExport, ExportPictures, true},
    {"RabbitExport", "export 1600 x 1200, depth 8192, C = -0.12+0.75i, width 3.2, centre (0.1, -0.05)",
     RabbitExport, ExportPictures, true},
    {"SiegelExport", "export 1600 x 1200, depth 8192, C = -0.390541-0.586788i (Siegel disk)", SiegelExport,
     ExportPictures, true},
    {"InteriorExport", "export 1600 x 1200, depth 1024, C = 0, width 0.5", InteriorExport, ExportPictures, true},
};

// Iterations the colouring function performs for a whole scenario, read off
// a picture drawn with a table whose entry i spells i.
double CountIterations(const TScenario& sc)
{
    auto s = std::make_unique<ProgramState>();
    sc.Setup(*s);
    for (int i = 0; i < ColourTableSize; ++i)
        s->ColourTable[i] = {uint8_t(i & 0xFF), uint8_t(i >> 8), 0};
    double total = 0;
    for (const TPicture& p : sc.Pictures(*s)) {
        QImage image(p.Raster.Width, p.Raster.Height, QImage::Format_RGB32);
        RasterWalk(*s, p.Raster, TargetOf(image));
        total += IterationsIn(image, s->IterationLimit);
    }
    return total;
}

enum class TWalker { Reference, Fast };

void RunScenario(benchmark::State& st, const TScenario* sc, TWalker walker, TFastWalkOptions options,
                 double iterations)
{
    auto s = std::make_unique<ProgramState>();
    BuildColourTable(*s);
    sc->Setup(*s);
    const std::vector<TPicture> pictures = sc->Pictures(*s);
    std::vector<QImage> images;
    double pixels = 0;
    for (const TPicture& p : pictures) {
        images.emplace_back(p.Raster.Width, p.Raster.Height, p.Format);
        pixels += double(p.Raster.Width) * p.Raster.Height;
    }
    double fastest = HUGE_VAL;
    int64_t done = 0;
    options.IterationsDone = &done;
    for (auto _ : st) {
        done = 0;
        const auto begin = std::chrono::steady_clock::now();
        for (size_t i = 0; i < pictures.size(); ++i) {
            const TRaster& r = pictures[i].Raster;
            const TPixelTarget t = TargetOf(images[i]);
            if (walker == TWalker::Reference) {
                if (sc->Banded)
                    for (int row = 0; row < r.Height; row += ReportBandRows)
                        RasterWalkReference(*s, r, t, row, std::min(r.Height, row + ReportBandRows));
                else
                    RasterWalkReference(*s, r, t);
            } else if (sc->Banded) {
                RasterWalkBanded(*s, r, t, [](int) { return true; }, options);
            } else {
                FastRasterWalk(*s, r, t, 0, -1, options);
            }
        }
        benchmark::ClobberMemory();
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - begin;
        fastest = std::min(fastest, took.count());
    }
    st.counters["fastest ms"] = fastest * 1e3;
    st.counters["done"] = walker == TWalker::Fast ? double(done) : iterations;
    st.counters["pixels/s"] = benchmark::Counter(pixels, benchmark::Counter::kIsIterationInvariantRate);
    st.counters["iter/s"] = benchmark::Counter(iterations, benchmark::Counter::kIsIterationInvariantRate);
}

// Keeps the fastest repetition of every run.
class TRatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Iteration || run.error_occurred)
                continue;
            const double unit = benchmark::GetTimeUnitMultiplier(run.time_unit);
            const double meanMs = run.GetAdjustedRealTime() / unit * 1e3;
            const double cpuMs = run.GetAdjustedCPUTime() / unit * 1e3;
            const auto counter = [&run](const char* name) {
                const auto it = run.counters.find(name);
                return it == run.counters.end() ? 0.0 : double(it->second);
            };
            const double ms = counter("fastest ms");
            TSummary& to = Summaries[run.run_name.function_name];
            if (to.CpuMs <= 0 || cpuMs < to.CpuMs)
                to.CpuMs = cpuMs;
            to.Done = counter("done");
            if (ms <= 0 || (to.Ms > 0 && to.Ms <= ms))
                continue;
            to.Ms = ms;
            // The rates are per the repetition's mean; the counts per run are exact.
            to.Iterations = counter("iter/s") * meanMs * 1e-3;
            to.IterationsPerSecond = to.Iterations / (ms * 1e-3);
            to.PixelsPerSecond = counter("pixels/s") * meanMs / ms;
        }
        ConsoleReporter::ReportRuns(runs);
    }
    struct TSummary {
        double Ms = 0;     // fastest run, wall clock
        double CpuMs = 0;  // least mean CPU time of a repetition, every thread of the walk
        double Iterations = 0;  // per run
        double Done = 0;        // per run, those the walk did
        double PixelsPerSecond = 0;
        double IterationsPerSecond = 0;
    };
    std::map<std::string, TSummary> Summaries;
};

}  // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;

    const std::vector<int64_t> targets = FastWalkTargets();
    const std::string best = FastWalkTargetName(targets.front());
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    // Bounds and calibrations first, outside every timing.
    std::map<int64_t, quilmora::TWalkBound> bounds;
    for (int64_t t : targets) {
        bounds[t] = quilmora::MeasureWalkBound(t);
        FastWalkVariant(t, 1);
        FastWalkVariant(t, 0);
    }
    for (const TScenario& sc : Scenarios) {
        const double iterations = CountIterations(sc);
        const auto add = [&](const std::string& variant, TWalker w, TFastWalkOptions o) {
            auto* b = benchmark::RegisterBenchmark((sc.Name + "/" + variant).c_str(), RunScenario, &sc, w,
                                                   o, iterations);
            b->Unit(benchmark::kMillisecond)->UseRealTime();
            if (w == TWalker::Fast && o.Threads != 1)
                b->MeasureProcessCPUTime();  // the helpers' time too
            if (w == TWalker::Reference && sc.Banded)
                b->Iterations(1);  // tens of seconds each
        };
        add("reference", TWalker::Reference, {});
        add("fast", TWalker::Fast, {0, 0});
        add("fast-1core", TWalker::Fast, {1, 0});
        add("fast-nocheck", TWalker::Fast, {0, 0, nullptr, -1, 0});
        add("fast-1core-nocheck", TWalker::Fast, {1, 0, nullptr, -1, 0});
        add("fast-1core-check", TWalker::Fast, {1, 0, nullptr, -1, 1});
        for (size_t i = 1; i < targets.size(); ++i)
            add(std::string("fast-1core-") + FastWalkTargetName(targets[i]), TWalker::Fast,
                {1, targets[i], nullptr, -1, 1});
        for (int v = 0; v < FastWalkVariantCount(); ++v)
            for (int check : {1, 0})
                add(std::string("fast-1core-") + FastWalkVariantName(v) + (check ? "" : "-nocheck"), TWalker::Fast,
                    {1, 0, nullptr, v, check});
    }

    TRatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    // The bound once more after the runs, the better of the two kept: a load
    // on the machine at either moment only lowers it.
    for (int64_t t : targets) {
        const quilmora::TWalkBound again = quilmora::MeasureWalkBound(t);
        if (again.Best > bounds[t].Best)
            bounds[t] = again;
    }

    // Ratios to the reference of this run, shares of the bound of the target.
    const auto find = [&reporter](const std::string& name) -> const TRatioReporter::TSummary* {
        const auto it = reporter.Summaries.find(name);
        return it == reporter.Summaries.end() ? nullptr : &it->second;
    };
    // Iterations/s per core as a share of the bound: by the wall clock over
    // the threads, and by the CPU time the walk's threads took (what the
    // other loads of a shared machine do not distort).
    const auto share = [&](const TRatioReporter::TSummary* run, int64_t target, unsigned threads) {
        const double bound = bounds[target].Best;
        return run && bound > 0 && run->Ms > 0 ? 100.0 * run->Iterations / (run->Ms * 1e-3) / threads / bound : 0.0;
    };
    const auto cpuShare = [&](const TRatioReporter::TSummary* run, int64_t target) {
        const double bound = bounds[target].Best;
        return run && bound > 0 && run->CpuMs > 0 ? 100.0 * run->Iterations / (run->CpuMs * 1e-3) / bound : 0.0;
    };
    std::printf("\nbest vector target: %s; cores: %u; fastest single run of the repetitions\n", best.c_str(),
                cores);
    std::printf("bound (bare chain, one core, best of 4..12 in flight):");
    for (int64_t t : targets)
        std::printf(" %s %.2f G/s (%d);", FastWalkTargetName(t), bounds[t].Best * 1e-9, bounds[t].BestSlots);
    for (int check : {1, 0}) {
        std::printf("\nkernel shape (calibration), cycle check %s:", check ? "on" : "off");
        for (int64_t t : targets)
            std::printf(" %s %s (%.2f ms);", FastWalkTargetName(t), FastWalkVariantName(FastWalkVariant(t, check)),
                        FastWalkCalibrationSeconds(t, check) * 1e3);
    }
    std::printf("\n\nShares of the bound: wall clock of the fastest run / CPU time of the repetition with "
                "the least.\n\n");
    std::printf("| picture | reference | fast, all cores | ratio | iterations/s | per core, of the bound | "
                "pixels/s | fast, one core (%s) | ratio | of the bound | cores' speed-up |\n",
                best.c_str());
    std::printf("|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|\n");
    for (const TScenario& sc : Scenarios) {
        const auto* ref = find(sc.Name + "/reference");
        const auto* fast = find(sc.Name + "/fast");
        const auto* one = find(sc.Name + "/fast-1core");
        if (!fast || !one || fast->Ms <= 0 || one->Ms <= 0)
            continue;
        const double refMs = ref ? ref->Ms : 0.0;  // the ratios read 0 without a reference run
        std::printf("| %s | %.2f ms | %.3f ms | %.1f | %.2f G | %.0f / %.0f %% | %.0f M | %.3f ms | %.1f | %.0f / %.0f %% | "
                    "%.2f |\n",
                    sc.Title.c_str(), refMs, fast->Ms, refMs / fast->Ms, fast->IterationsPerSecond * 1e-9,
                    share(fast, targets.front(), cores), cpuShare(fast, targets.front()),
                    fast->PixelsPerSecond * 1e-6, one->Ms, refMs / one->Ms, share(one, targets.front(), 1),
                    cpuShare(one, targets.front()), one->Ms / fast->Ms);
    }
    std::printf("\nThe cycle check: whether the walk checks the picture, the iterations the colouring "
                "function does and those the fast walk did, time as the walk chooses (\"auto\") and without the "
                "check; on one core also with the check forced:\n\n");
    std::printf("| picture | checks | iterations | done | fewer | auto, all cores | off | off / auto | auto, one "
                "core | off | off / auto | forced on | forced / off |\n"
                "|---|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|\n");
    for (const TScenario& sc : Scenarios) {
        const auto* on = find(sc.Name + "/fast");
        const auto* off = find(sc.Name + "/fast-nocheck");
        const auto* on1 = find(sc.Name + "/fast-1core");
        const auto* off1 = find(sc.Name + "/fast-1core-nocheck");
        const auto* forced = find(sc.Name + "/fast-1core-check");
        if (!on || !off || !on1 || !off1 || !forced || on->Ms <= 0 || on1->Ms <= 0 || off1->Ms <= 0 ||
            on->Done <= 0)
            continue;
        auto s = std::make_unique<ProgramState>();
        sc.Setup(*s);
        std::printf("| %s | %s | %.1f M | %.1f M | %.1f | %.3f ms | %.3f ms | %.2f | %.3f ms | %.3f ms | %.2f | "
                    "%.3f ms | %.2f |\n",
                    sc.Title.c_str(), FastWalkUsesCycleCheck(*s) ? "yes" : "no", on->Iterations * 1e-6,
                    on->Done * 1e-6, on->Iterations / on->Done, on->Ms, off->Ms, off->Ms / on->Ms, on1->Ms, off1->Ms,
                    off1->Ms / on1->Ms, forced->Ms, forced->Ms / off1->Ms);
    }
    std::printf("\nOther vector targets, one core (time, ratio to the reference, share of the target's bound):\n\n");
    std::printf("| picture |");
    for (size_t i = 1; i < targets.size(); ++i)
        std::printf(" %s |", FastWalkTargetName(targets[i]));
    std::printf("\n|---|");
    for (size_t i = 1; i < targets.size(); ++i)
        std::printf("---:|");
    std::printf("\n");
    for (const TScenario& sc : Scenarios) {
        const auto* ref = find(sc.Name + "/reference");
        if (!ref)
            continue;
        std::printf("| %s |", sc.Title.c_str());
        for (size_t i = 1; i < targets.size(); ++i) {
            const auto* t = find(sc.Name + "/fast-1core-" + FastWalkTargetName(targets[i]));
            if (t && t->Ms > 0)
                std::printf(" %.3f ms (%.1f, %.0f / %.0f %%) |", t->Ms, ref->Ms / t->Ms, share(t, targets[i], 1),
                            cpuShare(t, targets[i]));
            else
                std::printf(" |");
        }
        std::printf("\n");
    }
    for (const char* check : {"", "-nocheck"}) {
        std::printf("\nKernel shapes forced, %s, one core, cycle check %s (time, and how much slower than the "
                    "calibrated shape):\n\n| picture | calibrated |",
                    best.c_str(), *check ? "off" : "on");
        for (int v = 0; v < FastWalkVariantCount(); ++v)
            std::printf(" %s |", FastWalkVariantName(v));
        std::printf("\n|---|---:|");
        for (int v = 0; v < FastWalkVariantCount(); ++v)
            std::printf("---:|");
        std::printf("\n");
        for (const TScenario& sc : Scenarios) {
            const auto* picked = find(sc.Name + "/fast-1core" + check);
            if (!picked || picked->Ms <= 0)
                continue;
            std::printf("| %s | %.3f ms |", sc.Title.c_str(), picked->Ms);
            for (int v = 0; v < FastWalkVariantCount(); ++v) {
                const auto* t = find(sc.Name + "/fast-1core-" + FastWalkVariantName(v) + check);
                if (t && t->Ms > 0)
                    std::printf(" %.3f ms (%+.0f %%) |", t->Ms, 100.0 * (t->Ms / picked->Ms - 1.0));
                else
                    std::printf(" |");
            }
            std::printf("\n");
        }
    }
    benchmark::Shutdown();
    return 0;
}
