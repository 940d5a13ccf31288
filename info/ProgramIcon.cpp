#include "info/ProgramIcon.h"

#include "engine/Colouring.h"
#include "info/Emblem.h"

#include <QPixmap>
#include <QPointF>

#include <algorithm>
#include <cctype>
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

// The fill: the emblem's bright orange band; the outline: the set's colour;
// the one colour the scalable icon gives the bands: their first green.
constexpr int FillEntry = 8;
constexpr int OutlineEntry = 0;
constexpr int BandEntry = 11;

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

// A closed boundary, in samples.
using TLoop = std::vector<QPointF>;

// The boundaries of the set samples of a g x g grid by marching squares:
// closed loops through the midpoints between a set sample and a clear one,
// the set on one side of every loop, the grid's surroundings clear. Set
// samples that touch at a corner stay joined.
std::vector<TLoop> TraceBoundaries(const std::vector<uint8_t>& set, int g)
{
    const auto in = [&](int r, int c) { return r >= 0 && c >= 0 && r < g && c < g && set[size_t(r) * g + c]; };
    // A crossing by the two samples it lies between: rows and columns from
    // -1, the step from (r, c) to its right or lower neighbour.
    const int w = g + 2;
    const auto key = [w](int r, int c, bool down) { return 2 * ((r + 1) * w + (c + 1)) + (down ? 1 : 0); };
    const auto point = [w](int k) {
        const int cell = k / 2, r = cell / w - 1, c = cell % w - 1;
        return k % 2 ? QPointF(c, r + 0.5) : QPointF(c + 0.5, r);
    };
    std::vector<int> next(size_t(2) * w * w, -1);
    for (int r = -1; r < g; ++r)
        for (int c = -1; c < g; ++c) {
            // Round the cell: its corners in turn and the crossings between.
            const bool corner[4] = {in(r, c), in(r, c + 1), in(r + 1, c + 1), in(r + 1, c)};
            const int edge[4] = {key(r, c, false), key(r, c + 1, true), key(r + 1, c, false), key(r, c, true)};
            // A loop leaves the set where the round does and goes on to
            // where the round next enters it.
            for (int i = 0; i < 4; ++i) {
                if (!corner[i] || corner[(i + 1) % 4])
                    continue;
                for (int j = i + 1; j < i + 4; ++j)
                    if (!corner[j % 4] && corner[(j + 1) % 4]) {
                        next[edge[i]] = edge[j % 4];
                        break;
                    }
            }
        }
    std::vector<TLoop> loops;
    for (int start = 0; start < int(next.size()); ++start) {
        if (next[start] < 0)
            continue;
        TLoop loop;
        for (int k = start; next[k] >= 0;) {
            loop.push_back(point(k));
            const int after = next[k];
            next[k] = -1;
            k = after;
        }
        loops.push_back(std::move(loop));
    }
    return loops;
}

double Area(const TLoop& loop)
{
    double twice = 0;
    for (size_t i = 0, j = loop.size() - 1; i < loop.size(); j = i++)
        twice += loop[j].x() * loop[i].y() - loop[i].x() * loop[j].y();
    return std::abs(twice) / 2;
}

// Douglas-Peucker on a closed loop: the points kept within tolerance of it.
TLoop SimplifyLoop(const TLoop& loop, double tolerance)
{
    // From the first point to the one farthest from it and back round, each
    // stretch split at its point farthest from its chord while that is out
    // of tolerance; stretches by index, the last one ending at the size.
    const size_t n = loop.size();
    size_t far = 0;
    for (size_t i = 1; i < n; ++i) {
        const QPointF d = loop[i] - loop[0], e = loop[far] - loop[0];
        if (QPointF::dotProduct(d, d) > QPointF::dotProduct(e, e))
            far = i;
    }
    std::vector<uint8_t> keep(n);
    std::vector<std::pair<size_t, size_t>> stretches{{0, far}, {far, n}};
    while (!stretches.empty()) {
        const auto [first, last] = stretches.back();
        stretches.pop_back();
        keep[first] = 1;
        const QPointF a = loop[first], ab = loop[last % n] - a;
        const double length = std::hypot(ab.x(), ab.y());
        double farthest = 0;
        size_t at = first;
        for (size_t i = first + 1; i < last; ++i) {
            const QPointF p = loop[i] - a;
            const double d = length > 0 ? std::abs(ab.x() * p.y() - ab.y() * p.x()) / length : std::hypot(p.x(), p.y());
            if (d > farthest) {
                farthest = d;
                at = i;
            }
        }
        if (farthest > tolerance) {
            stretches.push_back({first, at});
            stretches.push_back({at, last});
        }
    }
    TLoop kept;
    for (size_t i = 0; i < n; ++i)
        if (keep[i])
            kept.push_back(loop[i]);
    return kept;
}

