#include "files/SettingsFile.h"

#include "files/FieldCodec.h"
#include "files/NativeFiles.h"
#include "files/WholeFile.h"

TSettingsRecord DecodeSettings(const QByteArray& bytes)
{
    TSettingsRecord r{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    TFieldReader in(bytes);
    in >> r.SlideDelay >> r.CloseExportAfterSave >> r.Left >> r.Top >> r.R0 >> r.G0 >> r.B0 >> r.R1 >> r.G1 >>
        r.B1 >> r.PaletteKind >> r.SlideRandomOrder;
    return r;
}

QByteArray EncodeSettings(const TSettingsRecord& r)
{
    TFieldWriter out;
    out << r.SlideDelay << r.CloseExportAfterSave << r.Left << r.Top << r.R0 << r.G0 << r.B0 << r.R1 << r.G1
        << r.B1 << r.PaletteKind << r.SlideRandomOrder;
    return out.Bytes;
}

bool ReadSettingsFile(const QString& path, TSettingsRecord& r)
{
    QByteArray bytes;
    if (!ReadRegularFile(path, SettingsFileSize, bytes))
        return false;
    r = DecodeSettings(bytes);
    return true;
}

bool WriteSettingsFile(const QString& path, const TSettingsRecord& r)
{
    return WriteFileWhole(path, EncodeSettings(r));
}

void TakeSettings(ProgramState& s, const TSettingsRecord& r)
{
    s.SlideDelay = r.SlideDelay;
    s.CloseExportAfterSave = r.CloseExportAfterSave;
    TFractalParams& p = s.FractalParams;
    p.R0 = r.R0;
    p.G0 = r.G0;
    p.B0 = r.B0;
    p.R1 = r.R1;
    p.G1 = r.G1;
    p.B1 = r.B1;
    p.PaletteKind = r.PaletteKind;
    s.SlideRandomOrder = r.SlideRandomOrder;
}

TSettingsRecord SettingsOf(const ProgramState& s, int32_t left, int32_t top)
{
    const TFractalParams& p = s.FractalParams;
    return {s.SlideDelay, s.CloseExportAfterSave, left, top, p.R0, p.G0, p.B0,
            p.R1, p.G1, p.B1, p.PaletteKind, s.SlideRandomOrder};
}
