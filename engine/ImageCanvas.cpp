#include "engine/ImageCanvas.h"

#include <QPainter>

#include <algorithm>
#include <cstdlib>

QRgb RgbOfColorRef(TColorRef c)
{
    return qRgb(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
}

TImageCanvas::TImageCanvas(int width, int height)
{
    SetSize(width, height);
}

void TImageCanvas::SetSize(int width, int height)
{
    QMutexLocker lock(&Mutex);
    Image = QImage(width, height, QImage::Format_RGB32);
    Image.fill(Qt::black);
}

void TImageCanvas::Draw(int x, int y, const QImage& bitmap)
{
    QPainter painter(&Image);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(x, y, bitmap);
}

void TImageCanvas::MoveTo(int x, int y)
{
    PenX = x;
    PenY = y;
}

void TImageCanvas::Plot(int x, int y, QRgb colour)
{
    // A pen of width w covers a w x w square around the point.
    const int lo = -(PenWidth / 2);
    const int w = PenWidth < 1 ? 1 : PenWidth;
    for (int dy = lo; dy < lo + w; ++dy) {
        const int py = y + dy;
        if (py < 0 || py >= Image.height())
            continue;
        QRgb* line = reinterpret_cast<QRgb*>(Image.scanLine(py));
        for (int dx = lo; dx < lo + w; ++dx) {
            const int px = x + dx;
            if (px >= 0 && px < Image.width())
                line[px] = colour;
        }
    }
}

void TImageCanvas::LineTo(int x, int y)
{
    // Bresenham from the pen position up to, not including, the end point;
    // whatever falls outside the image is clipped.
    const QRgb colour = RgbOfColorRef(PenColor);
    const long long x0 = PenX, y0 = PenY, x1 = x, y1 = y;
    PenX = x;
    PenY = y;
    const long long margin = PenWidth < 1 ? 1 : PenWidth;
    const long long minX = -margin, maxX = Image.width() + margin;
    const long long minY = -margin, maxY = Image.height() + margin;
    if (std::max(x0, x1) < minX || std::min(x0, x1) > maxX || std::max(y0, y1) < minY ||
        std::min(y0, y1) > maxY)
        return;
    if (y0 == y1 || x0 == x1) {
        // Axis-parallel (frames, palette strip): clip the run, which may be far
        // longer than the image when a frame lies far outside the overview.
        const bool horizontal = y0 == y1;
        const long long from = horizontal ? x0 : y0, to = horizontal ? x1 : y1;
        const int dir = to > from ? 1 : -1;
        const long long lo = horizontal ? minX : minY, hi = horizontal ? maxX : maxY;
        long long first = from, last = to - dir;  // the end point is not drawn
        if (from == to)
            return;
        if (dir > 0) {
            first = std::max(first, lo);
            last = std::min(last, hi);
        } else {
            first = std::min(first, hi);
            last = std::max(last, lo);
        }
        for (long long v = first; dir > 0 ? v <= last : v >= last; v += dir)
            Plot(static_cast<int>(horizontal ? v : x0), static_cast<int>(horizontal ? y0 : v), colour);
        return;
    }
    long long px = x0, py = y0;
    const long long dx = std::llabs(x1 - x0), dy = -std::llabs(y1 - y0);
    const int sx = x0 < x1 ? 1 : -1, sy = y0 < y1 ? 1 : -1;
    long long err = dx + dy;
    while (!(px == x1 && py == y1)) {
        if (px >= minX && px < maxX && py >= minY && py < maxY)
            Plot(static_cast<int>(px), static_cast<int>(py), colour);
        const long long e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            px += sx;
        }
        if (e2 <= dx) {
            err += dx;
            py += sy;
        }
    }
}

QImage TImageCanvas::Snapshot()
{
    QMutexLocker lock(&Mutex);
    return Image.copy();
}
