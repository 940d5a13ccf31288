// Engine: start-up state, colouring function, raster walk, palette synthesis.

#include "engine/Colouring.h"
#include "engine/ImageCanvas.h"
#include "engine/Palette.h"
#include "engine/ProgramState.h"
#include "engine/RenderPass.h"
#include "engine/SavedState.h"
#include "engine/RasterWalk.h"
#include "tests/support/Pictures.h"

#include <QtTest>

#include <cmath>
#include <limits>
#include <vector>

namespace {

TBgr EntryOf(const ProgramState& s, int i)
{
    return BgrOf(s.ColourTable[i]);
}

void SetPalette(ProgramState& s, int kind, int r0, int g0, int b0, int r1, int g1, int b1)
{
    TFractalParams& p = s.FractalParams;
    p.PaletteKind = kind;
    p.R0 = r0;
    p.G0 = g0;
    p.B0 = b0;
    p.R1 = r1;
    p.G1 = g1;
    p.B1 = b1;
}

// Records every point the walk asks for.
std::vector<std::pair<float, float>> Visited;
const TColourEntry& RecordingColour(const ProgramState& s, float x, float y)
{
    Visited.emplace_back(x, y);
    return s.ColourTable[Visited.size() % 200];
}

}  // namespace


class TestEngine : public QObject {
    Q_OBJECT
private slots:
    void savedCopiesPutBack()
    {
        auto s = std::make_unique<ProgramState>();
        TFractalParams& p = s->FractalParams;
        p = TFractalParams{1, 3, -0.7455, 0.125, 0.5f, -0.25f, 0.75f, 1, 2, 3, 4, 5, 200};
        BuildColourTable(*s);
        s->ColourTable[8190] = {7, 8, 9};
        const TFractalParams saved = p;
        const std::array<TColourEntry, ColourTableSize> table = s->ColourTable;
        const TSavedMainState main = TSavedMainState::Of(*s);
        const TSavedPalette palette = TSavedPalette::Of(*s);

        const auto scramble = [&] {
            p = TFractalParams{2, 8, 1.5, -1.5, 9.0f, 9.0f, 0.001f, 99, 98, 97, 96, 95, 94};
            s->ColourTable.fill({1, 2, 3});
        };
        // Entry 8191 is neither saved nor put back.
        scramble();
        main.PutBack(*s);
        QCOMPARE(p, saved);
        QVERIFY(std::equal(table.begin(), table.begin() + 8191, s->ColourTable.begin()));
        QCOMPARE(s->ColourTable[8191], (TColourEntry{1, 2, 3}));

        // The palette copy: kind and levels, the table apart.
        scramble();
        palette.PutLevelsBack(*s);
        QCOMPARE((std::vector<int>{p.PaletteKind, p.R0, p.G0, p.B0, p.R1, p.G1, p.B1}),
                 (std::vector<int>{3, 1, 2, 3, 4, 5, 200}));
        QCOMPARE(p.FormulaKind, 2);
        QCOMPARE(p.Cx, 1.5);
        QCOMPARE(p.ViewWidth, 0.001f);
        QCOMPARE(s->ColourTable[0], (TColourEntry{1, 2, 3}));
        palette.PutColourTableBack(*s);
        QVERIFY(std::equal(table.begin(), table.begin() + 8191, s->ColourTable.begin()));
        QCOMPARE(s->ColourTable[8191], (TColourEntry{1, 2, 3}));
    }

    void startupState();
    void truncation();
    void koefScales();
    void selectColourFunction();

    void colourTableWorkedValues();
    void colourTableLinearChannelsEverywhere();
    void colourTableUntouchedTail();
    void colourTableUnknownKindsBuildAsLinear();
    void colourTableZeroPeriods();
    void colourTableOutOfRangeLevels();

    void squareColourCases();
    void squareColourIterationLimit();
    void squareColourNonFiniteC();

    void rasterFirstPixelAndStep_data();
    void rasterFirstPixelAndStep();
    void rasterWalkAdvancesByFloatAdditions();
    void rasterWalkRowRangesAndPixelFormats();

    void paletteLine();

