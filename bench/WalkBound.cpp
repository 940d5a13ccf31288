// The bare chain of the fast walk, compiled once per Highway target like the
// kernel itself (same targets, same step).

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "bench/WalkBound.cpp"
#ifndef HWY_DISABLED_TARGETS
#define HWY_DISABLED_TARGETS (HWY_SVE | HWY_SVE2 | HWY_SVE_256 | HWY_SVE2_128 | HWY_RVV)
#endif
#include <hwy/foreach_target.h>  // IWYU pragma: keep
#include <hwy/highway.h>

#include "engine/FastWalkStep-inl.h"

#include <cstdint>

HWY_BEFORE_NAMESPACE();
namespace quilmora {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

// 'steps' iterations of K vectors of orbits in the basin of the attracting
// 3-cycle of C = -0.12+0.75i (they never escape, never get subnormal), with
// the kernel's test after every step: any lane escaped, or the step counter
// at the deadline. The iterates end in *sink. Returns the pixel steps done.
template <size_t K>
int64_t Chain(int64_t steps, int64_t deadline, double* sink)
{
    using V = hn::Vec<hn::ScalableTag<double>>;
    const hn::ScalableTag<double> d;
    const V cx = hn::Set(d, -0.12);
    const V cy = hn::Set(d, 0.75);
    const V four = hn::Set(d, 4.0);
    V x[K], y[K], yy[K];
    for (size_t k = 0; k < K; ++k) {
        x[k] = hn::MulAdd(hn::Iota(d, 0.0), hn::Set(d, 1e-3), hn::Set(d, 0.01 * double(k)));
        y[k] = hn::Set(d, -0.005 * double(k));
        yy[k] = hn::Mul(y[k], y[k]);
    }
    int64_t g = 0;
    while (g < steps) {
        auto any = hn::FirstN(d, 0);
#pragma GCC unroll 16
        for (size_t k = 0; k < K; ++k)
            any = hn::Or(any, IterateExactly(d, x[k], y[k], yy[k], cx, cy, four));
        ++g;
        if (HWY_UNLIKELY(!hn::AllFalse(d, any) || g >= deadline))
            break;
    }
    V sum = hn::Zero(d);
    for (size_t k = 0; k < K; ++k)
        sum = hn::Add(sum, hn::Add(x[k], y[k]));
    *sink = hn::GetLane(hn::SumOfLanes(d, sum));
    return g * static_cast<int64_t>(K * hn::Lanes(d));
}

int64_t BoundChain(int slots, int64_t steps, int64_t deadline, double* sink)
{
    switch (slots) {
    case 4: return Chain<4>(steps, deadline, sink);
    case 6: return Chain<6>(steps, deadline, sink);
    case 8: return Chain<8>(steps, deadline, sink);
    case 10: return Chain<10>(steps, deadline, sink);
    case 12: return Chain<12>(steps, deadline, sink);
    default: return 0;
    }
}

// NOLINTNEXTLINE(google-readability-namespace-comments)
}  // namespace HWY_NAMESPACE
}  // namespace quilmora
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
#include "bench/WalkBound.h"

#include <algorithm>
#include <chrono>
#include <limits>

namespace quilmora {

HWY_EXPORT(BoundChain);

namespace {
// Read at run time, so the compiler knows neither the steps nor the deadline.
volatile int64_t Never = std::numeric_limits<int64_t>::max();
volatile double Sink = 0.0;
}  // namespace

TWalkBound MeasureWalkBound(int64_t target, int runs, double seconds)
{
    hwy::ChosenTarget chosen;
    chosen.Update(target);
    const auto chain = HWY_DISPATCH_TABLE(BoundChain)[chosen.GetIndex()];
    const auto timed = [&](int slots, int64_t steps, double& rate) {
        double sink = 0.0;
        const auto begin = std::chrono::steady_clock::now();
        const int64_t done = chain(slots, steps, Never, &sink);
        const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
        Sink = sink;
        rate = s > 0 ? double(done) / s : 0.0;
        return s;
    };
    TWalkBound b;
    b.Target = target;
    for (int slots : BoundSlots) {
        int64_t steps = 1024;
        double rate = 0.0, took = 0.0;
        while ((took = timed(slots, steps, rate)) < seconds / 4)
            steps *= 2;
        steps = std::max<int64_t>(1, int64_t(double(steps) * seconds / took));
        double best = 0.0;
        for (int run = 0; run < runs; ++run) {
            timed(slots, steps, rate);
            best = std::max(best, rate);
        }
        b.Rates.push_back(best);
        if (best > b.Best) {
            b.Best = best;
            b.BestSlots = slots;
        }
    }
    return b;
}

}  // namespace quilmora
#endif  // HWY_ONCE
