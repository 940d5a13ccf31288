#pragma once
// PNG files of computed pictures, with the fractal's values in text chunks.

#include "engine/ProgramState.h"

#include <QImage>
#include <QList>
#include <QPair>
#include <QString>

using TPngTexts = QList<QPair<QString, QString>>;

// Formula, palette kind, C, centre, width, levels and depth of the state.
TPngTexts PngTextsOf(const ProgramState& s);

// The PNG file's bytes at a fast compression level; empty when the picture
// cannot be encoded.
QByteArray EncodePng(const QImage& picture, const TPngTexts& texts);

// Writes the picture as a PNG at a fast compression level; whole file or
// nothing. False when the file could not be written.
bool WritePng(const QString& path, const QImage& picture, const TPngTexts& texts);
