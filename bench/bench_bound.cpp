// The bound of the fast walk: the bare dependency chain of one exact
// iteration (the kernel's own step, engine/FastWalkStep-inl.h) for 4 to 12
// independent vectors in flight, on every vector target this CPU has, one
// core, in iterations per second; the best of --runs timed runs each. The
// best figure of a target is its bound, which quilmora_bench and
// quilmora_bench_export divide their walks by.

#include "bench/CpuName.h"
#include "bench/WalkBound.h"
#include "engine/FastWalk.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>

using namespace quilmora;

int main(int argc, char** argv)
{
    int runs = 20;
    for (int i = 1; i < argc; ++i)
        if (std::strncmp(argv[i], "--runs=", 7) == 0)
            runs = std::max(1, std::atoi(argv[i] + 7));
    const std::string cpu = CpuName();
    std::printf("CPU: %s, %u cores; best of %d runs\n\n", cpu.c_str(), std::thread::hardware_concurrency(),
                runs);
    std::printf("| target |");
    for (int k : BoundSlots)
        std::printf(" %d in flight |", k);
    std::printf(" bound |\n|---|");
    for (size_t i = 0; i < std::size(BoundSlots); ++i)
        std::printf("---:|");
    std::printf("---:|\n");
    for (int64_t target : FastWalkTargets()) {
        const TWalkBound b = MeasureWalkBound(target, runs);
        std::printf("| %s |", FastWalkTargetName(target));
        for (double rate : b.Rates)
            std::printf(" %.2f G |", rate * 1e-9);
        std::printf(" %.2f G/s (%d) |\n", b.Best * 1e-9, b.BestSlots);
    }
    return 0;
}
