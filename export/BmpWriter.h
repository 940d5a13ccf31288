#pragma once
// 24-bit uncompressed BMP files (BITMAPINFOHEADER, bottom-up rows padded to 4 bytes).

#include "files/WholeFile.h"

#include <QByteArray>
#include <QString>

#include <QtGlobal>

constexpr int BmpHeaderSize = 54;

// Bytes per stored row of a 24-bit BMP of the given width.
qsizetype BmpRowSize(int width);

// The 54 header bytes for a width x height 24-bit picture.
QByteArray BmpHeader(int width, int height);

// Puts the file's bytes for rows given top to bottom; false when the sink failed.
bool PutBmp24(TFileSink& file, const uchar* rows, qsizetype bytesPerLine, int width, int height);

// Writes rows given top to bottom (3 bytes per pixel, blue, green, red) as a
// BMP file; whole file or nothing. False when the file could not be written.
bool WriteBmp24(const QString& path, const uchar* rows, qsizetype bytesPerLine, int width,
                int height, TWriteTarget target = TWriteTarget::RegularFile);
