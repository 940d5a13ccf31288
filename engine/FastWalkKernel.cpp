// Vector kernels of the fast walk, compiled once per Highway target.
//
// Each lane of a double vector carries one pixel's orbit. An iterate is
// computed in double from the float values exactly as SquareColour does it and
// rounded to float by a demote and promote pair, so every lane reproduces the
// scalar orbit bit for bit. Fused multiply-adds appear only where the product
// is of two float values: such a product is exact in double (24-bit
// significands give at most 48 bits), so the fused form rounds exactly once,
// as the separate multiply and add do. Nowhere else: there a fused form would
// round once where the colouring function rounds twice.
//
// The rounding pair makes one iteration a long dependency chain, so several
// independent vectors (slots) advance together. A lane whose pixel is done is
// refilled with the next pixel at once. The first iterations of every pixel of
// a row segment are computed beforehand in a branch-free pass: most pixels of
// a typical view escape there and never occupy a lane. Inside the set, where
// a whole segment survives that pass, the next few segments skip it: their
// pixels go to the lanes after the first iteration, which is faster there.
//
// The kernels of the second half also check each lane's orbit for a cycle:
// its iterate is saved now and then and compared with later ones. The state
// of an orbit is the pair (x, y) alone, each step computing the next pair
// from it and C, the escape test reading only the new pair; so once the pair
// equals a saved one, with no escape in between, the orbit repeats forever
// and never escapes: the pixel is interior, exactly as if it had iterated to
// the limit. The pairs compare as doubles, where +0 equals -0: the sign of a
// zero changes only the sign of later zeros, never a square, a sum's
// magnitude or an escape test. NaN equals nothing, so such orbits run to the
// limit as before. The saves follow FastWalkJob.h's schedule, gaps growing
// with the orbit as in Brent's cycle finding, and the x of every lane is
// compared every CycleCompareEvery steps, the whole pair where an x matches:
// once a save lies on the cycle and a gap holds a common multiple of the
// cycle's length and that step, the repeat is seen, whatever that length.
//
// The escape test (x*x + y*y) - 4 >= 0 is evaluated as x*x + y*y >= 4, which
// decides alike for every double s = x*x + y*y: for s >= 4 the rounded s - 4
// is >= 0; for s < 4, s is at most 4 - 2^-51 and s - 4 is exact and negative;
// infinity passes and NaN fails both forms.

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "engine/FastWalkKernel.cpp"
// Slots are arrays of vectors, which sizeless vector types do not allow.
#ifndef HWY_DISABLED_TARGETS
#define HWY_DISABLED_TARGETS (HWY_SVE | HWY_SVE2 | HWY_SVE_256 | HWY_SVE2_128 | HWY_RVV)
#endif
#include <hwy/foreach_target.h>  // IWYU pragma: keep
#include <hwy/highway.h>

#include "engine/FastWalkStep-inl.h"

#include "engine/FastWalkJob.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <utility>

