#pragma once
// Renders a tiny raster of a state decoded from fuzz input, so that whatever
// the bytes held (NaN, infinities, huge levels) runs through the colouring
// and the palette code.

#include "engine/ProgramState.h"
#include "engine/RasterWalk.h"
#include "tests/support/Pictures.h"

#include <QImage>

#include <cstdlib>

// Kept small so that a run covers many inputs.
constexpr int FuzzIterationLimit = 16;

inline void RenderTiny(const ProgramState& s)
{
    QImage image(6, 4, QImage::Format_RGB32);
    image.fill(0);
    RasterWalkReference(s, CentredRaster(s, image.width(), image.height()), TargetOf(image));
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (!PixelIsAnEntry(image, x, y, s))
                std::abort();
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
