// Palette file bytes into a fresh state.

#include "files/FileFormats.h"
#include "FuzzRender.h"
#include "engine/Palette.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    ProgramState s;
    s.IterationLimit = FuzzIterationLimit;
    BuildColourTable(s);
    const TFractalParams before = s.FractalParams;
    const auto tableBefore = s.ColourTable;
    const TReadOutcome outcome = DecodePaletteInto(s, bytes);
    if (outcome != (s.FilePaletteKnown ? TReadOutcome::Read : TReadOutcome::UnknownPalette))
        std::abort();

    const TFractalParams& p = s.FractalParams;
    // Only the palette part is the reader's.
    if (p.FormulaKind != before.FormulaKind || p.Cx != before.Cx || p.Cy != before.Cy ||
        p.CenterX != before.CenterX || p.CenterY != before.CenterY || p.ViewWidth != before.ViewWidth)
        std::abort();
    if (!s.FilePaletteKnown && (!(p == before) || s.ColourTable != tableBefore))
        std::abort();
    if (p.PaletteKind < 1 || p.PaletteKind > 8)
        std::abort();
    if (s.FilePaletteKnown && size >= PaletteFileSize &&
        EncodePalette(p) != bytes.left(PaletteFileSize))
        std::abort();

    RenderTiny(s);
    CheckTableTail(s);
    return 0;
}
