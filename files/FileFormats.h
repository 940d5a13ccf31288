#pragma once
// Fractal (.frc, 60 bytes) and palette (.ptt, 28 bytes) files: raw
// little-endian dumps of the state's values, no header.

#include "ProgramState.h"

#include <QByteArray>

constexpr int FractalFileSize = 60;
constexpr int PaletteFileSize = 28;

// Each takes its path from s.FilePath and reports open failures in a message.
void ReadFractalFile(ProgramState& s);
void WriteFractalFile(const ProgramState& s);
void ReadPaletteFile(ProgramState& s);
void WritePaletteFile(const ProgramState& s);

// The byte images the writers produce.
QByteArray EncodeFractal(const TFractalParams& p);
QByteArray EncodePalette(const TFractalParams& p);

// The readers' work on bytes already read (a file shorter than its format
// leaves every field it does not hold in full as it was).
void DecodeFractalInto(ProgramState& s, const QByteArray& bytes);
void DecodePaletteInto(ProgramState& s, const QByteArray& bytes);

// Messages about files.
extern const QString MsgCannotRead;
extern const QString MsgCannotWrite;
extern const QString CaptionUnknownFractal;
extern const QString MsgUnknownFractal;
extern const QString CaptionFractalPaletteIgnored;
extern const QString MsgFractalPaletteUnknown;
extern const QString CaptionPaletteIgnored;
extern const QString MsgPaletteUnknown;
extern const QString MsgPreviewUnknown;
