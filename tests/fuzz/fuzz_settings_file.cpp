// settings.dat bytes through the start-up path: decode, normalise the palette
// kind and the random-order byte, build the colour table from the levels.

#include "FuzzRender.h"
#include "Palette.h"
#include "SettingsFile.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    const TSettingsRecord r = DecodeSettings(bytes);
    const QByteArray again = EncodeSettings(r);
    if (again.size() != SettingsFileSize)
        std::abort();
    if (size >= size_t(SettingsFileSize) && again != bytes.left(SettingsFileSize))
        std::abort();
    if (size < size_t(SettingsFileSize)) {
        // Whole fields as read, zero from the first one the bytes cut short.
        const qsizetype whole = qsizetype(size) / 4 * 4;
        if (again.left(whole) != bytes.left(whole) ||
            again.mid(whole).count('\0') != SettingsFileSize - whole)
            std::abort();
    }

    ProgramState s;
    s.IterationLimit = FuzzIterationLimit;
    s.SlideDelay = r.SlideDelay;
    s.CloseExportAfterSave = r.CloseExportAfterSave;
    s.SlideRandomOrder = r.SlideRandomOrder;
    TFractalParams& p = s.FractalParams;
    p.R0 = r.R0;
    p.G0 = r.G0;
    p.B0 = r.B0;
    p.R1 = r.R1;
    p.G1 = r.G1;
    p.B1 = r.B1;
    p.PaletteKind = r.PaletteKind;
    if (p.PaletteKind < 1 || p.PaletteKind > 8)
        p.PaletteKind = 1;
    if (s.SlideRandomOrder > 1)
        s.SlideRandomOrder = 0;
    BuildColourTable(s);

    RenderTiny(s);
    CheckTableTail(s);
    return 0;
}