    void startupPictures_data();
    void startupPictures();
    void previewsMatchIndependentDerivation_data();
    void previewsMatchIndependentDerivation();
};

void TestEngine::startupState()
{
    ProgramState s;
    const TFractalParams& p = s.FractalParams;
    QCOMPARE(p.FormulaKind, 1);
    QCOMPARE(p.PaletteKind, 1);
    QCOMPARE(p.Cx, 0.402);
    QCOMPARE(p.Cy, 0.339);
    QCOMPARE(p.CenterX, 0.0f);
    QCOMPARE(p.CenterY, 0.0f);
    QCOMPARE(p.ViewWidth, 5.0f);
    QCOMPARE((QList<int>{p.R0, p.G0, p.B0, p.R1, p.G1, p.B1}), (QList<int>{36, 16, 12, 26, 18, 8}));
    QCOMPARE(s.PicStep, 0.0094339624f);
    QCOMPARE(s.DefaultStep, s.PicStep);
    QCOMPARE(s.OverviewStep, 0.061728396f);
    QCOMPARE(s.IterationLimit, 254);
    QVERIFY(!s.RenderIdle.load());
    QVERIFY(s.ColourFunction == SquareColour);
    for (int i = 0; i < ColourTableSize; ++i)
        QCOMPARE(EntryOf(s, i), (TBgr{0, 0, 0}));
    QVERIFY(s.FrameIsRectangle);
    QCOMPARE(s.OverviewFrame, (TOverviewFrame{-1, -1, 82, 66}));
    QCOMPARE(s.ToolMode, TToolMode::Koef);
    QVERIFY(s.PicMouseArmed && s.ApplyPaletteAtOnce && s.CoefficientSync && s.ApplyFilePalette);
    QVERIFY(s.WindowPlaceKnown);
    QVERIFY(!s.FullScreenOpen && !s.OptionsOpen && !s.SlideShowRunning && !s.AboutOpen);
    QCOMPARE(s.SlideDelay, 4);
    QCOMPARE(s.CloseExportAfterSave, 0);
    QCOMPARE(s.SlideRandomOrder, uint8_t(0));

    // The iteration limit never indexes past the table.
    s.SetIterationLimit(8190);
    QCOMPARE(s.GetIterationLimit(), 8190);
    s.SetIterationLimit(100000);
    QCOMPARE(s.GetIterationLimit(), 8191);
}

void TestEngine::truncation()
{
    QCOMPARE(TruncToInt(2.7L), 2);
    QCOMPARE(TruncToInt(-2.7L), -2);
    QCOMPARE(TruncToInt(-0.5L), 0);
    QCOMPARE(TruncToInt(std::numeric_limits<long double>::quiet_NaN()), 0);
    QCOMPARE(TruncToInt(1e20L), std::numeric_limits<int32_t>::max());
    QCOMPARE(TruncToInt(-1e20L), std::numeric_limits<int32_t>::min());
    QCOMPARE(TruncToInt(std::numeric_limits<long double>::infinity()), std::numeric_limits<int32_t>::max());
    QCOMPARE(TruncToInt(2147483646.9L), 2147483646);
    QCOMPARE(TruncToInt(-2147483648.0L), std::numeric_limits<int32_t>::min());
}

void TestEngine::koefScales()
{
    ProgramState s;
    UpdateKoefScales(s);
    // Full track-bar range (2 x 2000) across the picture's width and height.
    QCOMPARE(s.KoefScaleX, float(4000.0L / 530));
    QCOMPARE(s.KoefScaleY, float(4000.0L / 409));
    s.FractalParams.ViewWidth = 0.5f;
    s.PicStep = StepForViewWidth(0.5f);
    UpdateKoefScales(s);
    QCOMPARE(s.KoefScaleX, float(2000.0L * s.PicStep * 2 / (static_cast<long double>(s.DefaultStep) * 530)));
    QVERIFY(std::fabs(s.KoefScaleX - 4000.0f / 5300) < 1e-5f);
}

