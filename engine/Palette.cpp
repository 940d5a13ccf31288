#include "engine/Palette.h"

#include "engine/ImageCanvas.h"

#include <algorithm>
#include <cmath>

const char* const PaletteKindNames[PaletteKindCount] = {"LLL", "SSS", "LSS", "SLL", "SLS", "LSL", "SSL", "LLS"};

namespace {

// Per kind 1..8: red, green, blue is a sine channel.
constexpr bool SineChannels[PaletteKindCount][3] = {
    {false, false, false}, {true, true, true},   {false, true, true},  {true, false, false},
    {true, false, true},   {false, true, false}, {true, true, false},  {false, false, true},
};

constexpr float SineAmplitude = 127.0f;
constexpr float AngleFactor = 0.012271846644580364f;  // pi/256 as float

struct TChannel {
    int32_t Level;
    int32_t Period;
    bool Sine;
    float Phase;
};

// Phase of a sine channel so that it starts at its level. Levels outside
// 0..254 have no real arcsine; they are clamped to the nearest end (0 or 254).
float SinePhase(int32_t level)
{
    long double q = (static_cast<long double>(level) - 127) / 127;
    q = std::clamp(q, -1.0L, 1.0L);
    return static_cast<float>(std::asin(static_cast<double>(q)));
}

uint8_t ChannelByte(const TChannel& c, int32_t i)
{
    if (!c.Sine) {
        // Low bytes of P*i and L added with 8-bit wrap-around; unsigned, so no overflow.
        const uint32_t pi = static_cast<uint32_t>(c.Period) * static_cast<uint32_t>(i);
        return static_cast<uint8_t>(pi + static_cast<uint32_t>(c.Level));
    }
    const long double angle =
        static_cast<long double>(c.Period) * AngleFactor * static_cast<long double>(i) + c.Phase;
    const double v = std::sin(static_cast<double>(angle));
    const int32_t b = TruncToInt(static_cast<long double>(v) * SineAmplitude + SineAmplitude);
    return static_cast<uint8_t>(std::clamp(b, 0, 254));
}

}  // namespace

void BuildColourTable(ProgramState& s)
{
    const TFractalParams& p = s.FractalParams;
    TColourEntry& interior = s.ColourTable[0];
    interior.Red = static_cast<uint8_t>(p.R0);
    interior.Green = static_cast<uint8_t>(p.G0);
    interior.Blue = static_cast<uint8_t>(p.B0);

    const int kind = IsKnownPaletteKind(p.PaletteKind) ? p.PaletteKind : 1;
    const bool* sine = SineChannels[kind - 1];
    TChannel red{p.R0, p.R1, sine[0], 0.0f};
    TChannel green{p.G0, p.G1, sine[1], 0.0f};
    TChannel blue{p.B0, p.B1, sine[2], 0.0f};
    for (TChannel* c : {&red, &green, &blue})
        if (c->Sine)
            c->Phase = SinePhase(c->Level);

    for (int32_t i = 1; i <= ColourTableBuilt; ++i) {
        TColourEntry& e = s.ColourTable[i];
        e.Red = ChannelByte(red, i);
        e.Green = ChannelByte(green, i);
        e.Blue = ChannelByte(blue, i);
    }
}

void DrawPaletteLine(ProgramState& s, TImageCanvas& line)
{
    if (!s.PaletteLineKnown) {
        s.PaletteLineKnown = true;
        s.PaletteLineWidth = line.Width();
        s.PaletteLineHeight = line.Height();
        s.PaletteLineRatio = s.PaletteLineWidth > 0 ? 256.0f / s.PaletteLineWidth : 0.0f;
    }
    line.Lock();
    for (int c = 0; c < s.PaletteLineWidth; ++c) {
        const int e = std::clamp(TruncToInt(static_cast<long double>(c) * s.PaletteLineRatio), 0, 255);
        const TColourEntry& entry = s.ColourTable[e];
        line.PenColor = entry.Blue * 65536u + entry.Green * 256u + entry.Red;
        line.MoveTo(c, 0);
        line.LineTo(c, s.PaletteLineHeight);
    }
    line.Unlock();
}
