// Render benchmarks: pixels/s and iterations/s of the raster walks.
#include "Colouring.h"
#include "Palette.h"
#include "ProgramState.h"

#include <benchmark/benchmark.h>

#include <vector>

static void BM_StartupMainPicture(benchmark::State& st)
{
    ProgramState s;
    BuildColourTable(s);
    QImage bitmap(PicWidth, PicHeight, QImage::Format_RGB32);
    for (auto _ : st)
        RasterWalk(s, MainPictureRaster(s), TargetOf(bitmap));
    st.counters["pixels/s"] = benchmark::Counter(double(PicWidth) * PicHeight, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_StartupMainPicture)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