void TestEngine::selectColourFunction()
{
    ProgramState s;
    int checks = 0;
    s.FormulaSelected = [&checks] { ++checks; };
    s.ColourFunction = RecordingColour;
    s.FractalParams.FormulaKind = 2;
    SelectColourFunction(s);
    QVERIFY(s.ColourFunction == RecordingColour);
    QCOMPARE(checks, 0);
    s.FractalParams.FormulaKind = 1;
    SelectColourFunction(s);
    QVERIFY(s.ColourFunction == SquareColour);
    QCOMPARE(checks, 1);
}

void TestEngine::colourTableWorkedValues()
{
    ProgramState s;
    BuildColourTable(s);
    QCOMPARE(EntryOf(s, 0), (TBgr{12, 16, 36}));
    QCOMPARE(EntryOf(s, 1), (TBgr{20, 34, 62}));
    QCOMPARE(EntryOf(s, 10), (TBgr{92, 196, 40}));

    s.FractalParams.PaletteKind = 2;
    BuildColourTable(s);
    QCOMPARE(EntryOf(s, 0), (TBgr{12, 16, 36}));  // the interior colour ignores the kind
    QCOMPARE(EntryOf(s, 1), (TBgr{17, 32, 68}));
}

void TestEngine::colourTableLinearChannelsEverywhere()
{
    ProgramState s;
    // Periods whose products with the index overflow 32 bits.
    SetPalette(s, 1, 250, -3, 7, 2147483647, -2147483647 - 1, 40);
    BuildColourTable(s);
    for (int i = 1; i <= 8189; ++i) {
        const auto lin = [i](qint64 level, qint64 period) {
            return int(((level + period * i) % 256 + 256) % 256);
        };
        QCOMPARE(EntryOf(s, i), (TBgr{lin(7, 40), lin(-3, -2147483647LL - 1), lin(250, 2147483647)}));
    }
    QCOMPARE(EntryOf(s, 0), (TBgr{7, 253, 250}));  // low bytes of the levels
}

void TestEngine::colourTableUntouchedTail()
{
    ProgramState s;
    for (int kind = 0; kind <= 9; ++kind) {
        SetPalette(s, kind, 100, 50, 0, 40, 33, 17);
        BuildColourTable(s);
        QCOMPARE(EntryOf(s, 8190), (TBgr{0, 0, 0}));
        QCOMPARE(EntryOf(s, 8191), (TBgr{0, 0, 0}));
    }
}

void TestEngine::colourTableUnknownKindsBuildAsLinear()
{
    ProgramState linear, other;
    SetPalette(linear, 1, 90, 80, 70, 5, 6, 7);
    BuildColourTable(linear);
    for (int kind : {0, 9, -1, 1000}) {
        SetPalette(other, kind, 90, 80, 70, 5, 6, 7);
        BuildColourTable(other);
        QVERIFY2(other.ColourTable == linear.ColourTable, qPrintable(QString::number(kind)));
    }
}

void TestEngine::colourTableZeroPeriods()
{
    ProgramState s;
    SetPalette(s, 1, 36, 16, 12, 0, 0, 0);
    BuildColourTable(s);
    for (int i = 1; i <= 8189; ++i)
        QCOMPARE(EntryOf(s, i), EntryOf(s, 0));

    // A sine channel with period 0 stays at its level or one below it.
    for (int level : {0, 1, 36, 100, 127, 200, 254}) {
        SetPalette(s, 2, level, level, level, 0, 0, 0);
        BuildColourTable(s);
        const int v = EntryOf(s, 1).Red;
        QVERIFY2(v == level || v == level - 1, qPrintable(QStringLiteral("%1 -> %2").arg(level).arg(v)));
        for (int i = 2; i <= 8189; ++i)
            QCOMPARE(EntryOf(s, i), EntryOf(s, 1));
    }
}

void TestEngine::colourTableOutOfRangeLevels()
{
    // Sine levels beyond 0..254 act as the nearest end of that range.
    ProgramState s, edge;
    SetPalette(s, 2, 300, -40, 2147483647, 13, 7, 40);
    SetPalette(edge, 2, 254, 0, 254, 13, 7, 40);
    BuildColourTable(s);
    BuildColourTable(edge);
    for (int i = 1; i <= 8189; ++i)
        QCOMPARE(EntryOf(s, i), EntryOf(edge, i));
    // Huge sine periods still give bytes in 0..254.
    SetPalette(s, 2, 50, 60, 70, 2147483647, -2147483647 - 1, 123456789);
    BuildColourTable(s);
    for (int i = 1; i <= 8189; ++i) {
        const TBgr e = EntryOf(s, i);
        QVERIFY(e.Red <= 254 && e.Green <= 254 && e.Blue <= 254);
    }
}

