#pragma once
// What one fast walk hands to its vector kernels: the picture's constants,
// the precomputed coordinates and the shared counter of work units.

#include "engine/ProgramState.h"

#include <QtGlobal>

#include <atomic>
#include <cstdint>

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
    const TColourEntry* Table = nullptr;
    const float* Xs = nullptr;  // x of every column, then ColumnPadding more
    const float* Ys = nullptr;  // y of every row, indexed from row 0
    uchar* Bits = nullptr;
    qsizetype BytesPerLine = 0;
    int BytesPerPixel = 4;
    int Width = 0;
    int RowBegin = 0;
    int SegmentWidth = 0;
    int SegmentsPerRow = 0;
    int Units = 0;  // rows times segments
    std::atomic<int> NextUnit{0};
};

using TWalkKernel = void (*)(TWalkJob* job);

}  // namespace quilmora
