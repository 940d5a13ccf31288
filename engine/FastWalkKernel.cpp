// Vector kernels of the fast walk, compiled once per Highway target.
//
// Each lane of a double vector carries one pixel's orbit. An iterate is
// computed in double from the float values exactly as SquareColour does it and
// rounded to float by a demote and promote pair, so every lane reproduces the
// scalar orbit bit for bit. Never use MulAdd here: a fused multiply-add rounds
// once where the colouring function rounds twice.
//
// The rounding pair makes one iteration a long dependency chain, so several
// independent vectors (slots) advance together. A lane whose pixel is done is
// refilled with the next pixel at once. The first iterate of every pixel of a
// row segment is computed beforehand in one branch-free pass: most pixels of
// a typical view escape there and never occupy a lane.

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "FastWalkKernel.cpp"
// Slots are arrays of vectors, which sizeless vector types do not allow.
#ifndef HWY_DISABLED_TARGETS
#define HWY_DISABLED_TARGETS (HWY_SVE | HWY_SVE2 | HWY_SVE_256 | HWY_SVE2_128 | HWY_RVV)
#endif
#include <hwy/foreach_target.h>  // IWYU pragma: keep
#include <hwy/highway.h>

#include "FastWalkJob.h"

#include <algorithm>
#include <cstdint>
#include <limits>