void TestEngine::squareColourCases()
{
    ProgramState s;
    BuildColourTable(s);
    s.FractalParams.Cx = 0.0;
    s.FractalParams.Cy = 0.0;
    QCOMPARE(&SquareColour(s, 0.0f, 0.0f), &s.ColourTable[0]);
    QCOMPARE(&SquareColour(s, 3.0f, 0.0f), &s.ColourTable[1]);  // first iterate 9
    QCOMPARE(&SquareColour(s, 1.5f, 0.0f), &s.ColourTable[1]);  // 2.25 escapes at once
    QCOMPARE(&SquareColour(s, 1.0f, 0.0f), &s.ColourTable[0]);  // fixed point 1
    QCOMPARE(&SquareColour(s, 0.0f, 1.0f), &s.ColourTable[0]);  // -1, 1, 1, ...
    // The starting point is never tested: (0, 0.5) with C = 4.5 lands at 4.25.
    s.FractalParams.Cx = 4.5;
    QCOMPARE(&SquareColour(s, 0.0f, 0.5f), &s.ColourTable[1]);
    // First iterate exactly on the escape circle: (1, 0) with C = 1 gives 2.
    s.FractalParams.Cx = 1.0;
    QCOMPARE(&SquareColour(s, 1.0f, 0.0f), &s.ColourTable[1]);
    // First iterate (0, 2): x'^2 + y'^2 = 4 exactly.
    s.FractalParams.Cx = 0.0;
    QCOMPARE(&SquareColour(s, 1.0f, 1.0f), &s.ColourTable[1]);
    // Just inside the circle after one step, out after the second.
    s.FractalParams.Cx = 0.9;  // 1 -> 1.9 -> 4.51
    QCOMPARE(&SquareColour(s, 1.0f, 0.0f), &s.ColourTable[2]);
}

void TestEngine::squareColourIterationLimit()
{
    // On the real axis with C = 0 a point just above 1 escapes after n squarings;
    // n worked out here with the same float rounding.
    ProgramState s;
    s.FractalParams.Cx = 0.0;
    s.FractalParams.Cy = 0.0;
    const float start = 1.0f + 1.0f / (1 << 20);
    int n = 0;
    for (float x = start; n < 100;) {
        x = float(double(x) * x);
        ++n;
        if (double(x) * x >= 4.0)
            break;
    }
    QVERIFY(n > 10 && n < 100);
    s.SetIterationLimit(n);
    QCOMPARE(&SquareColour(s, start, 0.0f), &s.ColourTable[n]);
    s.SetIterationLimit(n - 1);
    QCOMPARE(&SquareColour(s, start, 0.0f), &s.ColourTable[0]);
    s.SetIterationLimit(0);
    QCOMPARE(&SquareColour(s, 3.0f, 0.0f), &s.ColourTable[0]);  // one iterate, then the limit
    s.SetIterationLimit(-7);
    QCOMPARE(&SquareColour(s, 3.0f, 0.0f), &s.ColourTable[0]);

    // With limit 254 only entries 0..254 occur over a whole picture.
    s.FractalParams.Cx = 0.402;
    s.FractalParams.Cy = 0.339;
    s.SetIterationLimit(254);
    const TRaster r = CentredRaster(s, 120, 90);
    float y = RasterStartY(r);
    for (int row = 0; row < r.Height; ++row, y = y - r.Step) {
        float x = RasterStartX(r);
        for (int col = 0; col < r.Width; ++col, x = x + r.Step) {
            const qptrdiff e = &SquareColour(s, x, y) - s.ColourTable.data();
            QVERIFY(e >= 0 && e <= 254);
        }
    }
}

