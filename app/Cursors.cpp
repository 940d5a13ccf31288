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
    QImage bits(32, 32, QImage::Format_MonoLSB), mask(32, 32, QImage::Format_MonoLSB);
    bits.fill(0);
    mask.fill(0);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            const char c = art.Rows[y][x];
            if (c == '#' || c == '.')
                mask.setPixel(x, y, 1);
            if (c == '#')
                bits.setPixel(x, y, 1);
        }
    return QCursor(QBitmap::fromImage(bits), QBitmap::fromImage(mask), art.HotX, art.HotY);
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
