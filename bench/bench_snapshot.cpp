// What the render thread's copy of the picture's values costs per pass, next
// to the pass it is taken for: the copy as Wake() takes it (into the thread's
// own state, the colour table its bulk), and one whole pass of the start-up
// view (main picture and overview, every core).
//   quilmora_bench_snapshot [--benchmark_repetitions=N]

#include "bench/CpuName.h"
#include "engine/ImageCanvas.h"
#include "engine/Overview.h"
#include "engine/Palette.h"
#include "engine/ProgramState.h"
#include "engine/RenderPass.h"

#include <benchmark/benchmark.h>

namespace {

void Copy(benchmark::State& st)
{
    ProgramState live, job;
    BuildColourTable(live);
    for (auto _ : st) {
        CopyPictureValues(live, job);
        benchmark::DoNotOptimize(job.ColourTable.data());
        benchmark::ClobberMemory();
    }
    st.SetBytesProcessed(int64_t(st.iterations()) * int64_t(sizeof(live.ColourTable)));
}

void Pass(benchmark::State& st)
{
    ProgramState live, job;
    BuildColourTable(live);
    TImageCanvas pic(PicWidth, PicHeight), view(OverviewWidth, OverviewHeight);
    UpdateOverviewFrame(live, view);
    for (auto _ : st) {
        CopyPictureValues(live, job);
        RenderPass(job, live, pic, view);
        benchmark::DoNotOptimize(live.PicBitmap.constBits());
    }
}

}  // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    benchmark::AddCustomContext("cpu_name", CpuName());
    benchmark::RegisterBenchmark("copy", Copy)->Unit(benchmark::kNanosecond);
    benchmark::RegisterBenchmark("pass-startup-view", Pass)->Unit(benchmark::kMicrosecond)->UseRealTime();
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
