#pragma once
// Anti-aliased pictures: each pixel the mean of n x n samples of the plain
// picture n times the size, walked band by band so that the samples never
// exist all at once.

#include "engine/FastWalk.h"
#include "engine/ProgramState.h"

#include <QImage>

#include <functional>

constexpr int MaxSupersample = 8;

enum class TSupersampleResult { Done, Stopped, NoMemory };

// The sample raster is CentredRaster(s, n*width, n*height): the same view
// width, n times the pixels. Pixel (x, y) of 'picture' (width x height,
// Format_BGR888, made by the caller) gets, per channel, the mean of samples
// (n*x + i, n*y + j) for 0 <= i, j < n, rounded to nearest, halves up.
// atBand(lastRow) is called after each band of output rows; false stops.
// n = 1 walks the picture itself.
TSupersampleResult WalkSupersampled(const ProgramState& s, int n, QImage& picture,
                                    const std::function<bool(int lastRow)>& atBand = {},
                                    const TFastWalkOptions& options = {});

// Output rows per band for a picture 'width' wide: the band's samples take
// at most about 16 MiB, and never more rows than a report band.
int SupersampleBandRows(int width, int n);
