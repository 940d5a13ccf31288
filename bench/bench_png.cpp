// Our PNG encoder against libpng asked for the same file: every row filtered
// Up, zlib level 1 (memLevel 8, window bits 15, default strategy), the same
// text chunks, BGR rows in. One 1280 x 720 frame of the start-up state at
// depth 256, walked as the sweep walks it; the encoders take turns, each
// timed in memory, best and median shown. The machine may be shared.
//   quilmora_bench_png [--repetitions N]

#include "bench/CpuName.h"
#include "engine/FastWalk.h"
#include "engine/Palette.h"
#include "engine/ProgramState.h"
#include "engine/RasterWalk.h"
#include "export/PngWriter.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>

#include <png.h>
#include <zlib.h>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int Width = 1280, Height = 720, Depth = 256;

void AppendToByteArray(png_structp png, png_bytep data, size_t size)
{
    static_cast<QByteArray*>(png_get_io_ptr(png))->append(reinterpret_cast<const char*>(data), qsizetype(size));
}

void NoFlush(png_structp) {}

// The header, the settings and the rows. libpng's errors come back here by
// longjmp: nothing with a destructor lives in this frame, the caller owns
// every buffer.
bool WriteWithLibpng(png_structp png, png_infop info, const QImage& rgb, png_textp texts, int textCount,
                     png_bytepp rows, size_t zbuffer, QByteArray* out)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_set_write_fn(png, out, AppendToByteArray, NoFlush);
    png_set_IHDR(png, info, png_uint_32(rgb.width()), png_uint_32(rgb.height()), 8, PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_BASE, PNG_FILTER_TYPE_BASE);
    if (rgb.dotsPerMeterX() > 0 && rgb.dotsPerMeterY() > 0)
        png_set_pHYs(png, info, png_uint_32(rgb.dotsPerMeterX()), png_uint_32(rgb.dotsPerMeterY()),
                     PNG_RESOLUTION_METER);
    png_set_text(png, info, texts, textCount);
    png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_UP);
    png_set_compression_level(png, 1);
    png_set_compression_mem_level(png, 8);
    png_set_compression_window_bits(png, 15);
    png_set_compression_strategy(png, Z_DEFAULT_STRATEGY);
    if (zbuffer > 0)
        png_set_compression_buffer_size(png, zbuffer);
    if (rgb.format() == QImage::Format_BGR888)
        png_set_bgr(png);
    png_write_info(png, info);
    png_write_image(png, rows);
    png_write_end(png, info);
    return true;
}

// The same file through libpng: 8-bit RGB, Up filter only, zlib level 1, the
// texts as tEXt (iTXt when not Latin-1); 'zbuffer' bytes of deflate output per
// IDAT chunk (0: libpng's default of 8 KiB). Empty on failure.
QByteArray EncodePngLibpng(const QImage& picture, const TPngTexts& texts, size_t zbuffer)
{
    if (picture.isNull())
        return {};
    const QImage rgb = picture.format() == QImage::Format_BGR888 || picture.format() == QImage::Format_RGB888
                           ? picture
                           : picture.convertToFormat(QImage::Format_RGB888);
    if (rgb.isNull())
        return {};

    QByteArray out;
    out.reserve(1024 + qsizetype(rgb.width()) * 3 * rgb.height() / 8);
    std::vector<QByteArray> keys, values;
    keys.reserve(size_t(texts.size()));
    values.reserve(size_t(texts.size()));
    std::vector<png_text> chunks(size_t(texts.size()));
    for (qsizetype i = 0; i < texts.size(); ++i) {
        const QString& value = texts[i].second;
        const bool latin1 = std::all_of(value.begin(), value.end(), [](QChar c) { return c.unicode() < 256; });
        keys.push_back(texts[i].first.left(79).toLatin1());
        values.push_back(latin1 ? value.toLatin1() : value.toUtf8());
        png_text& t = chunks[size_t(i)];
        t = {};
        t.compression = latin1 ? PNG_TEXT_COMPRESSION_NONE : PNG_ITXT_COMPRESSION_NONE;
        t.key = keys.back().data();
        t.text = values.back().data();
        if (latin1)
            t.text_length = size_t(values.back().size());
        else
            t.itxt_length = size_t(values.back().size());
    }
    std::vector<png_bytep> rows(size_t(rgb.height()));
    for (int y = 0; y < rgb.height(); ++y)
        rows[size_t(y)] = const_cast<png_bytep>(rgb.constScanLine(y));  // libpng reads rows, never writes them

    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (!png)
        return {};
    png_infop info = png_create_info_struct(png);
    const bool ok = info && WriteWithLibpng(png, info, rgb, chunks.data(), int(chunks.size()), rows.data(),
                                            zbuffer, &out);
    png_destroy_write_struct(&png, info ? &info : nullptr);
    return ok ? out : QByteArray();
}


