#include "engine/RasterWalk.h"

#include "engine/FastWalk.h"

TRaster CentredRaster(const ProgramState& s, int width, int height)
{
    TRaster r;
    r.Width = width;
    r.Height = height;
    r.CenterX = s.FractalParams.CenterX;
    r.CenterY = s.FractalParams.CenterY;
    r.AnchorX = TruncToInt(width * 0.5L);
    r.AnchorY = TruncToInt(height * 0.5L);
    r.Step = width > 0 ? static_cast<float>(static_cast<long double>(s.FractalParams.ViewWidth) / width)
                       : 0.0f;
    return r;
}

TRaster MainPictureRaster(const ProgramState& s)
{
    return {PicWidth, PicHeight, s.FractalParams.CenterX, s.FractalParams.CenterY,
            PicAnchorX, PicAnchorY, s.PicStep};
}

TRaster OverviewRaster(const ProgramState& s)
{
    return {OverviewWidth, OverviewHeight, 0.0f, 0.0f, OverviewAnchorX, OverviewAnchorY,
            s.OverviewStep};
}

float RasterStartX(const TRaster& r)
{
    return static_cast<float>(static_cast<long double>(r.CenterX) -
                              static_cast<long double>(r.AnchorX) * r.Step);
}

float RasterStartY(const TRaster& r)
{
    return static_cast<float>(static_cast<long double>(r.AnchorY) * r.Step +
                              static_cast<long double>(r.CenterY));
}

TPixelTarget TargetOf(QImage& image)
{
    Q_ASSERT(image.format() == QImage::Format_RGB32 || image.format() == QImage::Format_BGR888);
    return {image.bits(), image.bytesPerLine(), image.format() == QImage::Format_BGR888 ? 3 : 4};
}

void RasterRowYs(const TRaster& r, float* ys, int rows)
{
    float y = RasterStartY(r);
    for (int i = 0; i < rows; ++i) {
        ys[i] = y;
        y = y - r.Step;
    }
}

void RasterWalkReference(const ProgramState& s, const TRaster& r, const TPixelTarget& t,
                         int rowBegin, int rowEnd)
{
    if (rowEnd < 0 || rowEnd > r.Height)
        rowEnd = r.Height;
    const float xStart = RasterStartX(r);
    float y = RasterStartY(r);
    for (int row = 0; row < rowBegin; ++row)
        y = y - r.Step;
    for (int row = rowBegin; row < rowEnd; ++row) {
        uchar* p = t.Bits + (row - t.FirstRow) * t.BytesPerLine;
        float x = xStart;
        for (int col = 0; col < r.Width; ++col) {
            const TColourEntry& e = s.ColourFunction(s, x, y);
            p[0] = e.Blue;
            p[1] = e.Green;
            p[2] = e.Red;
            p += t.BytesPerPixel;
            x = x + r.Step;
        }
        y = y - r.Step;
    }
}

void RasterWalk(const ProgramState& s, const TRaster& r, const TPixelTarget& t, int rowBegin,
                int rowEnd)
{
    // The fast walk takes the reference walk itself where it does not apply.
    FastRasterWalk(s, r, t, rowBegin, rowEnd);
}
