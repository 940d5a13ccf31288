#pragma once
// Fractal (.frc, 60 bytes) and palette (.ptt, 28 bytes) files: raw
// little-endian dumps of the state's values, no header.

#include "engine/ProgramState.h"

#include <QByteArray>

constexpr int FractalFileSize = 60;
constexpr int PaletteFileSize = 28;

// What a read did. The state changes only as the outcome says: nothing when the
// file cannot be opened or its formula is unknown; the formula part but not
// the palette when its palette kind is unknown. FileFormulaKnown and
// FilePaletteKnown are set as before.
enum class TReadOutcome { Read, CannotOpen, UnknownFormula, UnknownPalette };

// Each takes its path from s.FilePath and shows no message.
TReadOutcome ReadFractalFile(ProgramState& s);
TReadOutcome ReadPaletteFile(ProgramState& s);
// False when the file cannot be written; an old file is then left whole.
bool WriteFractalFile(const ProgramState& s);
bool WritePaletteFile(const ProgramState& s);

// Where the program reads or writes for the user: the readers' and writers'
// own messages ("cannot open for reading / writing"); each returns its argument.
TReadOutcome ReportRead(TReadOutcome outcome);
bool ReportWrite(bool written);

// The byte images the writers produce.
QByteArray EncodeFractal(const TFractalParams& p);
QByteArray EncodePalette(const TFractalParams& p);

// The readers' work on bytes already read (a file shorter than its format
// leaves every field it does not hold in full as it was).
TReadOutcome DecodeFractalInto(ProgramState& s, const QByteArray& bytes);
TReadOutcome DecodePaletteInto(ProgramState& s, const QByteArray& bytes);