void TestEngine::squareColourNonFiniteC()
{
    ProgramState s;
    s.FractalParams.Cx = std::numeric_limits<double>::quiet_NaN();
    QCOMPARE(&SquareColour(s, 0.5f, 0.5f), &s.ColourTable[0]);  // NaN never escapes
    s.FractalParams.Cx = std::numeric_limits<double>::infinity();
    QCOMPARE(&SquareColour(s, 0.5f, 0.5f), &s.ColourTable[1]);
    s.FractalParams.Cx = 1e300;  // beyond float: the iterate becomes infinite
    QCOMPARE(&SquareColour(s, 0.5f, 0.5f), &s.ColourTable[1]);
    s.FractalParams.Cx = 0.0;
    QCOMPARE(&SquareColour(s, std::numeric_limits<float>::quiet_NaN(), 0.0f), &s.ColourTable[0]);
}

void TestEngine::rasterFirstPixelAndStep_data()
{
    QTest::addColumn<int>("target");  // 0 main, 1 overview, 2 centred
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("anchorX");
    QTest::addColumn<int>("anchorY");
    QTest::addColumn<float>("step");
    QTest::addColumn<float>("firstX");
    QTest::addColumn<float>("firstY");
    QTest::newRow("main") << 0 << 530 << 409 << 265 << 204 << 0.0094339624f
                          << float(-265.0L * 0.0094339624f) << float(204.0L * 0.0094339624f);
    QTest::newRow("overview") << 1 << 81 << 65 << 40 << 32 << 0.061728396f
                              << float(-40.0L * 0.061728396f) << float(32.0L * 0.061728396f);
    QTest::newRow("full screen 1024x768") << 2 << 1024 << 768 << 512 << 384 << float(5.0 / 1024)
                                          << -2.5f << 1.875f;
    QTest::newRow("export 320x240") << 2 << 320 << 240 << 160 << 120 << float(5.0 / 320) << -2.5f << 1.875f;
    QTest::newRow("preview 145x105") << 2 << 145 << 105 << 72 << 52 << float(5.0L / 145)
                                     << float(-72.0L * float(5.0L / 145)) << float(52.0L * float(5.0L / 145));
    QTest::newRow("odd 7x3") << 2 << 7 << 3 << 3 << 1 << float(5.0L / 7) << float(-3.0L * float(5.0L / 7))
                             << float(5.0L / 7);
    QTest::newRow("1x1") << 2 << 1 << 1 << 0 << 0 << 5.0f << 0.0f << 0.0f;
}

void TestEngine::rasterFirstPixelAndStep()
{
    QFETCH(int, target);
    QFETCH(int, width);
    QFETCH(int, height);
    ProgramState s;
    const TRaster r = target == 0   ? MainPictureRaster(s)
                      : target == 1 ? OverviewRaster(s)
                                    : CentredRaster(s, width, height);
    QCOMPARE(r.Width, width);
    QCOMPARE(r.Height, height);
    QTEST(r.AnchorX, "anchorX");
    QTEST(r.AnchorY, "anchorY");
    QTEST(r.Step, "step");
    QTEST(RasterStartX(r), "firstX");
    QTEST(RasterStartY(r), "firstY");
}

void TestEngine::rasterWalkAdvancesByFloatAdditions()
{
    // Off-centre view with a step that does not add up exactly.
    ProgramState s;
    s.FractalParams.CenterX = 0.3f;
    s.FractalParams.CenterY = -0.7f;
    s.FractalParams.ViewWidth = 0.0123f;
    s.ColourFunction = RecordingColour;
    const TRaster r = CentredRaster(s, 33, 17);
    QCOMPARE(r.Step, float(0.0123L / 33));
    QImage image(33, 17, QImage::Format_RGB32);
    Visited.clear();
    RasterWalk(s, r, TargetOf(image));
    QCOMPARE(int(Visited.size()), 33 * 17);
    float y = float(8.0L * r.Step + static_cast<long double>(-0.7f));
    const float x0 = float(static_cast<long double>(0.3f) - 16.0L * r.Step);
    int k = 0;
    for (int row = 0; row < 17; ++row) {
        float x = x0;
        for (int col = 0; col < 33; ++col) {
            QCOMPARE(Visited[k].first, x);
            QCOMPARE(Visited[k].second, y);
            ++k;
            x = x + r.Step;
        }
        y = y - r.Step;
    }
    // Repeated addition, not start + index * step: they part somewhere.
    bool differs = false;
    for (int col = 0; col < 33; ++col)
        differs |= Visited[col].first != float(x0 + col * static_cast<long double>(r.Step));
    QVERIFY(differs);
}

