#pragma once
// The program's single state: picture values, colouring state, render
// bookkeeping, overview frame, tool and file bookkeeping, window flags.

#include <QImage>
#include <QString>

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>

// One colour table entry, bytes in bitmap order.
struct TColourEntry {
    uint8_t Blue = 0;
    uint8_t Green = 0;
    uint8_t Red = 0;
    bool operator==(const TColourEntry&) const = default;
};
static_assert(sizeof(TColourEntry) == 3, "colour entries are packed 3-byte triples");

constexpr int ColourTableSize = 8192;
constexpr int ColourTableBuilt = 8189;    // entries 1..8189 are synthesised
constexpr int MaxIterationLimit = 8190;   // the export's deepest limit

// Palette kinds 1..8, each a choice of sine or line channels.
constexpr int PaletteKindCount = 8;
constexpr bool IsKnownPaletteKind(int32_t kind) { return kind >= 1 && kind <= PaletteKindCount; }

// The palette levels of a first start.
struct TPaletteLevels {
    int32_t R0, G0, B0, R1, G1, B1;
};
constexpr TPaletteLevels DefaultLevels{36, 16, 12, 26, 18, 8};

// The values of one picture, in the order the fractal file stores them.
struct TFractalParams {
    int32_t FormulaKind = 1;
    int32_t PaletteKind = 1;
    double Cx = 0.402;
    double Cy = 0.339;
    float CenterX = 0.0f;
    float CenterY = 0.0f;
    float ViewWidth = 5.0f;
    int32_t R0 = DefaultLevels.R0, G0 = DefaultLevels.G0, B0 = DefaultLevels.B0;
    int32_t R1 = DefaultLevels.R1, G1 = DefaultLevels.G1, B1 = DefaultLevels.B1;
    bool operator==(const TFractalParams&) const = default;
};

struct TOverviewFrame {
    int32_t X1 = -1, Y1 = -1, X2 = 82, Y2 = 66;
    bool operator==(const TOverviewFrame&) const = default;
};

struct TOverviewMarker {
    int32_t X = 0, Y = 0;
    bool operator==(const TOverviewMarker&) const = default;
};

// What settings.dat keeps: the slide and export options, the window's place,
// the palette. The state holds one as it stood after start-up, for the
// change test of the close.
struct TSettingsRecord {
    int32_t SlideDelay = 4;
    int32_t CloseExportAfterSave = 0;
    int32_t Left = 0, Top = 0;
    int32_t R0 = DefaultLevels.R0, G0 = DefaultLevels.G0, B0 = DefaultLevels.B0;
    int32_t R1 = DefaultLevels.R1, G1 = DefaultLevels.G1, B1 = DefaultLevels.B1;
    int32_t PaletteKind = 1;
    uint8_t SlideRandomOrder = 0;
    bool operator==(const TSettingsRecord&) const = default;
};

// What a press or drag on the main picture does.
enum class TToolMode { Koef, Zoom, Center, Hand, ToFrom };

class ProgramState;
// Colouring function of the current formula: point (x, y) -> table entry.
using TColourFunction = const TColourEntry& (*)(const ProgramState&, float x, float y);

// Windows colour value: red in the low byte.
using TColorRef = uint32_t;
constexpr TColorRef FramePenColour = 0x0000FF;   // red
constexpr TColorRef MarkerPenColour = 0xFFFF00;  // cyan

// Main picture and overview geometry.
constexpr int PicWidth = 530, PicHeight = 409;
constexpr int PicAnchorX = 265, PicAnchorY = 204;
constexpr int OverviewWidth = 81, OverviewHeight = 65;
constexpr int OverviewAnchorX = 40, OverviewAnchorY = 32;
constexpr float FrameStepThreshold = 0.0004f;
constexpr int CoefTrackMax = 2000;  // C track bars run -2000..2000

class ProgramState {
public:
    ProgramState();
    ProgramState(const ProgramState&) = delete;
    ProgramState& operator=(const ProgramState&) = delete;

    // Picture
    TFractalParams FractalParams;

    // View scale values
    float PicStep = 0.0f;
    float DefaultStep = 0.0f;
    float OverviewStep = 0.0f;

    // Colouring
    std::array<TColourEntry, ColourTableSize> ColourTable{};
    TColourFunction ColourFunction = nullptr;
    int32_t IterationLimit = 254;
    int32_t GetIterationLimit() const { return IterationLimit; }
    void SetIterationLimit(int32_t limit);

    // Render bookkeeping
    std::atomic<bool> RenderIdle{false};
    QImage PicBitmap;
    QImage OverviewBitmap;
    QImage FullScreenBitmap;
    QImage FractalPreviewBitmap, PalettePreviewBitmap;
    int32_t FullScreenWidth = 0, FullScreenHeight = 0;
    float FullScreenStep = 0.0f;

    // Overview frame
    bool FrameIsRectangle = true;
    TOverviewFrame OverviewFrame;
    TOverviewMarker OverviewMarker;

    // Mouse tools
    TToolMode ToolMode = TToolMode::Koef;
    float KoefScaleX = 0.0f, KoefScaleY = 0.0f;
    bool PicMouseArmed = true;

    // Palette and coefficient controls
    bool ApplyPaletteAtOnce = true;
    bool CoefficientSync = true;

    // Palette strip geometry, recorded by its first drawing
    bool PaletteLineKnown = false;
    int PaletteLineWidth = 0, PaletteLineHeight = 0;
    float PaletteLineRatio = 0.0f;

    // File bookkeeping
    QString StartDir, FractalsDir, PalettesDir, FilePath, CurrentFractalName;
    bool DialogOpenMode = false;
    bool DialogAccepted = false;
    bool ApplyFilePalette = true;
    bool FileFormulaKnown = false;
    bool FilePaletteKnown = false;
    int32_t FractalListIndex = 0, PaletteListIndex = 0;

    // Window flags and settings
    bool FullScreenOpen = false;
    bool OptionsOpen = false;
    bool SlideShowRunning = false;
    bool AboutOpen = false;
    int16_t SavedCursor = 0;
    int32_t SlideDelay = 4;
    int32_t CloseExportAfterSave = 0;
    uint8_t SlideRandomOrder = 0;
    bool WindowPlaceKnown = true;
    // Settings as they stood after start-up (the palette kind is the start
    // palette kind), with the place the window took.
    TSettingsRecord SavedSettings;

    // Called whenever the colouring function is set to the formula's own,
    // so the window can check its formula menu item.
    std::function<void()> FormulaSelected;
};

// Saturating truncation toward zero; NaN gives 0.
int32_t TruncToInt(long double v);

// PicStep = ViewWidth * (1/530), rounded to float.
float StepForViewWidth(float viewWidth);

// The default view: centre (0, 0), width 5, PicStep for that width.
constexpr float DefaultViewWidth = 5.0f;
void ResetView(ProgramState& s);

// Recomputes KoefScaleX and KoefScaleY from PicStep and DefaultStep.
void UpdateKoefScales(ProgramState& s);

// Sets the colouring function for the current formula kind (kind 1 only).
void SelectColourFunction(ProgramState& s);

// Copies what a picture's walk and the render pass read: the picture's values,
// the steps, the limit, the colour table and function, the overview's frame
// or marker. A thread that draws takes such a copy when it is given its work,
// on the thread that owns 'from'.
void CopyPictureValues(const ProgramState& from, ProgramState& to);
