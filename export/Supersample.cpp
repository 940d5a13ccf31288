#include "export/Supersample.h"

#include "engine/RasterWalk.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <new>

namespace {

constexpr qsizetype BandBudget = qsizetype(16) << 20;

// Sums each channel of n x n sample blocks into one output row. 'sum' holds
// n*width*3 column sums of the band's n sample rows.
template <int N>
void AverageRow(const uint16_t* sum, uchar* out, int width)
{
    constexpr uint32_t Count = N * N, Half = Count / 2;
    for (int x = 0; x < width; ++x, sum += 3 * N, out += 3)
        for (int c = 0; c < 3; ++c) {
            uint32_t total = 0;
            for (int i = 0; i < N; ++i)
                total += sum[3 * i + c];
            out[c] = uchar((total + Half) / Count);
        }
}

using TAverageRow = void (*)(const uint16_t*, uchar*, int);
constexpr TAverageRow AverageRows[MaxSupersample] = {AverageRow<1>, AverageRow<2>, AverageRow<3>, AverageRow<4>,
                                                     AverageRow<5>, AverageRow<6>, AverageRow<7>, AverageRow<8>};

}  // namespace

int SupersampleBandRows(int width, int n)
{
    const qsizetype rowBytes = qsizetype(width) * n * n * 3;
    return int(std::clamp<qsizetype>(BandBudget / std::max<qsizetype>(1, rowBytes), 1, ReportBandRows));
}

TSupersampleResult WalkSupersampled(const ProgramState& s, int n, QImage& picture,
                                    const std::function<bool(int lastRow)>& atBand, const TFastWalkOptions& options)
{
    const int width = picture.width(), height = picture.height();
    if (n <= 1) {
        const bool done = RasterWalkBanded(s, CentredRaster(s, width, height), TargetOf(picture), atBand, options);
        return done ? TSupersampleResult::Done : TSupersampleResult::Stopped;
    }
    n = std::min(n, MaxSupersample);
    const TRaster raster = CentredRaster(s, width * n, height * n);
    const int bandRows = SupersampleBandRows(width, n);
    const qsizetype sampleLine = qsizetype(width) * n * 3;
    std::unique_ptr<uchar[]> band(new (std::nothrow) uchar[size_t(sampleLine) * size_t(bandRows) * size_t(n)]);
    std::unique_ptr<uint16_t[]> sums(new (std::nothrow) uint16_t[size_t(sampleLine)]);
    if (!band || !sums)
        return TSupersampleResult::NoMemory;
    const TAverageRow average = AverageRows[n - 1];
    for (int y0 = 0; y0 < height; y0 += bandRows) {
        const int rows = std::min(bandRows, height - y0);
        const TPixelTarget target{band.get(), sampleLine, 3, y0 * n};
        FastRasterWalk(s, raster, target, y0 * n, (y0 + rows) * n, options);
        for (int y = 0; y < rows; ++y) {
            // The n sample rows summed column by column, then n columns a pixel.
            const uchar* first = band.get() + qsizetype(y) * n * sampleLine;
            std::copy_n(first, sampleLine, sums.get());
            for (int j = 1; j < n; ++j) {
                const uchar* line = first + j * sampleLine;
                for (qsizetype k = 0; k < sampleLine; ++k)
                    sums[k] = uint16_t(sums[k] + line[k]);
            }
            average(sums.get(), picture.scanLine(y0 + y), width);
        }
        if (atBand && !atBand(y0 + rows - 1))
            return TSupersampleResult::Stopped;
    }
    return TSupersampleResult::Done;
}