void TestEngine::rasterWalkRowRangesAndPixelFormats()
{
    ProgramState s;
    BuildColourTable(s);
    const TRaster r = CentredRaster(s, 61, 47);
    QImage whole(61, 47, QImage::Format_RGB32);
    whole.fill(0xFF123456);
    RasterWalk(s, r, TargetOf(whole));
    QImage banded(61, 47, QImage::Format_RGB32);
    banded.fill(0xFF123456);
    for (int row = 0; row < 47; row += 21)
        RasterWalk(s, r, TargetOf(banded), row, row + 21);
    QCOMPARE(banded, whole);
    QImage packed(61, 47, QImage::Format_BGR888);
    RasterWalk(s, r, TargetOf(packed));
    for (int y = 0; y < 47; ++y)
        for (int x = 0; x < 61; ++x) {
            QCOMPARE(PixelOf(packed, x, y), PixelOf(whole, x, y));
            QCOMPARE(qAlpha(whole.pixel(x, y)), 0xFF);  // the fourth byte is left alone
        }
}

void TestEngine::paletteLine()
{
    ProgramState s;
    BuildColourTable(s);
    TImageCanvas line(529, 15);
    DrawPaletteLine(s, line);
    QCOMPARE(s.PaletteLineRatio, 0.48393196f);
    QCOMPARE(s.PaletteLineWidth, 529);
    QCOMPARE(s.PaletteLineHeight, 15);
    for (int c = 0; c < 529; ++c) {
        const int e = int(c * static_cast<long double>(s.PaletteLineRatio));
        const TBgr want = EntryOf(s, e);
        for (int row = 0; row < 15; ++row) {
            const QRgb px = line.Image.pixel(c, row);
            QCOMPARE(BgrOf(px), want);
        }
    }
    const QRgb first = line.Image.pixel(0, 7), last = line.Image.pixel(528, 7);
    QCOMPARE(BgrOf(first), EntryOf(s, 0));
    QCOMPARE(BgrOf(last), EntryOf(s, 255));

    // Later calls keep the geometry recorded by the first.
    TImageCanvas wider(600, 20);
    DrawPaletteLine(s, wider);
    QCOMPARE(s.PaletteLineWidth, 529);
    QCOMPARE(wider.Image.pixel(540, 3), qRgb(0, 0, 0));
    QCOMPARE(wider.Image.pixel(10, 16), qRgb(0, 0, 0));
}

void TestEngine::startupPictures_data()
{
    // Hashes and pixels worked out by tests/reference/derive_pictures.py,
    // an independent plain-Python calculation.
    QTest::addColumn<int>("target");
    QTest::addColumn<quint64>("hash");
    QTest::addColumn<QList<QPoint>>("points");
    QTest::addColumn<QList<TBgr>>("colours");
    QTest::newRow("main 530x409")
        << 0 << Q_UINT64_C(0x95a76d23f070e0bd)
        << QList<QPoint>{{0, 0}, {265, 204}, {529, 408}, {200, 150}, {300, 250}, {250, 120}}
        << QList<TBgr>{{20, 34, 62}, {12, 16, 36}, {20, 34, 62}, {60, 124, 192}, {140, 48, 196}, {204, 0, 212}};
    QTest::newRow("overview 81x65")
        << 1 << Q_UINT64_C(0x145801f477297f17) << QList<QPoint>{{0, 0}, {40, 32}, {80, 64}, {30, 20}}
        << QList<TBgr>{{20, 34, 62}, {12, 16, 36}, {20, 34, 62}, {12, 16, 36}};
    QTest::newRow("render 320x240")
        << 2 << Q_UINT64_C(0xf918550daef6292d) << QList<QPoint>{{0, 0}, {160, 120}, {319, 239}, {120, 80}}
        << QList<TBgr>{{20, 34, 62}, {12, 16, 36}, {20, 34, 62}, {92, 196, 40}};
}

