// settings.dat bytes through the start-up path: decode, normalise the palette
// kind and the random-order byte, build the colour table from the levels.

#include "FuzzRender.h"
#include "engine/Palette.h"
#include "files/SettingsFile.h"

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
    TakeSettings(s, r);
    TFractalParams& p = s.FractalParams;
    if (p.PaletteKind < 1 || p.PaletteKind > 8)
        p.PaletteKind = 1;
    if (s.SlideRandomOrder > 1)
        s.SlideRandomOrder = 0;
    BuildColourTable(s);

    RenderTiny(s);
    CheckTableTail(s);
    return 0;
}