struct TEncoder {
    const char* Name;
    QByteArray (*Encode)(const QImage&, const TPngTexts&);
    QByteArray Bytes;
    std::vector<double> Ms;
    double Best() const { return *std::min_element(Ms.begin(), Ms.end()); }
    double Median() const
    {
        std::vector<double> s = Ms;
        std::sort(s.begin(), s.end());
        return s.size() % 2 ? s[s.size() / 2] : (s[s.size() / 2 - 1] + s[s.size() / 2]) / 2;
    }
};

// Pixels as Qt decodes them, in the walk's byte order.
QImage Decoded(const QByteArray& bytes)
{
    return QImage::fromData(bytes, "png").convertToFormat(QImage::Format_BGR888);
}

bool SameTexts(const QImage& decoded, const TPngTexts& texts)
{
    for (const auto& [key, value] : texts)
        if (decoded.text(key) != value)
            return false;
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    int repetitions = 30;
    for (int i = 1; i + 1 < argc; i += 2)
        if (std::string(argv[i]) == "--repetitions")
            repetitions = std::max(1, std::atoi(argv[i + 1]));

    auto state = std::make_unique<ProgramState>();
    BuildColourTable(*state);
    state->SetIterationLimit(Depth - 2);
    QImage picture(Width, Height, QImage::Format_BGR888);
    FastRasterWalk(*state, CentredRaster(*state, Width, Height), TargetOf(picture));
    const TPngTexts texts = PngTextsOf(*state);

    TEncoder encoders[] = {
        {"ours (EncodePng)", [](const QImage& p, const TPngTexts& t) { return EncodePng(p, t); }, {}, {}},
        {"libpng, 8 KiB buffer (default)",
         [](const QImage& p, const TPngTexts& t) { return EncodePngLibpng(p, t, 0); }, {}, {}},
        {"libpng, 256 KiB buffer",
         [](const QImage& p, const TPngTexts& t) { return EncodePngLibpng(p, t, 256 * 1024); }, {}, {}},
    };

    // One untimed pass each, to check the files before timing them.
    const QImage walked = picture.convertToFormat(QImage::Format_BGR888);
    for (TEncoder& e : encoders) {
        e.Bytes = e.Encode(picture, texts);
        if (e.Bytes.isEmpty()) {
            std::fprintf(stderr, "%s: not encoded\n", e.Name);
            return 1;
        }
    }

    double load[3] = {};
    getloadavg(load, 3);
    std::printf("%s, load average %.2f at the start; libpng %s, zlib %s\n", CpuName().c_str(), load[0],
                png_get_libpng_ver(nullptr), zlibVersion());
    std::printf("one frame %dx%d depth %d, encoders in turn, %d repetitions each\n\n", Width, Height, Depth,
                repetitions);

    QElapsedTimer timer;
    for (int r = 0; r < repetitions; ++r)
        for (TEncoder& e : encoders) {
            timer.start();
            const QByteArray b = e.Encode(picture, texts);
            e.Ms.push_back(double(timer.nsecsElapsed()) * 1e-6);
            if (b.size() != e.Bytes.size()) {
                std::fprintf(stderr, "%s: size changed between runs\n", e.Name);
                return 1;
            }
        }

    const TEncoder& ours = encoders[0];
    const QImage oursDecoded = Decoded(ours.Bytes);
    std::printf("| encoder | best ms | median ms | best / ours | median / ours | bytes | file as ours | "
                "pixels as ours | pixels as walked | texts |\n"
                "|---|---:|---:|---:|---:|---:|:-:|:-:|:-:|:-:|\n");
    for (const TEncoder& e : encoders) {
        const QImage decoded = Decoded(e.Bytes);
        std::printf("| %s | %.2f | %.2f | %.2f | %.2f | %lld | %s | %s | %s | %s |\n", e.Name, e.Best(),
                    e.Median(), e.Best() / ours.Best(), e.Median() / ours.Median(),
                    static_cast<long long>(e.Bytes.size()), e.Bytes == ours.Bytes ? "identical" : "differs",
                    !decoded.isNull() && decoded == oursDecoded ? "yes" : "NO",
                    !decoded.isNull() && decoded == walked ? "yes" : "NO",
                    SameTexts(QImage::fromData(e.Bytes, "png"), texts) ? "yes" : "NO");
    }
    getloadavg(load, 3);
    std::printf("\nload average %.2f at the end\n", load[0]);
    return 0;
}
