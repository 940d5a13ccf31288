#include "engine/Colouring.h"

const TColourEntry& SquareColour(const ProgramState& s, float x, float y)
{
    const double cx = s.FractalParams.Cx;
    const double cy = s.FractalParams.Cy;
    const int32_t limit = s.IterationLimit;
    int32_t n = 0;
    for (;;) {
        const double xd = x, yd = y;
        const float nx = static_cast<float>((xd * xd - yd * yd) + cx);
        const float ny = static_cast<float>((xd * yd) * 2.0 + cy);
        ++n;
        x = nx;
        y = ny;
        if (n > limit)
            return s.ColourTable[0];
        const double xx = static_cast<double>(x) * x, yy = static_cast<double>(y) * y;
        if ((xx + yy) - 4.0 >= 0.0)
            return s.ColourTable[n];
    }
}
