// Anti-aliasing against the plain walk: a 1600 x 1200 picture walked plain,
// with 2 x 2 and 4 x 4 samples a pixel, and the plain picture of the samples'
// own size (what the samples cost without their averaging). Two views: the
// start-up state and the rabbit (C = -0.12+0.75i, width 3.2) at depth 1024.
//   quilmora_bench_supersample [--benchmark_repetitions=N]

#include "engine/FastWalk.h"
#include "engine/Palette.h"
#include "engine/ProgramState.h"
#include "engine/RasterWalk.h"
#include "export/Supersample.h"

#include <benchmark/benchmark.h>

#include <QImage>

namespace {

constexpr int Width = 1600, Height = 1200;

void View(ProgramState& s, bool rabbit)
{
    if (rabbit) {
        s.FractalParams.Cx = -0.12;
        s.FractalParams.Cy = 0.75;
        s.FractalParams.ViewWidth = 3.2f;
        s.SetIterationLimit(1022);
    }
    BuildColourTable(s);
}

// n > 0: n x n samples a pixel; n < 0: the plain picture -n times the size.
void Walk(benchmark::State& st, bool rabbit, int n)
{
    ProgramState s;
    View(s, rabbit);
    const int scale = n < 0 ? -n : 1;
    QImage picture(Width * scale, Height * scale, QImage::Format_BGR888);
    for (auto _ : st) {
        if (n > 0)
            WalkSupersampled(s, n, picture);
        else
            FastRasterWalk(s, CentredRaster(s, picture.width(), picture.height()), TargetOf(picture));
        benchmark::DoNotOptimize(picture.constBits());
    }
}

}  // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    for (bool rabbit : {false, true})
        for (const auto& [name, n] : {std::pair("plain", 1), std::pair("2x2", 2), std::pair("plain-2x-size", -2),
                                      std::pair("4x4", 4), std::pair("plain-4x-size", -4)})
            benchmark::RegisterBenchmark((std::string(rabbit ? "rabbit/" : "startup/") + name).c_str(), Walk, rabbit, n)
                ->Unit(benchmark::kMillisecond)
                ->UseRealTime()
                ->MeasureProcessCPUTime();
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
