#include "engine/ProgramState.h"

#include "engine/Colouring.h"

#include <cmath>
#include <limits>

ProgramState::ProgramState()
{
    ResetView(*this);
    DefaultStep = PicStep;
    OverviewStep = static_cast<float>(5.0L / 81.0L);
    ColourFunction = SquareColour;
}

void ProgramState::SetIterationLimit(int32_t limit)
{
    // The table has no entry beyond 8191.
    IterationLimit = limit > ColourTableSize - 1 ? ColourTableSize - 1 : limit;
}

int32_t TruncToInt(long double v)
{
    if (std::isnan(v))
        return 0;
    if (v >= 2147483647.0L)
        return std::numeric_limits<int32_t>::max();
    if (v <= -2147483648.0L)
        return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(v);
}

float StepForViewWidth(float viewWidth)
{
    return static_cast<float>(static_cast<long double>(viewWidth) * (1.0L / PicWidth));
}

void ResetView(ProgramState& s)
{
    s.FractalParams.CenterX = 0.0f;
    s.FractalParams.CenterY = 0.0f;
    s.FractalParams.ViewWidth = DefaultViewWidth;
    s.PicStep = StepForViewWidth(DefaultViewWidth);
}

void UpdateKoefScales(ProgramState& s)
{
    const long double step = s.PicStep, def = s.DefaultStep;
    s.KoefScaleX = static_cast<float>(CoefTrackMax * step * 2 / (def * PicWidth));
    s.KoefScaleY = static_cast<float>(CoefTrackMax * step * 2 / (def * PicHeight));
}

void SelectColourFunction(ProgramState& s)
{
    if (s.FractalParams.FormulaKind != 1)
        return;
    s.ColourFunction = SquareColour;
    if (s.FormulaSelected)
        s.FormulaSelected();
}

void CopyPictureValues(const ProgramState& from, ProgramState& to)
{
    to.FractalParams = from.FractalParams;
    to.PicStep = from.PicStep;
    to.DefaultStep = from.DefaultStep;
    to.OverviewStep = from.OverviewStep;
    to.ColourTable = from.ColourTable;
    to.ColourFunction = from.ColourFunction;
    to.IterationLimit = from.IterationLimit;
    to.FrameIsRectangle = from.FrameIsRectangle;
    to.OverviewFrame = from.OverviewFrame;
    to.OverviewMarker = from.OverviewMarker;
}
