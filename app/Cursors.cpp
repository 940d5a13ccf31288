#include "app/Cursors.h"

#include <QBitmap>
#include <QImage>

#include <array>
#include <optional>

namespace {

// 32 x 32 two-colour pictures: '#' black, '.' white, blank transparent.
struct TCursorArt {
    const char* Name;
    int HotX, HotY;
    const char* Rows[32];
};

#include "app/CursorArt.inc"

std::array<std::optional<QCursor>, CursorCount>& Table()
{
    static std::array<std::optional<QCursor>, CursorCount> table;
    return table;
}

QCursor Build(const TCursorArt& art)
{
    // One bit a pixel, least significant first; in a QBitmap a set bit is
    // colour 1: black in the picture, shown in the mask.
    uchar bits[32 * 4] = {}, mask[32 * 4] = {};
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            const char c = art.Rows[y][x];
            const uchar bit = uchar(1u << (x % 8));
            if (c == '#' || c == '.')
                mask[y * 4 + x / 8] |= bit;
            if (c == '#')
                bits[y * 4 + x / 8] |= bit;
        }
    return QCursor(QBitmap::fromData(QSize(32, 32), bits, QImage::Format_MonoLSB),
                   QBitmap::fromData(QSize(32, 32), mask, QImage::Format_MonoLSB), art.HotX, art.HotY);
}

}  // namespace

void RegisterCursors()
{
    for (int i = 0; i < CursorCount; ++i)
        if (!Table()[i])
            Table()[i] = Build(Art[i]);
}

QCursor CursorOf(int slot)
{
    if (slot < 1 || slot > CursorCount)
        return QCursor(Qt::ArrowCursor);
    RegisterCursors();
    return *Table()[slot - 1];
}

const char* CursorName(int slot)
{
    return slot >= 1 && slot <= CursorCount ? Art[slot - 1].Name : "";
}

QPoint CursorHotSpot(int slot)
{
    return slot >= 1 && slot <= CursorCount ? QPoint(Art[slot - 1].HotX, Art[slot - 1].HotY) : QPoint();
}

QImage CursorPicture(int slot)
{
    QImage image(32, 32, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    if (slot < 1 || slot > CursorCount)
        return image;
    const TCursorArt& art = Art[slot - 1];
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            const char c = art.Rows[y][x];
            if (c == '#')
                image.setPixel(x, y, qRgb(0x20, 0x30, 0x48));
            else if (c == '.')
                image.setPixel(x, y, qRgb(0xFF, 0xFF, 0xFF));
        }
    return image;
}
