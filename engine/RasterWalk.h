#pragma once
// The raster walk shared by every picture: pixels to plane points by float
// additions of the step, one colouring call per pixel.

#include "engine/ProgramState.h"

#include <QImage>

// One raster: W x H pixels around a centre, the anchor pixel on the centre.
struct TRaster {
    int Width = 0;
    int Height = 0;
    float CenterX = 0.0f;
    float CenterY = 0.0f;
    int AnchorX = 0;
    int AnchorY = 0;
    float Step = 0.0f;
};

// Rasters of the targets that take W div 2, H div 2 as the anchor and
// float(ViewWidth / W) as the step (full screen, export, previews, slides).
TRaster CentredRaster(const ProgramState& s, int width, int height);
TRaster MainPictureRaster(const ProgramState& s);
TRaster OverviewRaster(const ProgramState& s);

// First pixel's plane point: (cx - a*s, b*s + cy), each rounded to float.
float RasterStartX(const TRaster& r);
float RasterStartY(const TRaster& r);

// Where the walk writes: rows of 'bytesPerPixel' pixels, bytes blue, green, red.
struct TPixelTarget {
    uchar* Bits = nullptr;
    qsizetype BytesPerLine = 0;
    int BytesPerPixel = 4;
    int FirstRow = 0;  // the raster's row that Bits holds: a band of a larger raster
};
TPixelTarget TargetOf(QImage& image);  // Format_RGB32 or Format_BGR888

// The plain per-pixel walk: one colouring call per pixel, rows top to bottom,
// x advanced by float additions of the step. Rows [rowBegin, rowEnd).
void RasterWalkReference(const ProgramState& s, const TRaster& r, const TPixelTarget& t,
                         int rowBegin = 0, int rowEnd = -1);

// The walk every target uses.
void RasterWalk(const ProgramState& s, const TRaster& r, const TPixelTarget& t,
                int rowBegin = 0, int rowEnd = -1);

// y of every row by the walk's own sequence of float subtractions.
void RasterRowYs(const TRaster& r, float* ys, int rows);
