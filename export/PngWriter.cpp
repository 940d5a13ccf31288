#include "export/PngWriter.h"

#include "files/WholeFile.h"

#include <png.h>
#include <zlib.h>

#include <algorithm>
#include <csetjmp>
#include <vector>

namespace {

QString Num(double v) { return QString::number(v, 'g', 17); }
QString Num(float v) { return QString::number(double(v), 'g', 9); }

// libpng hands its output here; the caller owns the array.
void AppendTo(png_structp png, png_bytep data, size_t size)
{
    static_cast<QByteArray*>(png_get_io_ptr(png))->append(reinterpret_cast<const char*>(data), qsizetype(size));
}
void NoFlush(png_structp) {}
void Quiet(png_structp, png_const_charp) {}

[[noreturn]] void Fail(png_structp png, png_const_charp) { png_longjmp(png, 1); }

// Deflate output per IDAT chunk: 256 KiB, a few chunks a frame.
constexpr size_t IdatChunk = 256 * 1024;

// The header, the settings and the rows. libpng's errors come back here by
// longjmp: nothing with a destructor lives in this frame, the caller owns
// every buffer.
bool Encode(png_structp png, png_infop info, const QImage& rgb, png_textp texts, int textCount, png_bytepp rows,
            QByteArray* out)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_set_write_fn(png, out, AppendTo, NoFlush);
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
    png_set_compression_buffer_size(png, IdatChunk);
    if (rgb.format() == QImage::Format_BGR888)
        png_set_bgr(png);
    png_write_info(png, info);
    png_write_image(png, rows);
    png_write_end(png, info);
    return true;
}

}  // namespace

TPngTexts PngTextsOf(const ProgramState& s)
{
    const TFractalParams& p = s.FractalParams;
    const auto level = [](int r, int g, int b) { return QStringLiteral("%1,%2,%3").arg(r).arg(g).arg(b); };
    // Every keyword prefixed: image tools take some plain ones as settings of
    // their own (ImageMagick reads "Depth" as the bit depth and then fails).
    return {
        {QStringLiteral("Quilmora Formula"), QString::number(p.FormulaKind)},
        {QStringLiteral("Quilmora Palette"), QString::number(p.PaletteKind)},
        {QStringLiteral("Quilmora C"), Num(p.Cx) + QLatin1Char(',') + Num(p.Cy)},
        {QStringLiteral("Quilmora Centre"), Num(p.CenterX) + QLatin1Char(',') + Num(p.CenterY)},
        {QStringLiteral("Quilmora Width"), Num(p.ViewWidth)},
        {QStringLiteral("Quilmora Levels"), level(p.R0, p.G0, p.B0) + QLatin1Char(';') + level(p.R1, p.G1, p.B1)},
        {QStringLiteral("Quilmora Depth"), QString::number(s.GetIterationLimit() + 2)},
        {QStringLiteral("Software"), QStringLiteral("quilmora-render")},
    };
}

// 8-bit RGB, every row with the Up filter (the byte minus the one above it):
// as cheap as no filter, and the flat bands of a fractal picture become runs
// of zeros. zlib at level 1 then takes about as long as the walk of a frame,
// where trying all five filters on every row took several times it.
QByteArray EncodePng(const QImage& picture, const TPngTexts& texts)
{
    if (picture.isNull())
        return {};
    const QImage rgb = picture.format() == QImage::Format_BGR888 || picture.format() == QImage::Format_RGB888
                           ? picture
                           : picture.convertToFormat(QImage::Format_RGB888);
    if (rgb.isNull())
        return {};

    // tEXt when the value is Latin-1, iTXt (UTF-8) otherwise; keywords are ASCII.
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
        (latin1 ? t.text_length : t.itxt_length) = size_t(values.back().size());
    }
    std::vector<png_bytep> rows(size_t(rgb.height()));
    for (int y = 0; y < rgb.height(); ++y)
        rows[size_t(y)] = const_cast<png_bytep>(rgb.constScanLine(y));  // only read

    QByteArray out;
    out.reserve(1024 + qsizetype(rgb.width()) * 3 * rgb.height() / 8);
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, Fail, Quiet);
    if (!png)
        return {};
    png_infop info = png_create_info_struct(png);
    const bool ok = info && Encode(png, info, rgb, chunks.data(), int(chunks.size()), rows.data(), &out);
    png_destroy_write_struct(&png, info ? &info : nullptr);
    return ok ? out : QByteArray();
}

bool WritePng(const QString& path, const QImage& picture, const TPngTexts& texts, TWriteTarget target)
{
    const QByteArray bytes = EncodePng(picture, texts);
    return !bytes.isEmpty() && WriteFileWhole(path, bytes, target);
}
