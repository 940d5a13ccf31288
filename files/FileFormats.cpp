#include "files/FileFormats.h"

#include "engine/Messages.h"
#include "engine/Palette.h"
#include "files/FieldCodec.h"
#include "files/NativeFiles.h"
#include "files/WholeFile.h"

namespace {

// Kind and levels together, or nothing.
TReadOutcome ReadPalettePart(ProgramState& s, TFieldReader& levels, int32_t kind)
{
    if (!IsKnownPaletteKind(kind)) {
        s.FilePaletteKnown = false;
        return TReadOutcome::UnknownPalette;
    }
    TFractalParams& p = s.FractalParams;
    s.FilePaletteKnown = true;
    p.PaletteKind = kind;
    levels >> p.R0 >> p.G0 >> p.B0 >> p.R1 >> p.G1 >> p.B1;
    BuildColourTable(s);
    return TReadOutcome::Read;
}

}  // namespace

QByteArray EncodeFractal(const TFractalParams& p)
{
    TFieldWriter out;
    out << p.FormulaKind << p.PaletteKind << p.Cx << p.Cy << p.CenterX << p.CenterY << p.ViewWidth
        << p.R0 << p.G0 << p.B0 << p.R1 << p.G1 << p.B1;
    return out.Bytes;
}

QByteArray EncodePalette(const TFractalParams& p)
{
    TFieldWriter out;
    out << p.PaletteKind << p.R0 << p.G0 << p.B0 << p.R1 << p.G1 << p.B1;
    return out.Bytes;
}

TReadOutcome DecodeFractalInto(ProgramState& s, const QByteArray& bytes)
{
    TFractalParams& p = s.FractalParams;
    TFieldReader in(bytes);
    int32_t formulaKind = p.FormulaKind;
    int32_t paletteKind = p.PaletteKind;
    in >> formulaKind >> paletteKind;
    if (formulaKind != 1) {
        s.FileFormulaKnown = false;
        return TReadOutcome::UnknownFormula;
    }
    s.FileFormulaKnown = true;
    p.FormulaKind = 1;
    SelectColourFunction(s);
    in >> p.Cx >> p.Cy >> p.CenterX >> p.CenterY >> p.ViewWidth;
    if (!s.ApplyFilePalette)
        return TReadOutcome::Read;
    return ReadPalettePart(s, in, paletteKind);
}

TReadOutcome DecodePaletteInto(ProgramState& s, const QByteArray& bytes)
{
    TFieldReader in(bytes);
    int32_t paletteKind = s.FractalParams.PaletteKind;
    in >> paletteKind;
    return ReadPalettePart(s, in, paletteKind);
}

TReadOutcome ReadFractalFile(ProgramState& s)
{
    QByteArray bytes;
    if (!ReadRegularFile(s.FilePath, FractalFileSize, bytes))
        return TReadOutcome::CannotOpen;
    return DecodeFractalInto(s, bytes);
}

TReadOutcome ReadPaletteFile(ProgramState& s)
{
    QByteArray bytes;
    if (!ReadRegularFile(s.FilePath, PaletteFileSize, bytes))
        return TReadOutcome::CannotOpen;
    return DecodePaletteInto(s, bytes);
}

bool WriteFractalFile(const ProgramState& s)
{
    return WriteFileWhole(s.FilePath, EncodeFractal(s.FractalParams));
}

bool WritePaletteFile(const ProgramState& s)
{
    return WriteFileWhole(s.FilePath, EncodePalette(s.FractalParams));
}

TReadOutcome ReportRead(TReadOutcome outcome)
{
    if (outcome == TReadOutcome::CannotOpen)
        ShowMessage(TMessageKind::Plain, ProgramTitle, MsgCannotRead);
    return outcome;
}

bool ReportWrite(bool written)
{
    if (!written)
        ShowMessage(TMessageKind::Plain, ProgramTitle, MsgCannotWrite);
    return written;
}