HWY_BEFORE_NAMESPACE();
namespace quilmora {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

HWY_INLINE void PutEntry(uchar* p, uint32_t colour)
{
    p[0] = static_cast<uchar>(colour);
    p[1] = static_cast<uchar>(colour >> 8);
    p[2] = static_cast<uchar>(colour >> 16);
}

// Pixels of one segment still iterating after the pre-pass, each with its
// last iterate, all of them after the same number of iterations.
struct TPending {
    HWY_ALIGN double X[MaxSegmentWidth + 16];
    HWY_ALIGN double Y[MaxSegmentWidth + 16];
    uchar* Dst[MaxSegmentWidth + 16];
    int Count = 0;
    int Next = 0;
    int64_t Steps = 0;
};

// Stores the lanes of v where m is set, in lane order, at dst (which has
// room for a whole vector).
template <class D>
HWY_INLINE void PackInto(D d, hn::Vec<D> v, hn::Mask<D> m, unsigned bits, double* HWY_RESTRICT dst)
{
#if HWY_TARGET == HWY_AVX3 || HWY_TARGET == HWY_AVX3_DL
    (void)d;
    (void)bits;
    _mm512_storeu_pd(dst, _mm512_maskz_compress_pd(m.raw, v.raw));
#else
    (void)m;
    constexpr size_t N = hn::MaxLanes(D());
    static_assert(N <= 4, "table of 2^N rows");
    // Row 'bits': the set lanes of 'bits' in order, then lane 0.
    struct TTable {
        HWY_ALIGN int64_t Index[1 << N][N];
        constexpr TTable() : Index{}
        {
            for (size_t b = 0; b < (size_t(1) << N); ++b) {
                size_t k = 0;
                for (size_t j = 0; j < N; ++j)
                    if ((b >> j) & 1)
                        Index[b][k++] = static_cast<int64_t>(j);
            }
        }
    };
    static constexpr TTable table;
    hn::StoreU(hn::TableLookupLanes(v, hn::SetTableIndices(d, table.Index[bits])), d, dst);
#endif
}

// The first PreSteps iterations of every pixel of a unit (one segment of one
// row), branch-free. A lane costs far more per escape than an iteration here,
// so the many pixels that escape within a few iterations get their colour
// now; the others go to the pending list. The first iteration runs over the
// whole segment; only its survivors, packed, take the further iterations.
// With 'brief' the survivors of the first iteration go to the pending list
// as they are: inside the set the lanes take the further iterations faster.
// Returns whether no survivor escaped in the further iterations.
template <class D, int64_t PreSteps, size_t PreGroup>
HWY_INLINE bool PreIterate(D d, const TWalkJob& job, int unit, TPending& pend, bool brief, int64_t& iterations)
{
    using V = hn::Vec<D>;
    using M = hn::Mask<D>;
    const hn::Rebind<float, D> df;
    constexpr size_t N = hn::MaxLanes(D());
    constexpr int Span = static_cast<int>(N * PreGroup);
    static_assert(Span <= 128, "packed survivors are padded for whole groups");
    const int row = job.RowBegin + unit / job.SegmentsPerRow;
    const int c0 = (unit % job.SegmentsPerRow) * job.SegmentWidth;
    const int c1 = std::min(job.Width, c0 + job.SegmentWidth);
    uchar* const line = job.Bits + qsizetype(row - job.FirstRow) * job.BytesPerLine;
    const int bpp = job.BytesPerPixel;
    const int64_t limit = job.Limit;
    const uint32_t* const table = job.Colours;
    pend.Count = pend.Next = 0;
    pend.Steps = brief ? 1 : PreSteps;

    if (limit < 1) {
        // The first iterate already passes the limit: entry 0 everywhere.
        for (int c = c0; c < c1; ++c)
            PutEntry(line + c * bpp, table[0]);
        iterations += (c1 - c0) * std::max<int64_t>(limit + 1, 0);
        return false;
    }

    const V cx = hn::Set(d, job.Cx);
    const V cy = hn::Set(d, job.Cy);
    const V four = hn::Set(d, 4.0);
    const V y0 = hn::Set(d, static_cast<double>(job.Ys[row]));
    const V yy0 = hn::Mul(y0, y0);
    const V y0twice = hn::Add(y0, y0);

    // First iteration of every pixel; those escaping get entry 1 (with vectors
    // of 8 only they; otherwise every pixel, for now).
    HWY_ALIGN double survivorsX[MaxSegmentWidth + 128];
    HWY_ALIGN double survivorsY[MaxSegmentWidth + 128];
    double* const sx = brief ? pend.X : survivorsX;
    double* const sy = brief ? pend.Y : survivorsY;
    HWY_ALIGN double sc[MaxSegmentWidth + 128];
    const uint32_t first = table[1];
#if HWY_TARGET == HWY_AVX3 || HWY_TARGET == HWY_AVX3_DL
    // Entry 1 at every pixel's place in 32 bytes, and the first byte of
    // each pixel's place as a bit.
    const unsigned pixelStarts = bpp == 4 ? 0x11111111u : 0x00249249u;
    HWY_ALIGN uint8_t bytes[32];
    for (int j = 0; j < 32; ++j)
        bytes[j] = static_cast<uint8_t>(first >> (8 * (j % bpp)));
    const __m256i firstBytes = _mm256_load_si256(reinterpret_cast<const __m256i*>(bytes));
#else
    const hn::Rebind<uint32_t, D> du;
    const auto keep = hn::Set(du, 0xFF000000u);
    const auto firstBits = hn::Set(du, first);
#endif
    // The line's bytes of this unit are written later; ask for them now.
    for (int b = c0 * bpp; b < c1 * bpp; b += 64)
        __builtin_prefetch(line + b, 1);
    size_t survivors = 0;
    for (int c = c0; c < c1; c += static_cast<int>(N)) {
        const V x = hn::PromoteTo(d, hn::LoadU(df, job.Xs + c));
        const V x1 = hn::PromoteTo(d, hn::DemoteTo(df, hn::Add(hn::MulSub(x, x, yy0), cx)));
        const V y1 = hn::PromoteTo(d, hn::DemoteTo(df, hn::MulAdd(x, y0twice, cy)));
        const M stays = hn::And(hn::FirstN(d, static_cast<size_t>(c1 - c)),
                                hn::Not(hn::Ge(hn::MulAdd(x1, x1, hn::Mul(y1, y1)), four)));
        uint8_t maskBits[8] = {};
        hn::StoreMaskBits(d, stays, maskBits);
        const unsigned bits = maskBits[0];
        PackInto(d, x1, stays, bits, sx + survivors);
        PackInto(d, y1, stays, bits, sy + survivors);
        PackInto(d, hn::Add(hn::Iota(d, 0.0), hn::Set(d, double(c))), stays, bits, sc + survivors);
        survivors += hwy::PopCount(bits);
        const int lanes = std::min(static_cast<int>(N), c1 - c);
        iterations += lanes - static_cast<int>(hwy::PopCount(bits));
#if HWY_TARGET == HWY_AVX3 || HWY_TARGET == HWY_AVX3_DL
        // Only the escaped pixels' colour bytes: the line is not read, and
        // the survivors are written once, when they are done.
        static_assert(N == 8, "a vector's pixels span at most 32 bytes");
        const unsigned escaped = ((1u << lanes) - 1) & ~bits;
        if (escaped != 0)
            _mm256_mask_storeu_epi8(line + c * bpp, _pdep_u32(escaped, pixelStarts) * 7, firstBytes);
#else
        if (std::endian::native == std::endian::little && bpp == 4 && lanes == static_cast<int>(N)) {
            // Whole 32-bit pixels at once; their fourth byte stays as it was.
            uint32_t* p = reinterpret_cast<uint32_t*>(line + c * 4);
            hn::StoreU(hn::Or(hn::And(hn::LoadU(du, p), keep), firstBits), du, p);
        } else {
            for (int j = 0; j < lanes; ++j)
                PutEntry(line + (c + j) * bpp, first);
        }
#endif
    }

    if (brief) {
        for (size_t j = 0; j < survivors; ++j)
            pend.Dst[j] = line + static_cast<int>(sc[j]) * bpp;
        pend.Count = static_cast<int>(survivors);
        return false;
    }

    // Iterations 2 .. PreSteps of the survivors; with a small limit the
    // pre-pass ends on it and the rest is interior.
    const int64_t steps = std::min(PreSteps, limit + 1);
    int count = 0;
    for (size_t s = 0; s < survivors; s += Span) {
        V x[PreGroup], y[PreGroup], n[PreGroup];
        M done[PreGroup];
#pragma GCC unroll 8
        for (size_t v = 0; v < PreGroup; ++v) {
            x[v] = hn::Load(d, sx + s + v * N);
            y[v] = hn::Load(d, sy + s + v * N);
            n[v] = hn::Zero(d);
            const size_t at = s + v * N;
            done[v] = hn::Not(hn::FirstN(d, at < survivors ? survivors - at : 0));
        }
        bool interior = false;  // survivors passed the limit
        for (int64_t i = 2; i <= steps; ++i) {
            const V step = hn::Set(d, static_cast<double>(i));
            M all = hn::Not(hn::FirstN(d, 0));
#pragma GCC unroll 8
            for (size_t v = 0; v < PreGroup; ++v) {
                // (x*x - y*y) + Cx and (x*y)*2 + Cy with exact float products.
                const V nx = hn::Add(hn::MulSub(x[v], x[v], hn::Mul(y[v], y[v])), cx);
                const V ny = hn::MulAdd(x[v], hn::Add(y[v], y[v]), cy);
                x[v] = hn::PromoteTo(d, hn::DemoteTo(df, nx));
                y[v] = hn::PromoteTo(d, hn::DemoteTo(df, ny));
            }
            if (i > limit) {
                interior = true;
                break;
            }
#pragma GCC unroll 8
            for (size_t v = 0; v < PreGroup; ++v) {
                const M escaped = hn::Ge(hn::MulAdd(x[v], x[v], hn::Mul(y[v], y[v])), four);
                n[v] = hn::IfThenElse(hn::AndNot(done[v], escaped), step, n[v]);
                done[v] = hn::Or(done[v], escaped);
                all = hn::And(all, done[v]);
            }
            if (hn::AllTrue(d, all))
                break;
        }

        HWY_ALIGN double px[Span];
        HWY_ALIGN double py[Span];
        HWY_ALIGN double pn[Span];
#pragma GCC unroll 8
        for (size_t v = 0; v < PreGroup; ++v) {
            hn::Store(x[v], d, px + v * N);
            hn::Store(y[v], d, py + v * N);
            // Still iterating: 0, which is also the interior entry.
            hn::Store(n[v], d, pn + v * N);
        }
        const int lanes = static_cast<int>(std::min<size_t>(Span, survivors - s));
        for (int j = 0; j < lanes; ++j) {
            uchar* p = line + static_cast<int>(sc[s + j]) * bpp;
            const int escapedAt = static_cast<int>(pn[j]);
            PutEntry(p, table[escapedAt]);
            iterations += escapedAt != 0 ? escapedAt : interior ? limit + 1 : 0;
            pend.X[count] = px[j];
            pend.Y[count] = py[j];
            pend.Dst[count] = p;
            count += !interior & (escapedAt == 0);
        }
    }
    pend.Count = count;
    return count == c1 - c0;
}

// Lanes of v where m is set take the next values from src in lane order;
// src is readable for a whole vector.
template <class D>
HWY_INLINE hn::Vec<D> ExpandInto(D d, hn::Vec<D> v, hn::Mask<D> m, unsigned bits,
                                 const double* HWY_RESTRICT src)
{
#if HWY_TARGET == HWY_AVX3 || HWY_TARGET == HWY_AVX3_DL
    (void)d;
    (void)bits;
    return hn::Vec<D>{_mm512_mask_expand_pd(v.raw, m.raw, _mm512_loadu_pd(src))};
#else
    constexpr size_t N = hn::MaxLanes(D());
    static_assert(N <= 4, "table of 2^N rows");
    // Row 'bits': lane j takes element (number of set bits of 'bits' below j).
    struct TTable {
        HWY_ALIGN int64_t Index[1 << N][N];
        constexpr TTable() : Index{}
        {
            for (size_t b = 0; b < (size_t(1) << N); ++b) {
                int64_t rank = 0;
                for (size_t j = 0; j < N; ++j) {
                    Index[b][j] = (b >> j) & 1 ? rank : 0;
                    rank += (b >> j) & 1;
                }
            }
        }
    };
    static constexpr TTable table;
    const auto moved = hn::TableLookupLanes(hn::LoadU(d, src), hn::SetTableIndices(d, table.Index[bits]));
    return hn::IfThenElse(m, moved, v);
#endif
}

// Writes the colours of the pixels in the lanes set in 'bits', which are
// done at step g: gl is g + limit + 1, so a lane has done gl - due
// iterations, and past the limit its pixel is interior, as it is where its
// orbit closed (set in 'closed'). Returns the iterations they took.
HWY_INLINE int64_t WriteDone(unsigned bits, unsigned closed, int64_t gl, int64_t limit,
                             const uint32_t* HWY_RESTRICT colours, uchar* const* dst, const double* due)
{
    int64_t iterations = 0;
    for (unsigned b = bits; b != 0; b &= b - 1) {
        const size_t i = hwy::Num0BitsBelowLS1Bit_Nonzero32(b);
        const int64_t n = gl - static_cast<int64_t>(due[i]);
        iterations += n;
        PutEntry(dst[i], colours[n > limit || ((closed >> i) & 1) ? 0 : n]);
    }
    return iterations;
}

// The lanes set in m (bits) take the next pending pixels from 'from', all
// passing the limit at step laneDue, of unit 'unit'.
template <class D>
HWY_INLINE void MoveIn(D d, hn::Mask<D> m, unsigned bits, uchar* const* HWY_RESTRICT from, double laneDue,
                       int unit, uchar** dst, double* due, int* unitOf)
{
#if HWY_TARGET == HWY_AVX3 || HWY_TARGET == HWY_AVX3_DL
    (void)bits;
    _mm512_store_si512(dst, _mm512_mask_expand_epi64(_mm512_load_si512(dst), m.raw, _mm512_loadu_si512(from)));
    auto* units = reinterpret_cast<__m256i*>(unitOf);
    _mm256_store_si256(units, _mm256_mask_mov_epi32(_mm256_load_si256(units), m.raw, _mm256_set1_epi32(unit)));
#else
    int p = 0;
    for (unsigned b = bits; b != 0; b &= b - 1, ++p) {
        const size_t i = hwy::Num0BitsBelowLS1Bit_Nonzero32(b);
        dst[i] = from[p];
        unitOf[i] = unit;
    }
#endif
    hn::Store(hn::IfThenElse(m, hn::Set(d, laneDue), hn::Load(d, due)), d, due);
}

// Where a coordinate of the iterate equals the saved one: exactly, as
// doubles (+0 equals -0, NaN nothing).
template <class D>
HWY_INLINE hn::Mask<D> Repeats(D, hn::Vec<D> v, hn::Vec<D> saved)
{
    return hn::Eq(v, saved);
}

// The saves due at step g of K slots' lanes: each saves its iterate (lx,
// ly), and its next save falls on the next multiple of the largest power of
// two up to the iterations its pixel has done (CycleFirstSaveInside at
// least): the gaps grow with the orbit, and lanes of orbits alike in age save
// at the same steps. slotSave holds each slot's first save; saveDeadline
// becomes the first of all.
template <class D, size_t K>
HWY_INLINE void SaveDue(D d, int64_t g, int64_t limit, const double* lx, const double* ly, const double* due,
                        double* savedX, double* savedY, double* saveAt, int64_t* slotSave, int64_t& saveDeadline)
{
    using V = hn::Vec<D>;
    constexpr size_t N = hn::MaxLanes(D());
    const hn::RebindToUnsigned<D> du;
    const auto exponent = hn::Set(du, 0x7FF0000000000000ull);
    const V least = hn::Set(d, double(CycleFirstSaveInside));
    const V now = hn::Set(d, static_cast<double>(g));
    const V gl = hn::Set(d, static_cast<double>(g + limit + 1));
    saveDeadline = std::numeric_limits<int64_t>::max();
    for (size_t k = 0; k < K; ++k) {
        if (g >= slotSave[k]) {
            const V at = hn::Load(d, saveAt + k * N);
            const auto save = hn::Ge(now, at);
            hn::BlendedStore(hn::Load(d, lx + k * N), save, d, savedX + k * N);
            hn::BlendedStore(hn::Load(d, ly + k * N), save, d, savedY + k * N);
            const V iterated = hn::Sub(gl, hn::Load(d, due + k * N));
            const V gap = hn::Max(least, hn::BitCast(d, hn::And(hn::BitCast(du, iterated), exponent)));
            const V following = hn::Mul(hn::Floor(hn::Add(hn::Div(now, gap), hn::Set(d, 1.0))), gap);
            const V nextAt = hn::IfThenElse(save, following, at);
            hn::Store(nextAt, d, saveAt + k * N);
            const double next = hn::GetLane(hn::MinOfLanes(d, nextAt));
            slotSave[k] = next < 9e18 ? static_cast<int64_t>(next) : std::numeric_limits<int64_t>::max();
        }
        saveDeadline = std::min(saveDeadline, slotSave[k]);
    }
}

template <class D, size_t K, int64_t PreSteps, size_t PreGroup, bool Cycles>
HWY_INLINE void WalkLanes(D d, TWalkJob& job)
{
    using V = hn::Vec<D>;
    using M = hn::Mask<D>;
    constexpr size_t N = hn::MaxLanes(D());
    constexpr size_t L = K * N;
    static_assert(N <= 8, "a slot's escapes fit in a byte");
    const int64_t limit = job.Limit;
    const uint32_t* const table = job.Colours;

    HWY_ALIGN double lx[L];
    HWY_ALIGN double ly[L];
    // Step at which the lane's pixel passes the limit: at step g it has done
    // g + limit + 1 - due iterations.
    HWY_ALIGN double due[L];
    HWY_ALIGN uchar* dst[L];  // null: the lane is idle
    HWY_ALIGN int unitOf[L];  // unit of the lane's pixel, in a banded walk
    // The lane's saved iterate (x NaN: none yet) and the step of its next save.
    HWY_ALIGN double savedX[L];
    HWY_ALIGN double savedY[L];
    HWY_ALIGN double saveAt[L];
    TPending pend;
    pend.Count = pend.Next = 0;
    int pendUnit = 0;  // unit of the pending pixels
    // Units still to skip the pre-pass for, and how many the last quiet
    // unit granted: each quiet unit that follows such a run grants twice as
    // many, up to a limit, so that deep inside the set the pre-pass is rare.
    constexpr int FirstBriefRun = 3;
    constexpr int LongestBriefRun = 48;
    int briefUnits = 0;
    int briefRun = 0;
    int* const outstanding = job.Outstanding;
    int64_t iterations = 0;
    // A banded walk counts every unit whose pixels are all written.
    const auto finished = [&job](int unit) {
        job.BandDone[unit / job.BandUnits].fetch_add(1, std::memory_order_release);
    };
    const auto written = [&](size_t i) {
        if (outstanding && --outstanding[unitOf[i]] == 0)
            finished(unitOf[i]);
    };

    int64_t g = 0;  // steps taken by every lane
    // No later than the first due step, and than the first save; int64 so
    // the per-step test stays off the vector units.
    constexpr int64_t Never = std::numeric_limits<int64_t>::max();
    int64_t dueDeadline = Never;
    int64_t saveDeadline = Never;
    int64_t slotSave[K];  // first save due in each slot
    // Whether any lane has saved an iterate: until then there is nothing to
    // compare with (views whose pixels all escape or pass the limit before
    // their first save pay for the check almost nothing).
    bool anySaved = false;
    std::fill_n(slotSave, K, Never);
    int64_t deadline = Never;
    int live = 0;
    bool unitsLeft = true;
    // Units this thread has taken and not yet begun: [taken, takenEnd).
    int taken = 0;
    int takenEnd = 0;
    const double idle = std::numeric_limits<double>::quiet_NaN();  // NaN never escapes nor repeats
    // The first save of a pixel entering at step 'now' after 'steps'
    // iterations: on the first multiple of F from its iteration F on, where F
    // is CycleFirstSave, or CycleFirstSaveInside for a pixel that skipped the
    // pre-pass deep inside the set.
    const auto firstSave = [](int64_t now, int64_t steps) {
        const int64_t from = steps < PreSteps ? CycleFirstSaveInside : CycleFirstSave;
        // from is a power of two
        return (std::max(now, now + from - steps) & ~(from - 1)) + from;
    };

    // Puts the next pending pixel into lane i of lx, ly (its last iterate),
    // running the pre-pass of the next unit when the list is used up.
    const auto refill = [&](size_t i, int64_t now) {
        while (pend.Next == pend.Count && unitsLeft) {
            if (job.Poll)
                job.Poll(job.PollContext);
            if (taken == takenEnd) {
                taken = job.NextUnit.fetch_add(job.UnitsPerTake, std::memory_order_relaxed);
                takenEnd = taken + job.UnitsPerTake;
            }
            const int unit = taken++;
            if (unit >= job.Units) {
                unitsLeft = false;
                break;
            }
            // After a unit whose survivors all took the whole pre-pass, the
            // next few take the lanes at once.
            const bool brief = briefUnits > 0;
            if (PreIterate<D, PreSteps, PreGroup>(d, job, unit, pend, brief, iterations)) {
                briefRun = briefRun == 0 ? FirstBriefRun : std::min(2 * briefRun, LongestBriefRun);
                briefUnits = briefRun;
            } else if (brief) {
                --briefUnits;
            } else {
                briefRun = 0;
            }
            pendUnit = unit;
            if (outstanding) {
                outstanding[unit] = pend.Count;
                if (pend.Count == 0)
                    finished(unit);
            }
        }
        if (pend.Next == pend.Count) {
            lx[i] = ly[i] = savedX[i] = savedY[i] = idle;
            dst[i] = nullptr;
            due[i] = saveAt[i] = HUGE_VAL;
            return false;
        }
        const int p = pend.Next++;
        lx[i] = pend.X[p];
        ly[i] = pend.Y[p];
        savedX[i] = savedY[i] = idle;
        dst[i] = pend.Dst[p];
        unitOf[i] = pendUnit;
        due[i] = static_cast<double>(now - pend.Steps + limit + 1);
        dueDeadline = std::min(dueDeadline, now - pend.Steps + limit + 1);
        if (Cycles) {
            const int64_t at = firstSave(now, pend.Steps);
            saveAt[i] = static_cast<double>(at);
            slotSave[i / N] = std::min(slotSave[i / N], at);
            saveDeadline = std::min(saveDeadline, at);
        }
        return true;
    };

    for (size_t i = 0; i < L; ++i)
        live += refill(i, g);
    if (live == 0) {
        job.Iterations.fetch_add(iterations, std::memory_order_relaxed);
        return;
    }
    deadline = std::min(dueDeadline, saveDeadline);

    const V cx = hn::Set(d, job.Cx);
    const V cy = hn::Set(d, job.Cy);
    const V four = hn::Set(d, 4.0);
    V x[K], y[K], yy[K];
#pragma GCC unroll 16
    for (size_t k = 0; k < K; ++k) {
        x[k] = hn::Load(d, lx + k * N);
        y[k] = hn::Load(d, ly + k * N);
        yy[k] = hn::Mul(y[k], y[k]);
    }

    for (;;) {
        M any = hn::FirstN(d, 0);
#pragma GCC unroll 16
        for (size_t k = 0; k < K; ++k)
            any = hn::Or(any, IterateExactly(d, x[k], y[k], yy[k], cx, cy, four));
        ++g;
        if (Cycles && anySaved && g % CycleCompareEvery == 0) {
            // A repeated x sends the lanes to the test of the whole pair. The
            // saved values are read here each time: kept in registers over
            // the loop, they would push the iterates out of them.
            const double* saved = savedX;
            asm("" : "+r"(saved));
#pragma GCC unroll 16
            for (size_t k = 0; k < K; ++k)
                any = hn::Or(any, Repeats(d, x[k], hn::Load(d, saved + k * N)));
        }
        const bool pastDeadline = g >= deadline;
        if (HWY_LIKELY(hn::AllFalse(d, any) && !pastDeadline))
            continue;

        // Each slot's escapes once more, in the literal form of the test, so
        // that the compiler keeps no masks of the steps above alive; and the
        // orbits that closed.
        M done[K];
        unsigned closedBits[K] = {};
        const V zero = hn::Zero(d);
        const V now = hn::Set(d, static_cast<double>(g));
        // Whole pairs are compared only where an x came back.
        bool repeated = false;
        if (Cycles) {
            if (anySaved && g % CycleCompareEvery == 0) {
                M same = hn::FirstN(d, 0);
                for (size_t k = 0; k < K; ++k)
                    same = hn::Or(same, Repeats(d, x[k], hn::Load(d, savedX + k * N)));
                repeated = !hn::AllFalse(d, same);
            }
            if (repeated || g >= saveDeadline) {
                // Rare work on the iterates in memory: kept in registers
                // through it, they would be spilled on every step above.
#pragma GCC unroll 16
                for (size_t k = 0; k < K; ++k) {
                    hn::Store(x[k], d, lx + k * N);
                    hn::Store(y[k], d, ly + k * N);
                }
                asm volatile("" ::: "memory");
                if (repeated)
                    for (size_t k = 0; k < K; ++k) {
                        const M closed = hn::And(Repeats(d, hn::Load(d, lx + k * N), hn::Load(d, savedX + k * N)),
                                                 Repeats(d, hn::Load(d, ly + k * N), hn::Load(d, savedY + k * N)));
                        uint8_t closedMask[8] = {};
                        hn::StoreMaskBits(d, closed, closedMask);
                        closedBits[k] = closedMask[0];
                    }
                if (g >= saveDeadline) {
                    SaveDue<D, K>(d, g, limit, lx, ly, due, savedX, savedY, saveAt, slotSave, saveDeadline);
                    anySaved = true;
                }
#pragma GCC unroll 16
                for (size_t k = 0; k < K; ++k) {
                    x[k] = hn::Load(d, lx + k * N);
                    y[k] = hn::Load(d, ly + k * N);
                    yy[k] = hn::Mul(y[k], y[k]);
                }
            }
        }
#pragma GCC unroll 16
        for (size_t k = 0; k < K; ++k) {
            done[k] = hn::Ge(hn::Sub(hn::MulAdd(x[k], x[k], yy[k]), four), zero);
            if (Cycles && repeated) {
                uint8_t closedMask[8] = {static_cast<uint8_t>(closedBits[k])};
                done[k] = hn::Or(done[k], hn::LoadMaskBits(d, closedMask));
            }
        }

        // Lanes that escaped, closed their orbit or passed the limit hand
        // over to the next pixels.
        if (g >= dueDeadline) {
#pragma GCC unroll 16
            for (size_t k = 0; k < K; ++k)
                done[k] = hn::Or(done[k], hn::Ge(now, hn::Load(d, due + k * N)));
        }
#pragma GCC unroll 16
        for (size_t k = 0; k < K; ++k) {
            if (hn::AllFalse(d, done[k]))
                continue;
            uint8_t maskBits[8] = {};
            hn::StoreMaskBits(d, done[k], maskBits);
            const unsigned bits = maskBits[0];
            iterations += WriteDone(bits, closedBits[k], g + limit + 1, limit, table, dst + k * N, due + k * N);
            if (outstanding)
                for (unsigned b = bits; b != 0; b &= b - 1)
                    written(k * N + hwy::Num0BitsBelowLS1Bit_Nonzero32(b));
            const int count = static_cast<int>(hwy::PopCount(bits));
            if (HWY_LIKELY(pend.Count - pend.Next >= count)) {
                // The next pixels move into the freed lanes in registers.
                x[k] = ExpandInto(d, x[k], done[k], bits, pend.X + pend.Next);
                y[k] = ExpandInto(d, y[k], done[k], bits, pend.Y + pend.Next);
                const int64_t laneDue = g - pend.Steps + limit + 1;
                MoveIn(d, done[k], bits, pend.Dst + pend.Next, static_cast<double>(laneDue), pendUnit,
                       dst + k * N, due + k * N, unitOf + k * N);
                pend.Next += count;
                dueDeadline = std::min(dueDeadline, laneDue);
                if (Cycles) {
                    const int64_t at = firstSave(g, pend.Steps);
                    if (anySaved)
                        hn::Store(hn::IfThenElse(done[k], hn::Set(d, idle), hn::Load(d, savedX + k * N)), d,
                                  savedX + k * N);
                    hn::Store(hn::IfThenElse(done[k], hn::Set(d, double(at)), hn::Load(d, saveAt + k * N)), d,
                              saveAt + k * N);
                    slotSave[k] = std::min(slotSave[k], at);
                    saveDeadline = std::min(saveDeadline, at);
                }
            } else {
                hn::Store(x[k], d, lx + k * N);
                hn::Store(y[k], d, ly + k * N);
                for (unsigned b = bits; b != 0; b &= b - 1)
                    live -= !refill(k * N + hwy::Num0BitsBelowLS1Bit_Nonzero32(b), g);
                x[k] = hn::Load(d, lx + k * N);
                y[k] = hn::Load(d, ly + k * N);
            }
            yy[k] = hn::Mul(y[k], y[k]);
        }
        if (live == 0)
            break;
        if (g >= dueDeadline) {
            V first = hn::Load(d, due);
#pragma GCC unroll 16
            for (size_t k = 1; k < K; ++k)
                first = hn::Min(first, hn::Load(d, due + k * N));
            const double next = hn::GetLane(hn::MinOfLanes(d, first));
            dueDeadline = next < 9e18 ? static_cast<int64_t>(next) : Never;
        }
        deadline = std::min(dueDeadline, saveDeadline);
    }
    job.Iterations.fetch_add(iterations, std::memory_order_relaxed);
}

// The walk in one of the shapes of WalkShapes: slots in flight to hide the
// latency of one iteration (with 16 vector registers, AVX2 and SSE4, the
// slots' squares spill) and the length of the pre-pass; kernels from
// WalkShapeCount on check for cycles.
template <size_t Kernel>
void WalkUnitsShaped(TWalkJob* job)
{
    const hn::ScalableTag<double> d;
    constexpr TWalkShape shape = WalkShapes[Kernel % WalkShapeCount];
    constexpr bool cycles = Kernel >= WalkShapeCount;
    WalkLanes<decltype(d), shape.Slots, shape.PreSteps, shape.PreGroup, cycles>(d, *job);
}

template <size_t... Kernel>
constexpr std::array<TWalkKernel, sizeof...(Kernel)> ShapedKernels(std::index_sequence<Kernel...>)
{
    return {&WalkUnitsShaped<Kernel>...};
}

// This target's kernel of every shape, in the order of WalkShapes, without
// the cycle check and then with it.
const TWalkKernel* WalkKernels()
{
    static constexpr auto kernels = ShapedKernels(std::make_index_sequence<2 * WalkShapeCount>());
    return kernels.data();
}

// NOLINTNEXTLINE(google-readability-namespace-comments)
}  // namespace HWY_NAMESPACE
}  // namespace quilmora
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
#include <vector>

namespace quilmora {

HWY_EXPORT(WalkKernels);

std::vector<int64_t> KernelTargets()
{
    std::vector<int64_t> targets;
    for (int64_t bits = hwy::SupportedTargets() & HWY_TARGETS; bits != 0; bits &= bits - 1)
        targets.push_back(bits & -bits);
    return targets;
}

TWalkKernel KernelFor(int64_t target, int shape, bool cycles)
{
    hwy::ChosenTarget chosen;
    chosen.Update(target);
    return HWY_DISPATCH_TABLE(WalkKernels)[chosen.GetIndex()]()[shape + (cycles ? WalkShapeCount : 0)];
}

const char* KernelTargetName(int64_t target)
{
    return hwy::TargetName(target);
}

}  // namespace quilmora
#endif  // HWY_ONCE
