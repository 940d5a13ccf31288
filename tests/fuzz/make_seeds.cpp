// Writes a small seed corpus for the fuzz targets with the program's own
// encoders: <dir>/fractal, <dir>/palette, <dir>/settings.

#include "files/FileFormats.h"
#include "files/SettingsFile.h"
#include "tests/support/Files.h"

#include <QDir>

#include <cstdio>
#include <limits>

namespace {

bool Put(const QString& dir, const QString& name, const QByteArray& bytes)
{
    return WriteBytes(dir + QLatin1Char('/') + name, bytes);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <corpus folder>\n", argv[0]);
        return 2;
    }
    const QString root = QString::fromLocal8Bit(argv[1]);
    const QString frc = root + QStringLiteral("/fractal");
    const QString ptt = root + QStringLiteral("/palette");
    const QString dat = root + QStringLiteral("/settings");
    for (const QString& d : {frc, ptt, dat})
        if (!QDir().mkpath(d))
            return 1;
    bool ok = true;

    const TFractalParams start;
    ok &= Put(frc, QStringLiteral("startup.frc"), EncodeFractal(start));
    ok &= Put(ptt, QStringLiteral("startup.ptt"), EncodePalette(start));
    for (int kind = 1; kind <= 8; ++kind) {
        TFractalParams p;
        p.PaletteKind = kind;
        p.Cx = -0.7436438870371587;
        p.Cy = 0.13182590420531197;
        p.CenterX = -0.25f * kind;
        p.ViewWidth = 5.0f / float(1 << kind);
        p.R0 = 10 * kind;
        p.B1 = 40 - kind;
        ok &= Put(frc, QStringLiteral("kind%1.frc").arg(kind), EncodeFractal(p));
        ok &= Put(ptt, QStringLiteral("kind%1.ptt").arg(kind), EncodePalette(p));
    }

    TFractalParams odd;
    odd.FormulaKind = 2;
    ok &= Put(frc, QStringLiteral("formula2.frc"), EncodeFractal(odd));
    odd.FormulaKind = 1;
    odd.PaletteKind = 9;
    ok &= Put(frc, QStringLiteral("palette9.frc"), EncodeFractal(odd));
    ok &= Put(ptt, QStringLiteral("palette9.ptt"), EncodePalette(odd));
    odd.PaletteKind = 2;
    odd.R0 = -5;
    odd.G0 = 300;
    odd.B0 = std::numeric_limits<int32_t>::min();
    odd.R1 = 200;
    odd.G1 = -3;
    odd.B1 = std::numeric_limits<int32_t>::max();
    ok &= Put(frc, QStringLiteral("levels.frc"), EncodeFractal(odd));
    ok &= Put(ptt, QStringLiteral("levels.ptt"), EncodePalette(odd));
    odd.Cx = std::numeric_limits<double>::quiet_NaN();
    odd.Cy = std::numeric_limits<double>::infinity();
    odd.ViewWidth = std::numeric_limits<float>::infinity();
    odd.CenterX = std::numeric_limits<float>::denorm_min();
    ok &= Put(frc, QStringLiteral("nonfinite.frc"), EncodeFractal(odd));
    ok &= Put(frc, QStringLiteral("short.frc"), EncodeFractal(start).left(30));
    ok &= Put(ptt, QStringLiteral("short.ptt"), EncodePalette(start).left(13));

    const TSettingsRecord defaults;
    ok &= Put(dat, QStringLiteral("defaults.dat"), EncodeSettings(defaults));
    TSettingsRecord s;
    s.SlideDelay = 9;
    s.CloseExportAfterSave = 1;
    s.Left = -120;
    s.Top = 333;
    s.PaletteKind = 9;
    s.SlideRandomOrder = 7;
    s.R0 = 250;
    s.G1 = -40;
    ok &= Put(dat, QStringLiteral("odd.dat"), EncodeSettings(s));
    ok &= Put(dat, QStringLiteral("short.dat"), EncodeSettings(defaults).left(22));
    return ok ? 0 : 1;
}
