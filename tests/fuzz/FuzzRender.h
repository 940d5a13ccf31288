#pragma once
// Renders a tiny raster of a state decoded from fuzz input, so that whatever
// the bytes held (NaN, infinities, huge levels) runs through the colouring
// and the palette code.

#include "engine/RasterWalk.h"
#include "engine/ProgramState.h"

#include <cstdlib>

// Kept small so that a run covers many inputs.
constexpr int FuzzIterationLimit = 16;

inline void RenderTiny(const ProgramState& s)
{
    constexpr int W = 6, H = 4;
    uchar pixels[W * H * 4] = {};
    RasterWalkReference(s, CentredRaster(s, W, H), TPixelTarget{pixels, W * 4, 4});
    // Every pixel is one of the entries 0..IterationLimit.
    for (int p = 0; p < W * H; ++p) {
        bool found = false;
        for (int n = 0; n <= s.IterationLimit && !found; ++n) {
            const TColourEntry& e = s.ColourTable[n];
            found = pixels[4 * p] == e.Blue && pixels[4 * p + 1] == e.Green &&
                    pixels[4 * p + 2] == e.Red;
        }
        if (!found)
            std::abort();
    }
}

// Entries 8190 and 8191 are never written.
inline void CheckTableTail(const ProgramState& s)
{
    for (int i : {ColourTableSize - 2, ColourTableSize - 1}) {
        const TColourEntry& e = s.ColourTable[i];
        if (e.Blue || e.Green || e.Red)
            std::abort();
    }
}
