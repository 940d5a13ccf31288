#include "export/PngWriter.h"

#include "files/WholeFile.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>

namespace {

QString Num(double v) { return QString::number(v, 'g', 17); }
QString Num(float v) { return QString::number(double(v), 'g', 9); }

void PutU32(QByteArray& out, quint32 v)
{
    const char b[4] = {char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
    out.append(b, 4);
}

// One chunk: length, type, data, the CRC of type and data.
void PutChunk(QByteArray& out, const char* type, const char* data, qsizetype size)
{
    PutU32(out, quint32(size));
    const qsizetype start = out.size();
    out.append(type, 4);
    out.append(data, size);
    PutU32(out, quint32(crc32(0, reinterpret_cast<const Bytef*>(out.constData() + start), uInt(size + 4))));
}
void PutChunk(QByteArray& out, const char* type, const QByteArray& data)
{
    PutChunk(out, type, data.constData(), data.size());
}

// tEXt when the value is Latin-1, iTXt (UTF-8) otherwise; keywords are ASCII.
void PutText(QByteArray& out, const QString& key, const QString& value)
{
    QByteArray data = key.left(79).toLatin1();
    data.append('\0');
    const bool latin1 = std::all_of(value.begin(), value.end(), [](QChar c) { return c.unicode() < 256; });
    if (latin1) {
        PutChunk(out, "tEXt", data + value.toLatin1());
        return;
    }
    data.append("\0\0\0\0", 4);  // not compressed, method 0, no language, no translated keyword
    PutChunk(out, "iTXt", data + value.toUtf8());
}

// Compressed rows go out as IDAT chunks of this many bytes at most.
constexpr uInt IdatChunk = 256 * 1024;

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

TPngTexts PalettePngTextsOf(const ProgramState& s)
{
    TPngTexts texts = PngTextsOf(s);
    texts.removeIf([](const QPair<QString, QString>& text) {
        return text.first != QLatin1String("Quilmora Palette") && text.first != QLatin1String("Quilmora Levels") &&
               text.first != QLatin1String("Software");
    });
    return texts;
}

// 8-bit RGB, every row with the Up filter (the byte minus the one above it):
// as cheap as no filter, and the flat bands of a fractal picture become runs
// of zeros. zlib at level 1 then takes about as long as the walk of a frame,
// where trying all five filters on every row (Qt's writer) took several times it;
// libpng asked for this same file is as fast on one frame alone but slows a
// whole sweep by 7 to 8 %.
QByteArray EncodePng(const QImage& picture, const TPngTexts& texts)
{
    if (picture.isNull())
        return {};
    const QImage rgb = picture.format() == QImage::Format_BGR888 || picture.format() == QImage::Format_RGB888
                           ? picture
                           : picture.convertToFormat(QImage::Format_RGB888);
    if (rgb.isNull())
        return {};
    const bool swap = rgb.format() == QImage::Format_BGR888;
    const int width = rgb.width(), height = rgb.height();
    const qsizetype rowBytes = qsizetype(width) * 3;

    QByteArray out;
    out.reserve(1024 + rowBytes * height / 8);
    out.append("\x89PNG\r\n\x1a\n", 8);
    QByteArray header;
    PutU32(header, quint32(width));
    PutU32(header, quint32(height));
    header.append("\x08\x02\x00\x00\x00", 5);  // 8 bits, RGB, deflate, adaptive filters, no interlace
    PutChunk(out, "IHDR", header);
    if (rgb.dotsPerMeterX() > 0 && rgb.dotsPerMeterY() > 0) {
        QByteArray phys;
        PutU32(phys, quint32(rgb.dotsPerMeterX()));
        PutU32(phys, quint32(rgb.dotsPerMeterY()));
        phys.append('\x01');  // per metre
        PutChunk(out, "pHYs", phys);
    }
    for (const auto& [key, value] : texts)
        PutText(out, key, value);

    z_stream z{};
    if (deflateInit2(&z, 1, Z_DEFLATED, 15, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        return {};
    // Filtered rows in bands of about 128 KiB; the IDAT being filled.
    const int bandRows = int(std::clamp<qsizetype>(128 * 1024 / (rowBytes + 1), 1, height));
    QByteArray band((rowBytes + 1) * bandRows, Qt::Uninitialized);
    QByteArray idat(IdatChunk, Qt::Uninitialized);
    z.next_out = reinterpret_cast<Bytef*>(idat.data());
    z.avail_out = IdatChunk;
    bool ok = true;
    const auto flushIdat = [&] {
        PutChunk(out, "IDAT", idat.constData(), qsizetype(IdatChunk - z.avail_out));
        z.next_out = reinterpret_cast<Bytef*>(idat.data());
        z.avail_out = IdatChunk;
    };
    for (int y0 = 0; y0 < height && ok; y0 += bandRows) {
        const int rows = std::min(bandRows, height - y0);
        uchar* o = reinterpret_cast<uchar*>(band.data());
        for (int y = y0; y < y0 + rows; ++y) {
            const uchar* s = rgb.constScanLine(y);
            const uchar* above = y > 0 ? rgb.constScanLine(y - 1) : nullptr;
            *o++ = 2;  // Up
            if (above)
                for (qsizetype i = 0; i < rowBytes; ++i)
                    o[i] = uchar(s[i] - above[i]);
            else
                std::memcpy(o, s, size_t(rowBytes));
            if (swap)
                for (qsizetype i = 0; i < rowBytes; i += 3)
                    std::swap(o[i], o[i + 2]);
            o += rowBytes;
        }
        z.next_in = reinterpret_cast<Bytef*>(band.data());
        z.avail_in = uInt((rowBytes + 1) * rows);
        const bool last = y0 + rows >= height;
        for (;;) {
            const int r = deflate(&z, last ? Z_FINISH : Z_NO_FLUSH);
            if (r == Z_STREAM_ERROR) {
                ok = false;
                break;
            }
            if (z.avail_out == 0) {
                flushIdat();
                continue;
            }
            if (last ? r == Z_STREAM_END : z.avail_in == 0)
                break;
        }
    }
    if (ok && z.avail_out < IdatChunk)
        flushIdat();
    deflateEnd(&z);
    if (!ok)
        return {};
    PutChunk(out, "IEND", nullptr, 0);
    return out;
}

bool WritePng(const QString& path, const QImage& picture, const TPngTexts& texts, TWriteTarget target)
{
    const QByteArray bytes = EncodePng(picture, texts);
    return !bytes.isEmpty() && WriteFileWhole(path, bytes, target);
}
