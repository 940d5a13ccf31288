// Fractal file bytes into a fresh state, with and without the file's palette.

#include "files/FileFormats.h"
#include "FuzzRender.h"
#include "engine/Palette.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    for (bool apply : {true, false}) {
        ProgramState s;
        s.IterationLimit = FuzzIterationLimit;
        s.ApplyFilePalette = apply;
        BuildColourTable(s);
        const TFractalParams before = s.FractalParams;
        const auto tableBefore = s.ColourTable;
        const TReadOutcome outcome = DecodeFractalInto(s, bytes);

        const TFractalParams& p = s.FractalParams;
        const bool paletteKept = p.PaletteKind == before.PaletteKind && p.R0 == before.R0 &&
                                 p.G0 == before.G0 && p.B0 == before.B0 && p.R1 == before.R1 &&
                                 p.G1 == before.G1 && p.B1 == before.B1;
        // The outcome says what the flags say.
        const TReadOutcome expected = !s.FileFormulaKnown                ? TReadOutcome::UnknownFormula
                                      : apply && !s.FilePaletteKnown ? TReadOutcome::UnknownPalette
                                                                     : TReadOutcome::Read;
        if (outcome != expected)
            std::abort();
        if (!s.FileFormulaKnown && !(p == before))
            std::abort();  // a refused file changed the state
        if ((!apply || !s.FilePaletteKnown) && (!paletteKept || s.ColourTable != tableBefore))
            std::abort();  // a palette that was not to be taken changed
        if (p.PaletteKind < 1 || p.PaletteKind > 8)
            std::abort();
        // A whole file that was taken in full writes back bit for bit.
        if (apply && s.FileFormulaKnown && s.FilePaletteKnown && size >= FractalFileSize &&
            EncodeFractal(p) != bytes.left(FractalFileSize))
            std::abort();

        RenderTiny(s);
        CheckTableTail(s);
    }
    return 0;
}
