#include "engine/Overview.h"

#include "engine/ImageCanvas.h"

#include <algorithm>

namespace {
void SetPen(TImageCanvas& canvas, int width, TColorRef colour)
{
    canvas.PenWidth = width;
    canvas.PenColor = colour;
}

// Keeps line arithmetic around far-away frames inside int.
int Coord(long long v)
{
    return static_cast<int>(std::clamp(v, -(1LL << 30), 1LL << 30));
}
}  // namespace

void UpdateOverviewFrame(ProgramState& s, TImageCanvas& generalView)
{
    const double hw = PicAnchorX * static_cast<double>(s.PicStep);
    const double hh = PicAnchorY * static_cast<double>(s.PicStep);
    const long double step = s.OverviewStep;
    const long double cx = s.FractalParams.CenterX, cy = s.FractalParams.CenterY;
    if (static_cast<long double>(s.PicStep) - FrameStepThreshold > 0) {
        s.FrameIsRectangle = true;
        SetPen(generalView, 1, FramePenColour);
        const double left = cx - hw, right = cx + hw, bottom = cy - hh, top = cy + hh;
        s.OverviewFrame.X1 = TruncToInt(left / step + OverviewAnchorX + 1);
        s.OverviewFrame.Y1 = TruncToInt(OverviewAnchorY - bottom / step + 1);
        s.OverviewFrame.X2 = TruncToInt(right / step + OverviewAnchorX);
        s.OverviewFrame.Y2 = TruncToInt(OverviewAnchorY - top / step);
    } else {
        s.FrameIsRectangle = false;
        SetPen(generalView, 2, MarkerPenColour);
        s.OverviewMarker.X = TruncToInt(cx / step + OverviewAnchorX);
        s.OverviewMarker.Y = TruncToInt(OverviewAnchorY - cy / step);
    }
}

void ResetOverviewFrame(ProgramState& s, TImageCanvas& generalView)
{
    s.FrameIsRectangle = true;
    SetPen(generalView, 1, FramePenColour);
    s.OverviewFrame = TOverviewFrame{};
}

void DrawOverviewFrame(const ProgramState& s, TImageCanvas& g)
{
    if (s.FrameIsRectangle) {
        const TOverviewFrame& f = s.OverviewFrame;
        const int x1 = Coord(f.X1), y1 = Coord(f.Y1), x2 = Coord(f.X2), y2 = Coord(f.Y2);
        g.MoveTo(x1, y1);
        g.LineTo(x2, y1);
        g.LineTo(x2, y2);
        g.LineTo(x1, y2);
        g.LineTo(x1, y1);
        return;
    }
    const long long x = s.OverviewMarker.X, y = s.OverviewMarker.Y;
    const auto stroke = [&g](long long ax, long long ay, long long bx, long long by) {
        g.MoveTo(Coord(ax), Coord(ay));
        g.LineTo(Coord(bx), Coord(by));
    };
    stroke(x - 2, y - 2, x - 6, y - 6);
    stroke(x + 2, y - 2, x + 6, y - 6);
    stroke(x + 2, y + 2, x + 6, y + 6);
    stroke(x - 2, y + 2, x - 6, y + 6);
}