void TestEngine::startupPictures()
{
    QFETCH(int, target);
    QFETCH(quint64, hash);
    QFETCH(QList<QPoint>, points);
    QFETCH(QList<TBgr>, colours);
    ProgramState s;
    BuildColourTable(s);
    const TRaster r = target == 0   ? MainPictureRaster(s)
                      : target == 1 ? OverviewRaster(s)
                                    : CentredRaster(s, 320, 240);
    QImage image(r.Width, r.Height, target == 2 ? QImage::Format_BGR888 : QImage::Format_RGB32);
    RasterWalk(s, r, TargetOf(image));
    QCOMPARE(PictureHash(image), hash);
    for (qsizetype i = 0; i < points.size(); ++i)
        QCOMPARE(PixelOf(image, points[i].x(), points[i].y()), colours[i]);
}

void TestEngine::previewsMatchIndependentDerivation_data()
{
    // Hashes and pixels worked out by tests/reference/derive_pictures.py.
    // Levels R0, G0, B0, R1, G1, B1 of palette kind 1.
    QTest::addColumn<double>("cx");
    QTest::addColumn<double>("cy");
    QTest::addColumn<float>("centerX");
    QTest::addColumn<float>("centerY");
    QTest::addColumn<float>("viewWidth");
    QTest::addColumn<QList<int>>("levels");
    QTest::addColumn<quint64>("hash");
    QTest::addColumn<QList<QPoint>>("points");
    QTest::addColumn<QList<TBgr>>("colours");
    QTest::newRow("fractal preview")
        << -0.7455 << 0.1 << 0.1f << -0.05f << 1.5f << QList<int>{50, 20, 90, 7, 33, 12}
        << Q_UINT64_C(0x8c5e475feda734ff)
        << QList<QPoint>{{0, 0}, {72, 52}, {144, 104}, {22, 0}, {0, 100}, {103, 35}, {35, 28}}
        << QList<TBgr>{{150, 185, 85}, {250, 12, 250}, {126, 119, 71}, {90, 20, 50},
                       {126, 119, 71}, {154, 132, 66}, {66, 210, 36}};
    QTest::newRow("palette preview, start-up fractal")
        << 0.402 << 0.339 << 0.0f << 0.0f << 5.0f << QList<int>{80, 5, 40, 3, 29, 17}
        << Q_UINT64_C(0x12d77aabe3049fbe)
        << QList<QPoint>{{0, 0}, {72, 52}, {144, 104}, {64, 15}, {91, 82}, {76, 38}}
        << QList<TBgr>{{57, 34, 83}, {40, 5, 80}, {57, 34, 83}, {91, 92, 89}, {33, 234, 139}, {12, 153, 60}};
}

void TestEngine::previewsMatchIndependentDerivation()
{
    QFETCH(double, cx);
    QFETCH(double, cy);
    QFETCH(float, centerX);
    QFETCH(float, centerY);
    QFETCH(float, viewWidth);
    QFETCH(QList<int>, levels);
    QFETCH(quint64, hash);
    QFETCH(QList<QPoint>, points);
    QFETCH(QList<TBgr>, colours);
    ProgramState s;
    TFractalParams& p = s.FractalParams;
    p.Cx = cx;
    p.Cy = cy;
    p.CenterX = centerX;
    p.CenterY = centerY;
    p.ViewWidth = viewWidth;
    SetPalette(s, 1, levels[0], levels[1], levels[2], levels[3], levels[4], levels[5]);
    BuildColourTable(s);

    QImage bitmap;
    TImageCanvas canvas(PreviewWidth, PreviewHeight);
    RenderPreview(s, bitmap, canvas);
    QCOMPARE(bitmap.size(), QSize(145, 105));
    QCOMPARE(PictureHash(bitmap), hash);
    for (qsizetype i = 0; i < points.size(); ++i)
        QCOMPARE(PixelOf(bitmap, points[i].x(), points[i].y()), colours[i]);
    // The canvas holds the same pixels.
    QCOMPARE(PictureHash(canvas.Image), hash);
    QCOMPARE(canvas.Image, bitmap);
}

QTEST_GUILESS_MAIN(TestEngine)
#include "tst_engine.moc"
