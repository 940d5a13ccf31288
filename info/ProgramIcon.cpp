#include "info/ProgramIcon.h"

#include "engine/Colouring.h"
#include "info/Emblem.h"

#include <QPixmap>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <thread>
#include <vector>

namespace {

// How one size is drawn.
struct TIconLook {
    int Silhouette;  // escape count from which a point belongs to the silhouette
    int Limit;       // the engine's iteration limit
    int Samples;     // per pixel side
    double Outline;  // width in pixels
    double Margin;   // pixels between the outline and the square's edge
    bool Bands;      // the escape-time colours between the silhouette's edge and the set
    bool Crisp;      // the outline's outer edge on whole pixels, the fill's edge against it steepened
};

// The small sizes: the silhouette close to the set, one fill. A pixel whose
// outline covers half of it or more is opaque, which keeps a pixel clear
// round the shape at half a pixel's margin.
constexpr int SmallSilhouette = 40;
// The large ones: the silhouette a little wider than the set, the emblem's
// bands between its edge and the set.
constexpr int LargeSilhouette = 9;
constexpr int LargeLimit = 100;  // deeper changes no pixel at 256

TIconLook LookFor(int side)
{
    const int samples = std::max(3, 256 / side);
    if (side <= 32)
        return {SmallSilhouette, SmallSilhouette - 1, samples, 1.0, 0.5, false, true};
    return {LargeSilhouette, LargeLimit, samples, std::max(1.5, side / 64.0), std::max(1.0, side / 64.0), true, false};
}

// The fill: the emblem's bright orange band; the outline: the set's colour.
constexpr int FillEntry = 8;
constexpr int OutlineEntry = 0;

// The rabbit turned clockwise so its long axis lies nearer the square's
// diagonal: the smallest square that holds it, 12 % smaller than unturned.
constexpr double TurnCos = 0.97029572627599647, TurnSin = 0.24192189559966773;  // 14 degrees

// Escape count of icon point (u, v) by the engine: 0 when the orbit stays
// bounded. Both coordinates about the origin, v upward.
int EscapeCount(const ProgramState& s, double u, double v)
{
    const float x = static_cast<float>(u * TurnCos - v * TurnSin);
    const float y = static_cast<float>(u * TurnSin + v * TurnCos);
    return static_cast<int>(&SquareColour(s, x, y) - s.ColourTable.data());
}

bool InSilhouette(int count, int silhouette) { return count == 0 || count >= silhouette; }

std::unique_ptr<ProgramState> IconState(int limit)
{
    std::unique_ptr<ProgramState> s = EmblemState();
    s->IterationLimit = limit;
    return s;
}

// Half the side of the smallest square about the origin that holds the
// silhouette. The set is symmetric about the origin, so lines from the right
// and from the top inward find it: in coarse steps, then in fine ones.
double SilhouetteExtent(int silhouette)
{
    const std::unique_ptr<ProgramState> s = IconState(silhouette - 1);
    constexpr double fine = 1.0 / 1024, coarse = 1.0 / 64, far = 1.6;
    const auto holds = [&](double along, bool across) {
        for (double t = -far; t <= far; t += fine)
            if (InSilhouette(across ? EscapeCount(*s, t, along) : EscapeCount(*s, along, t), silhouette))
                return true;
        return false;
    };
    double extent = 0.0;
    for (bool across : {false, true}) {
        double along = far;
        while (along > 0 && !holds(along, across))
            along -= coarse;
        along += coarse;
        while (along > 0 && !holds(along, across))
            along -= fine;
        extent = std::max(extent, along + fine);
    }
    return extent;
}

// Plane units per pixel of a side x side icon, and the icon's samples.
struct TFrame {
    int Samples = 1;  // per pixel side
    int Size = 0;     // samples per side
    double Unit = 0;  // plane units per pixel
    double U(int column) const { return (column + 0.5 - Size / 2.0) * Unit / Samples; }
    double V(int row) const { return (Size / 2.0 - row - 0.5) * Unit / Samples; }
};

TFrame FrameFor(int side, const TIconLook& look)
{
    return {look.Samples, side * look.Samples,
            SilhouetteExtent(look.Silhouette) / (side / 2.0 - look.Margin - look.Outline)};
}

// The escape count of every sample, rows shared among the processors.
std::vector<int> Sample(const ProgramState& s, const TFrame& f)
{
    std::vector<int> counts(size_t(f.Size) * f.Size);
    const int workers = int(std::clamp(std::thread::hardware_concurrency(), 1u, 8u));
    const auto rows = [&](int first) {
        for (int r = first; r < f.Size; r += workers)
            for (int c = 0; c < f.Size; ++c)
                counts[size_t(r) * f.Size + c] = EscapeCount(s, f.U(c), f.V(r));
    };
    std::vector<std::thread> helpers;
    for (int w = 1; w < workers; ++w)
        helpers.emplace_back(rows, w);
    rows(0);
    for (std::thread& t : helpers)
        t.join();
    return counts;
}

// Squared distance along one line to the nearest zero of f: the lower
// envelope of parabolas (Felzenszwalb and Huttenlocher).
void LineDistances(const std::vector<double>& f, std::vector<double>& d, std::vector<int>& v, std::vector<double>& z)
{
    // f is at most 1e20, so no crossing reaches the sentinels.
    const auto crossing = [&f](int q, int p) {
        return ((f[q] + double(q) * q) - (f[p] + double(p) * p)) / (2.0 * (q - p));
    };
    const int n = int(f.size());
    int k = 0;
    v[0] = 0;
    z[0] = -1e30;
    z[1] = 1e30;
    for (int q = 1; q < n; ++q) {
        double s = crossing(q, v[k]);
        while (s <= z[k])
            s = crossing(q, v[--k]);
        ++k;
        v[k] = q;
        z[k] = s;
        z[k + 1] = 1e30;
    }
    k = 0;
    for (int q = 0; q < n; ++q) {
        while (z[k + 1] < q)
            ++k;
        const double t = q - v[k];
        d[q] = t * t + f[v[k]];
    }
}

// Squared distance of every cell of a g x g grid to the nearest set cell.
std::vector<double> SquaredDistances(const std::vector<uint8_t>& set, int g)
{
    std::vector<double> all(set.size());
    for (size_t i = 0; i < set.size(); ++i)
        all[i] = set[i] ? 0.0 : 1e20;
    std::vector<double> z(g + 1), out(g);
    std::vector<int> v(g);
    // Columns a block at a time, read and written row by row.
    constexpr int block = 16;
    std::vector<std::vector<double>> columns(block, std::vector<double>(g));
    for (int c0 = 0; c0 < g; c0 += block) {
        const int n = std::min(block, g - c0);
        for (int r = 0; r < g; ++r)
            for (int b = 0; b < n; ++b)
                columns[b][r] = all[size_t(r) * g + c0 + b];
        for (int b = 0; b < n; ++b) {
            LineDistances(columns[b], out, v, z);
            columns[b].swap(out);
        }
        for (int r = 0; r < g; ++r)
            for (int b = 0; b < n; ++b)
                all[size_t(r) * g + c0 + b] = columns[b][r];
    }
    std::vector<double> row(g);
    for (int r = 0; r < g; ++r) {
        std::copy_n(all.begin() + size_t(r) * g, g, row.begin());
        LineDistances(row, out, v, z);
        std::copy_n(out.begin(), g, all.begin() + size_t(r) * g);
    }
    return all;
}

QImage DrawIcon(int side, const TIconLook& look)
{
    const std::unique_ptr<ProgramState> s = IconState(look.Limit);
    const TFrame frame = FrameFor(side, look);
    const int k = frame.Samples, g = frame.Size;
    const std::vector<int> counts = Sample(*s, frame);
    std::vector<uint8_t> inside(counts.size());
    for (size_t i = 0; i < counts.size(); ++i)
        inside[i] = InSilhouette(counts[i], look.Silhouette);
    const std::vector<double> d2 = SquaredDistances(inside, g);
    const double rim2 = look.Outline * k * look.Outline * k;
    const TColourEntry fill = s->ColourTable[FillEntry], outline = s->ColourTable[OutlineEntry];

    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    // Opaque pixels: 1 with fill in them, 2 of outline alone.
    std::vector<uint8_t> opaque(size_t(side) * side);
    for (int py = 0; py < side; ++py) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(py));
        for (int px = 0; px < side; ++px) {
            double red = 0, green = 0, blue = 0;
            int in = 0, rim = 0;
            for (int r = py * k; r < py * k + k; ++r)
                for (int c = px * k; c < px * k + k; ++c) {
                    const size_t i = size_t(r) * g + c;
                    if (inside[i]) {
                        const TColourEntry& e = look.Bands && counts[i] ? s->ColourTable[counts[i]] : fill;
                        red += e.Red;
                        green += e.Green;
                        blue += e.Blue;
                        ++in;
                    } else if (d2[i] <= rim2) {
                        ++rim;
                    }
                }
            double alpha = double(in + rim) / (k * k);
            double share = in + rim ? double(in) / (in + rim) : 0.0;  // of the fill against the outline
            if (look.Crisp) {
                alpha = alpha >= 0.5 ? 1.0 : 0.0;
                share = std::clamp((share - 0.5) * 5 + 0.5, 0.0, 1.0);
            }
            const auto channel = [&](double sum, int edge) {
                const double inner = in ? sum / in : 0.0;
                return int(std::lround(alpha * (share * inner + (1 - share) * edge)));
            };
            line[px] = qRgba(channel(red, outline.Red), channel(green, outline.Green), channel(blue, outline.Blue),
                             int(std::lround(alpha * 255)));
            if (alpha == 1.0)
                opaque[size_t(py) * side + px] = share > 0 ? 1 : 2;
        }
    }
    if (look.Crisp) {
        // Outline alone that sticks out of the shape by a pixel is a hair
        // of the set too fine to show: it goes.
        const auto at = [&](int x, int y) {
            return x >= 0 && y >= 0 && x < side && y < side && opaque[size_t(y) * side + x] != 0;
        };
        for (int y = 0; y < side; ++y)
            for (int x = 0; x < side; ++x)
                if (opaque[size_t(y) * side + x] == 2 && at(x - 1, y) + at(x + 1, y) + at(x, y - 1) + at(x, y + 1) <= 1)
                    image.setPixel(x, y, 0);
    }
    return image;
}

}  // namespace

QList<int> ProgramIconSizes() { return {16, 22, 24, 32, 48, 64, 128, 256}; }

QImage DrawProgramIcon(int side) { return DrawIcon(side, LookFor(side)); }

QIcon ProgramIcon()
{
    QIcon icon;
    for (int side : ProgramIconSizes())
        icon.addPixmap(QPixmap::fromImage(DrawProgramIcon(side)));
    return icon;
}
