#pragma once
// What one fast walk hands to its vector kernels: the picture's constants,
// the precomputed coordinates and the shared counter of work units.

#include "engine/ProgramState.h"

#include <QtGlobal>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <iterator>

namespace quilmora {

// Widest span of one row a kernel takes at a time; rows wider than this are
// cut into equal segments so that the threads share wide pictures finely.
constexpr int MaxSegmentWidth = 512;
// Room after the last column so that kernels may read whole vectors there.
constexpr int ColumnPadding = 64;

struct TWalkJob {
    double Cx = 0.0;
    double Cy = 0.0;
    int64_t Limit = 0;
    // Colour of every entry from 0 to Limit as a 32-bit pixel, blue in the
    // low byte, the fourth byte 0.
    const uint32_t* Colours = nullptr;
    const float* Xs = nullptr;  // x of every column, then ColumnPadding more
    const float* Ys = nullptr;  // y of every row, indexed from row 0
    uchar* Bits = nullptr;  // row FirstRow of the picture
    qsizetype BytesPerLine = 0;
    int FirstRow = 0;
    int BytesPerPixel = 4;
    int Width = 0;
    int RowBegin = 0;
    int SegmentWidth = 0;
    int SegmentsPerRow = 0;
    int Units = 0;  // rows times segments
    // Units a thread takes at a time, consecutive: where units are quick,
    // taking each alone would spend much of the walk on the shared counter.
    int UnitsPerTake = 1;
    // A banded walk's bookkeeping (null otherwise). Units of band b are
    // [b * BandUnits, (b + 1) * BandUnits); every finished unit counts once
    // in BandDone of its band. Outstanding holds each unit's pixels not yet
    // written, touched only by the thread that took the unit.
    int BandUnits = 0;
    std::atomic<int>* BandDone = nullptr;
    int* Outstanding = nullptr;
    // Called by every thread between its units; the caller's call reports
    // finished bands, and may end the walk by moving NextUnit past Units.
    void (*Poll)(void* context) = nullptr;
    void* PollContext = nullptr;
    // On a line of its own: taking a unit must not evict the fields above
    // from the other threads' caches.
    alignas(64) std::atomic<int> NextUnit{0};
    // Iterations the pixels took, every thread adding its own once at the
    // end: an escape at n counts n, a pixel that passed the limit limit + 1,
    // a pixel whose orbit closed the iterations up to the repeat.
    std::atomic<int64_t> Iterations{0};
};

using TWalkKernel = void (*)(TWalkJob* job);

// The cycle check's schedule: a lane saves its iterate first on the first
// multiple of CycleFirstSave steps from the pixel's iteration CycleFirstSave
// on, or of CycleFirstSaveInside for pixels deep inside the set (they skipped
// the pre-pass), then on multiples of the largest power of two up to the
// iterations done: the gaps grow with the orbit, and lanes save together, so
// that the walk leaves its inner loop for saves rarely.
inline constexpr int64_t CycleFirstSave = 32;
inline constexpr int64_t CycleFirstSaveInside = 8;
// Steps between two comparisons with the saved iterate, a divisor of
// CycleFirstSaveInside: a cycle of length n is seen once a gap between saves
// holds a common multiple of n and this.
inline constexpr int64_t CycleCompareEvery = 4;

// Shapes the kernel is compiled in for every vector target: independent
// vectors in flight (slots), iterations of the branch-free pre-pass every
// pixel takes before it may occupy a lane, and vectors that pre-pass advances
// side by side. Which pays depends on the CPU.
struct TWalkShape {
    size_t Slots;
    int64_t PreSteps;
    size_t PreGroup;
    const char* Name;
};
inline constexpr int64_t DefaultPreSteps = 32;
inline constexpr size_t DefaultPreGroup = 4;
inline constexpr TWalkShape WalkShapes[] = {
    {6, 32, 4, "slots6"},
    {8, 32, 4, "slots8"},
    {10, 32, 4, "slots10"},
    {6, 16, 4, "slots6-pre16"},
    {8, 16, 4, "slots8-pre16"},
    {10, 16, 4, "slots10-pre16"},
};
inline constexpr int WalkShapeCount = static_cast<int>(std::size(WalkShapes));

}  // namespace quilmora
