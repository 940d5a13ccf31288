#pragma once
// PNG files of computed pictures, with the fractal's values in text chunks.

#include "engine/ProgramState.h"
#include "files/WholeFile.h"

#include <QImage>
#include <QList>
#include <QPair>
#include <QString>

using TPngTexts = QList<QPair<QString, QString>>;

// Formula, palette kind, C, centre, width, levels and depth of the state.
TPngTexts PngTextsOf(const ProgramState& s);
// Those of them a picture of the palette alone carries: kind, levels, Software.
TPngTexts PalettePngTextsOf(const ProgramState& s);

// The PNG file's bytes: 8-bit RGB, rows filtered Up, zlib level 1, the texts
// as tEXt chunks; empty when the picture cannot be encoded. Safe to call from
// several threads at once.
QByteArray EncodePng(const QImage& picture, const TPngTexts& texts);

// Writes the picture as EncodePng encodes it; whole file or nothing. False
// when the file could not be written.
bool WritePng(const QString& path, const QImage& picture, const TPngTexts& texts,
              TWriteTarget target = TWriteTarget::RegularFile);
