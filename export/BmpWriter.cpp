#include "export/BmpWriter.h"

#include "files/WholeFile.h"

#include <QtEndian>

namespace {
template <typename T>
void Put(QByteArray& b, T v)
{
    const T le = qToLittleEndian(v);
    b.append(reinterpret_cast<const char*>(&le), sizeof(T));
}
}  // namespace

qsizetype BmpRowSize(int width)
{
    return (qsizetype(width) * 3 + 3) / 4 * 4;
}

QByteArray BmpHeader(int width, int height)
{
    const qsizetype image = BmpRowSize(width) * height;
    QByteArray b;
    b.reserve(BmpHeaderSize);
    b.append("BM", 2);
    Put<uint32_t>(b, uint32_t(BmpHeaderSize + image));  // file size
    Put<uint16_t>(b, 0);
    Put<uint16_t>(b, 0);
    Put<uint32_t>(b, BmpHeaderSize);  // offset of the pixels
    Put<uint32_t>(b, 40);             // BITMAPINFOHEADER
    Put<int32_t>(b, width);
    Put<int32_t>(b, height);  // positive: bottom-up
    Put<uint16_t>(b, 1);      // planes
    Put<uint16_t>(b, 24);     // bits per pixel
    Put<uint32_t>(b, 0);      // BI_RGB
    Put<uint32_t>(b, uint32_t(image));
    Put<int32_t>(b, 0);  // pixels per metre, x and y
    Put<int32_t>(b, 0);
    Put<uint32_t>(b, 0);  // colours used
    Put<uint32_t>(b, 0);  // important colours
    return b;
}

bool WriteBmp24(const QString& path, const uchar* rows, qsizetype bytesPerLine, int width,
                int height, TWriteTarget target)
{
    if (width <= 0 || height <= 0)
        return false;
    return WriteFileWhole(path, [&](TFileSink& file) { return PutBmp24(file, rows, bytesPerLine, width, height); },
                          target);
}

bool PutBmp24(TFileSink& file, const uchar* rows, qsizetype bytesPerLine, int width, int height)
{
    if (width <= 0 || height <= 0 || !file.Put(BmpHeader(width, height)))
        return false;
    QByteArray row(BmpRowSize(width), '\0');
    for (int i = height - 1; i >= 0; --i) {
        std::copy_n(rows + qsizetype(i) * bytesPerLine, qsizetype(width) * 3, row.data());
        if (!file.Put(row))
            return false;
    }
    return true;
}
