#pragma once
// The bound of the fast walk on this machine: the bare dependency chain of
// one exact iteration (engine/FastWalkStep-inl.h, the kernel's own step and
// its per-step escape check) for several independent vectors in flight, on
// one core, in iterations (pixel steps) per second.

#include <cstdint>
#include <vector>

namespace quilmora {

// Vectors in flight the bound is measured with.
inline constexpr int BoundSlots[] = {4, 6, 8, 10, 12};

struct TWalkBound {
    int64_t Target = 0;
    std::vector<double> Rates;  // iterations/s per entry of BoundSlots
    double Best = 0.0;          // the bound: the best of Rates
    int BestSlots = 0;
};

// Best of 'runs' timed runs of about 'seconds' each for every slot count.
TWalkBound MeasureWalkBound(int64_t target, int runs = 5, double seconds = 0.004);

}  // namespace quilmora
