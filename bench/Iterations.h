#pragma once
// Iterations of a walk counted exactly: walked with a colour table whose entry
// n spells n in blue and green, an escape at n reads n and an interior pixel
// (entry 0) stands for the limit + 1.

#include <QImage>

inline double IterationsIn(const QImage& image, int iterationLimit)
{
    double total = 0;
    for (int y = 0; y < image.height(); ++y) {
        const uchar* px = image.constScanLine(y);
        for (int x = 0; x < image.width(); ++x, px += 4) {
            const int n = px[0] | (px[1] << 8);
            total += n == 0 ? iterationLimit + 1 : n;
        }
    }
    return total;
}
