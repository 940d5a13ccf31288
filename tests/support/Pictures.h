#pragma once
// Reading pictures back: pixels as blue, green, red, the picture hash the
// reference calculation gives, and the check that a pixel is a table colour.
// Needs no Qt Test, so the fuzz targets use it too.

#include "engine/ProgramState.h"

#include <QByteArray>
#include <QImage>
#include <QMetaType>

struct TBgr {
    int Blue, Green, Red;
    bool operator==(const TBgr&) const = default;
};
Q_DECLARE_METATYPE(TBgr)

// How a failed comparison prints it.
inline char* toString(const TBgr& c)
{
    return qstrdup(QByteArray("BGR(" + QByteArray::number(c.Blue) + ", " + QByteArray::number(c.Green) + ", " +
                              QByteArray::number(c.Red) + ")")
                       .constData());
}

inline TBgr BgrOf(const TColourEntry& e)
{
    return {e.Blue, e.Green, e.Red};
}

inline TBgr BgrOf(QRgb c)
{
    return {qBlue(c), qGreen(c), qRed(c)};
}

inline QRgb RgbOf(const TColourEntry& e)
{
    return qRgb(e.Red, e.Green, e.Blue);
}

// The first three bytes of the pixel as the walk writes them: Format_BGR888
// packs three, the 32-bit formats hold four.
inline TBgr PixelOf(const QImage& image, int x, int y)
{
    const uchar* p = image.constScanLine(y) + x * (image.format() == QImage::Format_BGR888 ? 3 : 4);
    return {p[0], p[1], p[2]};
}

inline bool PixelIs(const QImage& image, int x, int y, const TColourEntry& e)
{
    return PixelOf(image, x, y) == BgrOf(e);
}

// One of the entries 0..IterationLimit of the state's table.
inline bool PixelIsAnEntry(const QImage& image, int x, int y, const ProgramState& s)
{
    for (int n = 0; n <= s.IterationLimit; ++n)
        if (PixelIs(image, x, y, s.ColourTable[n]))
            return true;
    return false;
}

// FNV-1a 64 over the blue, green, red bytes of every pixel, row by row (for
// Format_BGR888 the bytes of each row as stored).
inline quint64 PictureHash(const QImage& image)
{
    quint64 h = 0xcbf29ce484222325ULL;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const TBgr p = PixelOf(image, x, y);
            for (int b : {p.Blue, p.Green, p.Red}) {
                h ^= quint64(b);
                h *= 0x100000001b3ULL;
            }
        }
    return h;
}