// SVG path data of the loops of the set samples, in pixels of the frame to
// a tenth: the first point of a loop absolute, the others relative.
QByteArray PathData(const std::vector<uint8_t>& set, const TFrame& frame)
{
    constexpr double tolerance = 1.0;  // samples
    constexpr double smallest = 1.0;   // square pixels; smaller islands are left out
    const auto tenths = [&frame](double v) { return int(std::lround((v + 0.5) / frame.Samples * 10)); };
    QByteArray d;
    // Numbers apart by a space, or by the minus sign that starts one.
    const auto put = [&d](int tenths) {
        QByteArray n = QByteArray::number(std::abs(tenths) / 10);
        if (tenths % 10)
            n += '.' + QByteArray::number(std::abs(tenths) % 10);
        if (tenths < 0)
            n.prepend('-');
        else if (!d.isEmpty() && std::isdigit(static_cast<unsigned char>(d.back())))
            d += ' ';
        d += n;
    };
    for (const TLoop& loop : TraceBoundaries(set, frame.Size)) {
        if (Area(loop) < smallest * frame.Samples * frame.Samples)
            continue;
        const TLoop kept = SimplifyLoop(loop, tolerance);
        if (kept.size() < 3)
            continue;
        int x = tenths(kept[0].x()), y = tenths(kept[0].y());
        d += 'M';
        put(x);
        put(y);
        d += 'l';
        for (size_t i = 1; i < kept.size(); ++i) {
            const int nx = tenths(kept[i].x()), ny = tenths(kept[i].y());
            put(nx - x);
            put(ny - y);
            x = nx;
            y = ny;
        }
        d += 'z';
    }
    return d;
}

}  // namespace

QList<int> ProgramIconSizes() { return {16, 22, 24, 32, 48, 64, 128, 256}; }

QImage DrawProgramIcon(int side) { return DrawIcon(side, LookFor(side)); }

QByteArray ProgramIconSvg()
{
    // The largest icon's frame, four samples a pixel: the silhouette's edge
    // with the outline round it and the band next to it inside, the set over
    // them in the fill.
    constexpr int side = 256;
    TIconLook look = LookFor(side);
    look.Samples = 4;
    const std::unique_ptr<ProgramState> s = IconState(look.Limit);
    const TFrame frame = FrameFor(side, look);
    const std::vector<int> counts = Sample(*s, frame);
    std::vector<uint8_t> silhouette(counts.size()), set(counts.size());
    for (size_t i = 0; i < counts.size(); ++i) {
        silhouette[i] = InSilhouette(counts[i], look.Silhouette);
        set[i] = counts[i] == 0;
    }
    const auto colour = [&](int entry) {
        const TColourEntry& e = s->ColourTable[entry];
        return QByteArray::number(qRgb(e.Red, e.Green, e.Blue) & 0xFFFFFF, 16).rightJustified(6, '0').prepend('#');
    };
    const QByteArray n = QByteArray::number(side);
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<svg xmlns=\"http://www.w3.org/2000/svg\" xmlns:xlink=\"http://www.w3.org/1999/xlink\" version=\"1.1\""
           " width=\"" + n + "\" height=\"" + n + "\" viewBox=\"0 0 " + n + ' ' + n + "\">\n"
           "<defs><path id=\"edge\" d=\"" + PathData(silhouette, frame) + "\"/></defs>\n"
           "<use xlink:href=\"#edge\" fill=\"none\" stroke=\"" + colour(OutlineEntry) + "\" stroke-width=\""
           + QByteArray::number(2 * look.Outline) + "\" stroke-linejoin=\"round\"/>\n"
           "<use xlink:href=\"#edge\" fill=\"" + colour(BandEntry) + "\"/>\n"
           "<path d=\"" + PathData(set, frame) + "\" fill=\"" + colour(FillEntry) + "\"/>\n"
           "</svg>\n";
}

QIcon DrawnProgramIcon()
{
    QIcon icon;
    for (int side : ProgramIconSizes())
        if (side <= WindowIconLargest)
            icon.addPixmap(QPixmap::fromImage(DrawProgramIcon(side)));
    return icon;
}

QIcon ProgramIcon()
{
    QIcon icon;
    for (int side : ProgramIconSizes()) {
        if (side > WindowIconLargest)
            break;
        const QPixmap built(QStringLiteral(":/window-icon/%1x%1/apps/quilmora.png").arg(side));
        if (built.isNull())
            return DrawnProgramIcon();
        icon.addPixmap(built);
    }
    return icon;
}
