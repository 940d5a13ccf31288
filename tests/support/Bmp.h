#pragma once
// Reading back the 24-bit BMP files the program writes, every header field
// checked, and the reference picture they should hold.

#include "engine/ProgramState.h"
#include "engine/RasterWalk.h"

#include <QFile>
#include <QImage>
#include <QtEndian>

#include <algorithm>
#include <array>
#include <cstring>

struct TBmp {
    bool Valid = false;
    QByteArray Raw;
    int Width = 0, Height = 0;
    QImage Image;  // decoded, top row first
};

using TBmpHeader = std::array<uchar, 54>;

template <typename T>
inline T BmpField(const TBmpHeader& h, int offset)
{
    return qFromLittleEndian<T>(h.data() + offset);
}

// Reads a 24-bit bottom-up BMP and checks every header field on the way.
inline TBmp ReadBmp(const QString& path)
{
    TBmp bmp;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return bmp;
    bmp.Raw = file.readAll();
    const QByteArray& b = bmp.Raw;
    if (b.size() < 54 || b[0] != 'B' || b[1] != 'M')
        return bmp;
    TBmpHeader h;
    std::copy_n(b.constData(), h.size(), h.begin());
    bmp.Width = BmpField<int32_t>(h, 18);
    bmp.Height = BmpField<int32_t>(h, 22);
    const qsizetype rowSize = (qsizetype(bmp.Width) * 3 + 3) / 4 * 4;
    const qsizetype imageSize = rowSize * bmp.Height;
    if (BmpField<uint32_t>(h, 2) != 54 + imageSize || BmpField<uint16_t>(h, 6) != 0 || BmpField<uint16_t>(h, 8) != 0 ||
        BmpField<uint32_t>(h, 10) != 54 || BmpField<uint32_t>(h, 14) != 40 || BmpField<uint16_t>(h, 26) != 1 ||
        BmpField<uint16_t>(h, 28) != 24 || BmpField<uint32_t>(h, 30) != 0 || BmpField<uint32_t>(h, 34) != imageSize ||
        b.size() != 54 + imageSize)
        return bmp;
    bmp.Image = QImage(bmp.Width, bmp.Height, QImage::Format_BGR888);
    for (int y = 0; y < bmp.Height; ++y) {
        const char* row = b.constData() + 54 + (bmp.Height - 1 - y) * rowSize;
        std::memcpy(bmp.Image.scanLine(y), row, qsizetype(bmp.Width) * 3);
        for (qsizetype pad = qsizetype(bmp.Width) * 3; pad < rowSize; ++pad)
            if (row[pad] != 0)
                return bmp;
    }
    bmp.Valid = true;
    return bmp;
}

// The picture the per-pixel walk gives for the state at this size.
inline QImage RenderInProcess(ProgramState& s, int width, int height)
{
    QImage image(width, height, QImage::Format_BGR888);
    RasterWalkReference(s, CentredRaster(s, width, height), TargetOf(image));
    return image;
}