HWY_BEFORE_NAMESPACE();
namespace quilmora {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

HWY_INLINE void PutEntry(uchar* p, const TColourEntry& e)
{
    p[0] = e.Blue;
    p[1] = e.Green;
    p[2] = e.Red;
}

// Pixels of one segment still iterating after their first iterate.
struct TPending {
    HWY_ALIGN double X[MaxSegmentWidth + 16];
    HWY_ALIGN double Y[MaxSegmentWidth + 16];
    uchar* Dst[MaxSegmentWidth + 16];
    int Count = 0;
    int Next = 0;
};

// First iterate of every pixel of a unit (one segment of one row). Escaped
// pixels get their colour now; the others go to the pending list. Every
// pixel is given the first-escape colour, which later results overwrite.
template <class D>
HWY_INLINE void FirstIterate(D d, const TWalkJob& job, int unit, TPending& pend)
{
    const hn::Rebind<float, D> df;
    constexpr size_t N = hn::MaxLanes(D());
    const int row = job.RowBegin + unit / job.SegmentsPerRow;
    const int c0 = (unit % job.SegmentsPerRow) * job.SegmentWidth;
    const int c1 = std::min(job.Width, c0 + job.SegmentWidth);
    uchar* const line = job.Bits + row * job.BytesPerLine;
    const int bpp = job.BytesPerPixel;

    // With a limit below 1 the first iterate already passes it: entry 0.
    const bool iterateOn = job.Limit >= 1;
    const TColourEntry first = job.Table[iterateOn ? 1 : 0];

    const auto cx = hn::Set(d, job.Cx);
    const auto cy = hn::Set(d, job.Cy);
    const auto four = hn::Set(d, 4.0);
    const auto zero = hn::Zero(d);
    const auto y = hn::Set(d, static_cast<double>(job.Ys[row]));
    const auto yy = hn::Mul(y, y);

    HWY_ALIGN double nx[N];
    HWY_ALIGN double ny[N];
    int count = 0;
    for (int c = c0; c < c1; c += static_cast<int>(N)) {
        const auto x = hn::PromoteTo(d, hn::LoadU(df, job.Xs + c));
        const auto xy = hn::Mul(x, y);
        const auto x1 = hn::PromoteTo(d, hn::DemoteTo(df, hn::Add(hn::Sub(hn::Mul(x, x), yy), cx)));
        const auto y1 = hn::PromoteTo(d, hn::DemoteTo(df, hn::Add(hn::Add(xy, xy), cy)));
        const auto escaped =
            hn::Ge(hn::Sub(hn::Add(hn::Mul(x1, x1), hn::Mul(y1, y1)), four), zero);
        hn::Store(x1, d, nx);
        hn::Store(y1, d, ny);
        uint8_t bits[8] = {};
        hn::StoreMaskBits(d, escaped, bits);
        const int lanes = std::min(static_cast<int>(N), c1 - c);
        for (int j = 0; j < lanes; ++j) {
            uchar* p = line + (c + j) * bpp;
            PutEntry(p, first);
            pend.X[count] = nx[j];
            pend.Y[count] = ny[j];
            pend.Dst[count] = p;
            count += iterateOn & !((bits[j >> 3] >> (j & 7)) & 1);
        }
    }
    pend.Count = count;
    pend.Next = 0;
}

template <class D, size_t K>
HWY_INLINE void WalkLanes(D d, TWalkJob& job)
{
    using V = hn::Vec<D>;
    using M = hn::Mask<D>;
    const hn::Rebind<float, D> df;
    constexpr size_t N = hn::MaxLanes(D());
    constexpr size_t L = K * N;
    const int64_t limit = job.Limit;
    const TColourEntry* const table = job.Table;

    HWY_ALIGN double lx[L];
    HWY_ALIGN double ly[L];
    int64_t start[L];  // lane's pixel has done (g - start) iterations
    uchar* dst[L];     // null: the lane is idle
    TPending pend;
    pend.Count = pend.Next = 0;

    int64_t g = 0;  // steps taken by every lane
    int64_t deadline = std::numeric_limits<int64_t>::max();  // no later than the first lane passing the limit
    int live = 0;
    bool unitsLeft = true;
    const double idle = std::numeric_limits<double>::quiet_NaN();  // NaN never escapes

    // Puts the next pending pixel into lane i (which holds its first iterate).
    const auto refill = [&](size_t i) {
        while (pend.Next == pend.Count && unitsLeft) {
            const int unit = job.NextUnit.fetch_add(1, std::memory_order_relaxed);
            if (unit >= job.Units) {
                unitsLeft = false;
                break;
            }
            FirstIterate(d, job, unit, pend);
        }
        if (pend.Next == pend.Count) {
            lx[i] = ly[i] = idle;
            dst[i] = nullptr;
            return;
        }
        const int p = pend.Next++;
        lx[i] = pend.X[p];
        ly[i] = pend.Y[p];
        dst[i] = pend.Dst[p];
        start[i] = g - 1;
        deadline = std::min(deadline, start[i] + limit + 1);
        ++live;
    };

    for (size_t i = 0; i < L; ++i)
        refill(i);
    if (live == 0)
        return;

    V x[K], y[K], xx[K], yy[K];
    const auto load = [&](size_t k) {
        x[k] = hn::Load(d, lx + k * N);
        y[k] = hn::Load(d, ly + k * N);
        xx[k] = hn::Mul(x[k], x[k]);
        yy[k] = hn::Mul(y[k], y[k]);
    };
    for (size_t k = 0; k < K; ++k)
        load(k);

    const V cx = hn::Set(d, job.Cx);
    const V cy = hn::Set(d, job.Cy);
    const V four = hn::Set(d, 4.0);
    const V zero = hn::Zero(d);

    for (;;) {
        M escaped[K];
#pragma GCC unroll 16
        for (size_t k = 0; k < K; ++k) {
            // x' = (x*x - y*y) + Cx, y' = (x*y)*2 + Cy, each rounded to float.
            const V xy = hn::Mul(x[k], y[k]);
            const V nx = hn::Add(hn::Sub(xx[k], yy[k]), cx);
            const V ny = hn::Add(hn::Add(xy, xy), cy);
            x[k] = hn::PromoteTo(d, hn::DemoteTo(df, nx));
            y[k] = hn::PromoteTo(d, hn::DemoteTo(df, ny));
            xx[k] = hn::Mul(x[k], x[k]);
            yy[k] = hn::Mul(y[k], y[k]);
            escaped[k] = hn::Ge(hn::Sub(hn::Add(xx[k], yy[k]), four), zero);
        }
        ++g;
        M any = escaped[0];
#pragma GCC unroll 16
        for (size_t k = 1; k < K; ++k)
            any = hn::Or(any, escaped[k]);

        if (HWY_UNLIKELY(!hn::AllFalse(d, any))) {
            for (size_t k = 0; k < K; ++k) {
                if (hn::AllFalse(d, escaped[k]))
                    continue;
                hn::Store(x[k], d, lx + k * N);
                hn::Store(y[k], d, ly + k * N);
                uint8_t bits[8] = {};
                hn::StoreMaskBits(d, escaped[k], bits);
                for (size_t j = 0; j < N; ++j) {
                    if (!((bits[j >> 3] >> (j & 7)) & 1))
                        continue;
                    const size_t i = k * N + j;
                    const int64_t n = g - start[i];
                    PutEntry(dst[i], table[n > limit ? 0 : n]);
                    --live;
                    refill(i);
                }
                load(k);
            }
        }
        if (HWY_UNLIKELY(g >= deadline)) {
            // Some lane may have passed the limit: its pixel gets entry 0.
            for (size_t k = 0; k < K; ++k) {
                hn::Store(x[k], d, lx + k * N);
                hn::Store(y[k], d, ly + k * N);
            }
            deadline = std::numeric_limits<int64_t>::max();
            for (size_t i = 0; i < L; ++i) {
                if (!dst[i])
                    continue;
                if (g - start[i] > limit) {
                    PutEntry(dst[i], table[0]);
                    --live;
                    refill(i);
                } else {
                    deadline = std::min(deadline, start[i] + limit + 1);
                }
            }
            for (size_t k = 0; k < K; ++k)
                load(k);
        }
        if (HWY_UNLIKELY(live == 0))
            return;
    }
}

// Slots in flight: enough independent vectors to hide the latency of one
// iteration, as many as the register file holds without spilling much.
#if HWY_TARGET == HWY_AVX3 || HWY_TARGET == HWY_AVX3_DL
constexpr size_t SlotCount = 6;
#else
constexpr size_t SlotCount = 4;
#endif

void WalkUnits(TWalkJob* job)
{
    const hn::ScalableTag<double> d;
    WalkLanes<decltype(d), SlotCount>(d, *job);
}

// NOLINTNEXTLINE(google-readability-namespace-comments)
}  // namespace HWY_NAMESPACE
}  // namespace quilmora
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
#include <vector>

namespace quilmora {

HWY_EXPORT(WalkUnits);

std::vector<int64_t> KernelTargets()
{
    std::vector<int64_t> targets;
    for (int64_t bits = hwy::SupportedTargets() & HWY_TARGETS; bits != 0; bits &= bits - 1)
        targets.push_back(bits & -bits);
    return targets;
}

TWalkKernel KernelFor(int64_t target)
{
    hwy::ChosenTarget chosen;
    chosen.Update(target);
    return HWY_DISPATCH_TABLE(WalkUnits)[chosen.GetIndex()];
}

const char* KernelTargetName(int64_t target)
{
    return hwy::TargetName(target);
}

}  // namespace quilmora
#endif  // HWY_ONCE
