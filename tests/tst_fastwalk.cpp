// Fast raster walk: pixel for pixel equal to the reference walk on every view,
// limit, palette, size and pixel format, on every vector target this CPU has,
// in every kernel shape and with any number of threads, more than the cores
// too; row ranges, report bands, concurrent callers.

#include "engine/Colouring.h"
#include "engine/FastWalk.h"
#include "engine/FastWalkPool.h"
#include "engine/Palette.h"
#include "engine/ProgramState.h"
#include "engine/RasterWalk.h"
#include "tests/support/Pictures.h"

#include <QProcess>
#include <QtTest>

#include <atomic>
#include <cmath>
#include <cstring>
#include <limits>
#include <thread>
#include <tuple>
#include <vector>

namespace {

constexpr uchar Untouched = 0x5A;

// Entry i gets bytes that spell i, so that a count off by one always shows
// (real palettes repeat colours with their periods).
void SetCountingTable(ProgramState& s)
{
    for (int i = 0; i < ColourTableSize; ++i)
        s.ColourTable[i] = {uint8_t(i & 0xFF), uint8_t(i >> 8), uint8_t(0xC0 | (i * 7 & 0x3F))};
}

// The entry a pixel of the counting table spells.
int CountOf(const QImage& image, int x = 0, int y = 0)
{
    const TBgr p = PixelOf(image, x, y);
    return p.Blue | (p.Green << 8);
}

QImage Blank(int w, int h, QImage::Format format)
{
    QImage image(w, h, format);
    image.fill(QColor(Untouched, Untouched, Untouched, Untouched).rgba());
    // fill() of RGB32 forces the fourth byte to 0xFF; set every byte.
    for (int y = 0; y < h; ++y)
        std::memset(image.scanLine(y), Untouched, size_t(image.bytesPerLine()));
    return image;
}

QImage Reference(const ProgramState& s, const TRaster& r, QImage::Format format = QImage::Format_RGB32)
{
    QImage image = Blank(r.Width, r.Height, format);
    RasterWalkReference(s, r, TargetOf(image));
    return image;
}

QImage Fast(const ProgramState& s, const TRaster& r, QImage::Format format, TFastWalkOptions o)
{
    QImage image = Blank(r.Width, r.Height, format);
    FastRasterWalk(s, r, TargetOf(image), 0, -1, o);
    return image;
}

// First difference of the blue, green, red bytes (and of the untouched fourth
// byte when both are 32-bit), as text; empty when equal.
QString Difference(const QImage& expected, const QImage& actual)
{
    if (expected.size() != actual.size())
        return QStringLiteral("size differs");
    const int be = expected.format() == QImage::Format_BGR888 ? 3 : 4;
    const int ba = actual.format() == QImage::Format_BGR888 ? 3 : 4;
    const int bytes = be == ba ? be : 3;
    for (int y = 0; y < expected.height(); ++y) {
        const uchar* pe = expected.constScanLine(y);
        const uchar* pa = actual.constScanLine(y);
        for (int x = 0; x < expected.width(); ++x)
            for (int b = 0; b < bytes; ++b)
                if (pe[x * be + b] != pa[x * ba + b])
                    return QStringLiteral("pixel (%1, %2) byte %3: %4 expected, %5 found")
                        .arg(x).arg(y).arg(b).arg(pe[x * be + b]).arg(pa[x * ba + b]);
    }
    return {};
}

struct TView {
    double Cx = 0.402, Cy = 0.339;
    float CenterX = 0.0f, CenterY = 0.0f, ViewWidth = 5.0f;
    int Limit = 254;
    int PaletteKind = 0;  // 0: counting table, else a synthesised palette
    int Width = 160, Height = 120;
    bool MainPicture = false;  // the main picture's own raster
};

void Apply(ProgramState& s, const TView& v)
{
    s.FractalParams.Cx = v.Cx;
    s.FractalParams.Cy = v.Cy;
    s.FractalParams.CenterX = v.CenterX;
    s.FractalParams.CenterY = v.CenterY;
    s.FractalParams.ViewWidth = v.ViewWidth;
    s.PicStep = StepForViewWidth(v.ViewWidth);
    s.IterationLimit = v.Limit;
    if (v.PaletteKind == 0) {
        SetCountingTable(s);
    } else {
        s.FractalParams.PaletteKind = v.PaletteKind;
        BuildColourTable(s);
    }
}

TRaster RasterOf(const ProgramState& s, const TView& v)
{
    return v.MainPicture ? MainPictureRaster(s) : CentredRaster(s, v.Width, v.Height);
}

// Every way of walking the tests check: each target with one to three
// threads in the shape it picks and in every shape, all with the cycle check;
// and each target without it, and as the picture says.
struct TWalkWay {
    TFastWalkOptions Options;
    QByteArray Name;
};

std::vector<TWalkWay> WalkWays()
{
    std::vector<TWalkWay> ways;
    for (int64_t target : FastWalkTargets()) {
        const QByteArray name = FastWalkTargetName(target);
        for (int threads : {1, 2, 3})
            ways.push_back({{threads, target, nullptr, -1, 1}, name + ", threads " + QByteArray::number(threads)});
        for (int v = 0; v < FastWalkVariantCount(); ++v)
            ways.push_back({{2, target, nullptr, v, 1}, name + ", " + FastWalkVariantName(v)});
        ways.push_back({{2, target, nullptr, -1, 0}, name + ", no cycle check"});
        ways.push_back({{2, target}, name + ", cycle check as the picture says"});
    }
    return ways;
}

// Runs test functions of this program in a process of its own with the
// variable set; its output, or null when it failed.
QByteArray RunSelf(const char* variable, const QByteArray& value, const QStringList& functions)
{
    QProcess self;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QString::fromLatin1(variable), QString::fromLatin1(value));
    self.setProcessEnvironment(env);
    self.setProcessChannelMode(QProcess::MergedChannels);
    self.start(QCoreApplication::applicationFilePath(), functions);
    if (!self.waitForFinished(60000))
        return {};
    const QByteArray out = self.readAll();
    if (self.exitStatus() != QProcess::NormalExit || self.exitCode() != 0) {
        qWarning("%s", out.constData());
        return {};
    }
    return out;
}

// Iterations the colouring function does for a picture of the counting
// table: n for an escape at n, limit + 1 inside.
int64_t PlainIterations(const QImage& image, int limit)
{
    int64_t total = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const int n = CountOf(image, x, y);
            total += n == 0 ? limit + 1 : n;
        }
    return total;
}

}  // namespace

Q_DECLARE_METATYPE(TView)

class TestFastWalk : public QObject {
    Q_OBJECT

private slots:
    void targets();
    void variants();
    void matchesReference_data();
    void matchesReference();
    void escapeCountsAroundTheLimit();
    void rowRanges();
    void reportBands();
    void concurrentCallers();
    void moreThreadsThanCores_data();
    void moreThreadsThanCores();
    void otherColourFunctions();
    void cycleCheck();
    void orbitsClose();
    // Last: they fork, and the sanitizers allow no new threads (nor trust
    // the walks) after that.
    void forcedVariant();
    void cycleCheckSwitch();
};

void TestFastWalk::targets()
{
    const std::vector<int64_t> all = FastWalkTargets();
    QVERIFY(!all.empty());
    for (size_t i = 0; i < all.size(); ++i) {
        QVERIFY2(QByteArray(FastWalkTargetName(all[i])) != "Unknown", QByteArray::number(qint64(all[i])));
        if (i > 0)
            QVERIFY(all[i - 1] < all[i]);  // best first
    }
    QStringList names;
    for (int64_t t : all)
        names << QLatin1String(FastWalkTargetName(t));
    qInfo("vector targets: %s", qPrintable(names.join(QLatin1String(", "))));
}

void TestFastWalk::variants()
{
    QVERIFY(FastWalkVariantCount() > 1);
    QSet<QByteArray> names;
    for (int v = 0; v < FastWalkVariantCount(); ++v)
        names.insert(FastWalkVariantName(v));
    QCOMPARE(names.size(), FastWalkVariantCount());
    QVERIFY(!names.contains(QByteArray()));
    QCOMPARE(QByteArray(FastWalkVariantName(FastWalkVariantCount())), QByteArray());

    // Every target settles on one of its shapes, for good: by calibration or
    // by the name in QUILMORA_WALK_VARIANT.
    // With the cycle check and without it, each calibrated on its own.
    const QByteArray forced = qgetenv("QUILMORA_WALK_VARIANT");
    for (int64_t target : FastWalkTargets()) {
        QByteArray line = QByteArray(FastWalkTargetName(target)) + ":";
        for (int check : {1, 0}) {
            const int v = FastWalkVariant(target, check);
            QVERIFY(v >= 0 && v < FastWalkVariantCount());
            QCOMPARE(FastWalkVariant(target, check), v);
            if (names.contains(forced)) {
                QCOMPARE(QByteArray(FastWalkVariantName(v)), forced);
                QCOMPARE(FastWalkCalibrationSeconds(target, check), 0.0);
            } else {
                QVERIFY(FastWalkCalibrationSeconds(target, check) > 0.0);
            }
            line += QStringLiteral(" %1 (calibration %2 ms)")
                        .arg(QLatin1String(FastWalkVariantName(v)))
                        .arg(FastWalkCalibrationSeconds(target, check) * 1e3, 0, 'f', 2)
                        .toLatin1();
        }
        qInfo("%s", line.constData());
    }
    QCOMPARE(FastWalkVariant(0), FastWalkVariant(FastWalkTargets().front()));
}

// The environment names the shape for the whole process: this test in a
// process of its own, the variable set.
void TestFastWalk::forcedVariant()
{
    const QByteArray name = FastWalkVariantName(FastWalkVariantCount() - 1);
    const QByteArray out = RunSelf("QUILMORA_WALK_VARIANT", name, {QStringLiteral("variants")});
    QVERIFY(!out.isNull());
    for (int64_t target : FastWalkTargets())
        QVERIFY2(out.contains(QByteArray(FastWalkTargetName(target)) + ": " + name + " (calibration 0.00 ms) " + name +
                              " (calibration 0.00 ms)"),
                 out.constData());
}

// The check leaves every pixel as it was and saves iterations where orbits
// close; the walk counts them, banded or not, with the check and without.
void TestFastWalk::cycleCheck()
{
    ProgramState s;
    TView v;
    v.Cx = 0.0, v.Cy = 0.0, v.ViewWidth = 0.5f, v.Width = 300, v.Height = 100;
    Apply(s, v);
    const TRaster r = RasterOf(s, v);
    const QImage expected = Reference(s, r);
    const int64_t plain = PlainIterations(expected, v.Limit);
    const bool on = qgetenv("QUILMORA_CYCLE_CHECK") != "0";
    QCOMPARE(FastWalkCycleCheck(), on);
    qInfo("cycle check %s", on ? "on" : "off");
    for (int check : {-1, 0, 1}) {
        for (bool banded : {false, true}) {
            int64_t done = 0;
            TFastWalkOptions o{2, 0, nullptr, -1, check, &done};
            QImage image = Blank(r.Width, r.Height, QImage::Format_RGB32);
            if (banded)
                QVERIFY(RasterWalkBanded(s, r, TargetOf(image), [](int) { return true; }, o));
            else
                FastRasterWalk(s, r, TargetOf(image), 0, -1, o);
            QCOMPARE(Difference(expected, image), QString());
            if (check == 0 || (check < 0 && !on))
                QCOMPARE(done, plain);
            else
                QVERIFY2(done > 0 && done * 2 < plain, qPrintable(QStringLiteral("%1 of %2").arg(done).arg(plain)));
        }
    }
}

// The walk checks where the orbit of 0 closes: C with an attracting cycle.
void TestFastWalk::orbitsClose()
{
    struct TCase {
        double Cx, Cy;
        int Limit;
        bool Close;
    };
    const TCase cases[] = {
        {0.0, 0.0, 1, true},            // 0 is fixed
        {-1.0, 0.0, 254, true},         // 0 -> -1 -> 0
        {-0.12, 0.75, 254, true},       // the rabbit's 3-cycle
        {-0.12, 0.75, 2, false},        // not within the limit
        {0.402, 0.339, 254, false},     // the start-up view
        {-0.390541, -0.586788, 8190, false},  // Siegel disk
        {0.3, 0.0, 8190, false},        // 0 escapes: no interior
        {std::numeric_limits<double>::quiet_NaN(), 0.0, 8190, false},
    };
    for (const TCase& c : cases) {
        ProgramState s;
        s.FractalParams.Cx = c.Cx;
        s.FractalParams.Cy = c.Cy;
        s.IterationLimit = c.Limit;
        QVERIFY2(FastWalkOrbitsClose(s) == c.Close, qPrintable(QStringLiteral("C = %1%2i").arg(c.Cx).arg(c.Cy)));
        const QByteArray setting = qgetenv("QUILMORA_CYCLE_CHECK");
        QCOMPARE(FastWalkUsesCycleCheck(s), setting == "1" || (c.Close && setting != "0"));
    }
}

// QUILMORA_CYCLE_CHECK=0 turns the check off for the whole process, 1 on for
// every picture.
void TestFastWalk::cycleCheckSwitch()
{
    QVERIFY(RunSelf("QUILMORA_CYCLE_CHECK", "0", {QStringLiteral("cycleCheck"), QStringLiteral("orbitsClose")}).contains("cycle check off"));
    QVERIFY(!RunSelf("QUILMORA_CYCLE_CHECK", "1", {QStringLiteral("cycleCheck"), QStringLiteral("orbitsClose")}).isNull());
}

void TestFastWalk::matchesReference_data()
{
    QTest::addColumn<TView>("view");
    TView v;
    v.MainPicture = true;
    QTest::newRow("start-up main picture") << v;
    v.PaletteKind = 1;
    QTest::newRow("start-up main picture, start-up palette") << v;

    v = {};
    v.Cx = 0.0, v.Cy = 0.0, v.ViewWidth = 0.5f, v.MainPicture = true;
    QTest::newRow("every pixel interior") << v;

    v = {};
    v.CenterX = -0.0425f, v.CenterY = 0.2573f, v.ViewWidth = 1e-4f, v.Limit = 1022;
    QTest::newRow("deep zoom") << v;
    v.ViewWidth = 1e-6f;
    QTest::newRow("zoom past float resolution") << v;

    for (const auto& [cx, cy] : {std::pair{2.0, 2.0}, {-2.0, -2.0}, {2.0, -2.0}, {-2.0, 2.0},
                                 {-2.0, 0.0}, {2.0, 0.0}, {0.0, 2.0}}) {
        v = {};
        v.Cx = cx, v.Cy = cy;
        QTest::addRow("C = %g%+gi", cx, cy) << v;
    }

    // Whole row segments inside the set, then rows escaping within a few
    // iterations: the pre-pass is left out after the first and must come back.
    for (int limit : {2, 5, 31, 254}) {
        v = {};
        v.Cx = 0.0, v.Cy = 0.0, v.CenterY = 0.9f, v.ViewWidth = 0.6f, v.Limit = limit;
        v.Width = 1030, v.Height = 60;
        QTest::addRow("interior segments above escaping ones, limit %d", limit) << v;
    }
    v = {};
    v.Cx = 0.0, v.Cy = 0.0, v.CenterY = -0.97f, v.ViewWidth = 0.3f, v.Limit = 62;
    v.Width = 1030, v.Height = 200;
    QTest::newRow("hundreds of interior segments, then escaping ones") << v;

    v = {};
    v.Limit = 1022, v.Width = 200, v.Height = 150;
    QTest::newRow("limit 1022") << v;
    v = {};
    v.Cx = -0.12, v.Cy = 0.75, v.Limit = 8190, v.Width = 96, v.Height = 72;
    QTest::newRow("limit 8190, C = -0.12+0.75i") << v;
    v.Limit = 8191;
    QTest::newRow("limit 8191, the last entry") << v;
    for (int limit : {-3, 0, 1, 2, 3}) {
        v = {};
        v.Limit = limit;
        QTest::addRow("limit %d", limit) << v;
    }

    for (int kind = 1; kind <= 8; ++kind) {
        v = {};
        v.PaletteKind = kind, v.Width = 120, v.Height = 90;
        QTest::addRow("palette kind %d", kind) << v;
    }

    for (const auto& [w, h] : {std::pair{1, 1}, {7, 3}, {1601, 3}, {2, 1}, {1, 7}, {512, 2},
                               {513, 2}, {1025, 3}, {81, 65}}) {
        v = {};
        v.Width = w, v.Height = h;
        QTest::addRow("%d x %d", w, h) << v;
    }

    // Orbits that close at once, after a long while, or never; through
    // signed zeros, subnormal floats, NaN and infinity.
    struct TOrbits {
        const char* Name;
        double Cx, Cy;
        float CenterX, CenterY, ViewWidth;
    };
    const TOrbits orbits[] = {
        {"the rabbit, mixed", -0.12, 0.75, 0.1f, -0.05f, 3.2f},
        {"the rabbit's superattracting centre", -0.12256116687665361, 0.74486176661974424, 0.0f, 0.0f, 2.0f},
        {"superattracting 2-cycle", -1.0, 0.0, 0.0f, 0.0f, 1.2f},
        {"near the parabolic point, outside", 0.25 + 1e-6, 0.0, 0.45f, 0.0f, 0.2f},
        {"near the parabolic point, inside", 0.25 - 1e-6, 0.0, 0.45f, 0.0f, 0.2f},
        {"near the parabolic point, off the axis", 0.25, 1e-5, 0.4f, 0.05f, 0.3f},
        {"Siegel disk", -0.390541, -0.586788, 0.0f, 0.0f, 2.5f},
        {"negative zero C", -0.0, -0.0, 0.0f, 0.0f, 0.6f},
        {"subnormal C", 1e-40, -3e-41, 0.0f, 0.0f, 0.5f},
        {"subnormal view", 0.0, 0.0, 1e-39f, -1e-39f, 1e-40f},
        {"C infinite", std::numeric_limits<double>::infinity(), 0.0, 0.0f, 0.0f, 5.0f},
        {"C not a number, small view", 0.0, std::numeric_limits<double>::quiet_NaN(), 0.0f, 0.0f, 0.5f},
    };
    for (const TOrbits& o : orbits)
        for (int limit : {1, 2, 254, 8190}) {
            v = {};
            v.Cx = o.Cx, v.Cy = o.Cy, v.CenterX = o.CenterX, v.CenterY = o.CenterY, v.ViewWidth = o.ViewWidth;
            v.Limit = limit, v.Width = 64, v.Height = 48;
            QTest::addRow("%s, limit %d", o.Name, limit) << v;
        }

    // Orbits that crawl through the parabolic bottleneck, steps of a few
    // float units apart, and escape just within the limit.
    v = {};
    v.Cx = 0.25 + 1.6e-7, v.Cy = 0.0, v.CenterX = 0.45f, v.ViewWidth = 0.2f, v.Limit = 8190;
    v.Width = 64, v.Height = 48;
    QTest::newRow("through the parabolic bottleneck, escaping near the limit") << v;

    v = {};
    v.Cx = std::numeric_limits<double>::quiet_NaN();
    QTest::newRow("C not a number") << v;
    v.Cx = 1e300;
    QTest::newRow("C beyond float range") << v;
    v = {};
    v.CenterX = std::numeric_limits<float>::infinity();
    QTest::newRow("infinite centre") << v;
    v = {};
    v.CenterY = std::numeric_limits<float>::quiet_NaN();
    QTest::newRow("centre not a number") << v;
    v = {};
    v.ViewWidth = 3e38f;
    QTest::newRow("coordinates overflowing float") << v;
    v = {};
    v.ViewWidth = 0.0f;
    QTest::newRow("zero view width") << v;
    v = {};
    v.ViewWidth = -5.0f, v.Cx = -0.7454, v.Cy = 0.1130, v.Limit = 1022;
    QTest::newRow("negative view width") << v;
}

void TestFastWalk::matchesReference()
{
    QFETCH(TView, view);
    ProgramState s;
    Apply(s, view);
    const TRaster r = RasterOf(s, view);
    const QImage expected = Reference(s, r);

    // The engine's own entry point.
    QImage viaEngine = Blank(r.Width, r.Height, QImage::Format_RGB32);
    RasterWalk(s, r, TargetOf(viaEngine));
    QCOMPARE(Difference(expected, viaEngine), QString());

    for (const TWalkWay& way : WalkWays()) {
        const QString d = Difference(expected, Fast(s, r, QImage::Format_RGB32, way.Options));
        QVERIFY2(d.isEmpty(), (way.Name + ": " + d.toUtf8()).constData());
    }
    for (int64_t target : FastWalkTargets()) {
        const QString d = Difference(expected, Fast(s, r, QImage::Format_BGR888, {0, target}));
        QVERIFY2(d.isEmpty(), (QByteArray(FastWalkTargetName(target)) + ", 24-bit: " + d.toUtf8()).constData());
    }
}

// Points with a known orbit, as one-pixel pictures centred on them: the count
// is spelled by the counting table.
void TestFastWalk::escapeCountsAroundTheLimit()
{
    struct Case {
        double cx, cy;
        float x, y;
        int limit;
        int count;
    };
    const Case cases[] = {
        {0.0, 0.0, 0.0f, 0.0f, 254, 0},    // fixed point: interior
        {0.0, 0.0, 3.0f, 0.0f, 254, 1},    // start far outside: still one iteration
        {0.0, 0.0, 1.5f, 0.0f, 254, 1},    // 2.25^2 >= 4 at once
        {-2.0, 0.0, 0.0f, 0.0f, 254, 1},   // first iterate exactly on the circle
        {2.0, 0.0, 0.0f, 0.0f, 254, 1},
        {0.0, 0.0, 1.1f, 0.0f, 254, 3},    // 1.1 -> 1.21 -> 1.4641 -> 2.1436
        {0.0, 0.0, 1.1f, 0.0f, 3, 3},      // escapes at the limit itself
        {0.0, 0.0, 1.1f, 0.0f, 2, 0},      // one past the limit: interior
        {0.0, 0.0, 1.1f, 0.0f, 0, 0},
        {0.0, 0.0, 3.0f, 0.0f, 0, 0},      // the limit is tested before the escape
        {0.0, 0.0, 3.0f, 0.0f, 1, 1},
    };
    for (const TWalkWay& way : WalkWays()) {
        for (const Case& c : cases) {
            ProgramState s;
            SetCountingTable(s);
            s.FractalParams.Cx = c.cx;
            s.FractalParams.Cy = c.cy;
            s.FractalParams.CenterX = c.x;
            s.FractalParams.CenterY = c.y;
            s.IterationLimit = c.limit;
            const TRaster r = CentredRaster(s, 1, 1);
            QCOMPARE(RasterStartX(r), c.x);
            QCOMPARE(RasterStartY(r), c.y);
            QCOMPARE(CountOf(Reference(s, r)), c.count);
            const QImage fast = Fast(s, r, QImage::Format_RGB32, way.Options);
            QVERIFY2(CountOf(fast) == c.count,
                     qPrintable(QStringLiteral("%1: z0 = %2, limit %3: count %4, expected %5")
                                    .arg(QLatin1String(way.Name))
                                    .arg(double(c.x)).arg(c.limit)
                                    .arg(CountOf(fast)).arg(c.count)));
        }
    }
}

void TestFastWalk::rowRanges()
{
    ProgramState s;
    SetCountingTable(s);
    const TRaster r = CentredRaster(s, 301, 47);
    const QImage expected = Reference(s, r);

    // Pieces in any order add up to the whole picture.
    QImage pieces = Blank(r.Width, r.Height, QImage::Format_RGB32);
    const TPixelTarget t = TargetOf(pieces);
    FastRasterWalk(s, r, t, 30, 47);
    FastRasterWalk(s, r, t, 0, 1);
    FastRasterWalk(s, r, t, 1, 30);
    QCOMPARE(Difference(expected, pieces), QString());

    // Rows outside the range stay as they were; so does everything for an
    // empty range.
    QImage part = Blank(r.Width, r.Height, QImage::Format_BGR888);
    FastRasterWalk(s, r, TargetOf(part), 10, 12);
    FastRasterWalk(s, r, TargetOf(part), 20, 20);
    FastRasterWalk(s, r, TargetOf(part), 40, 30);
    const TBgr untouched{Untouched, Untouched, Untouched};
    for (int y = 0; y < r.Height; ++y)
        for (int x = 0; x < r.Width; ++x) {
            const TBgr want = (y >= 10 && y < 12) ? PixelOf(expected, x, y) : untouched;
            QVERIFY2(PixelOf(part, x, y) == want, qPrintable(QStringLiteral("row %1 column %2").arg(y).arg(x)));
        }
    // Rows to the bottom by default, and past the bottom clipped.
    QImage tail = Blank(r.Width, r.Height, QImage::Format_RGB32);
    FastRasterWalk(s, r, TargetOf(tail), 0, 1000);
    QCOMPARE(Difference(expected, tail), QString());
}

void TestFastWalk::reportBands()
{
    // The start-up view, and a deep one where the threads go on into the next
    // band while a band's last pixels still iterate.
    for (const auto& [cx, cy, limit, width] : {std::tuple{0.402, 0.339, 1022, 320}, {-0.12, 0.75, 8190, 96}}) {
        ProgramState s;
        SetCountingTable(s);
        s.FractalParams.Cx = cx;
        s.FractalParams.Cy = cy;
        s.IterationLimit = limit;
        const TRaster r = CentredRaster(s, width, 240);
        const QImage expected = Reference(s, r, QImage::Format_BGR888);
        const auto rowsEqual = [&](const QImage& image, int y) {
            return std::memcmp(image.constScanLine(y), expected.constScanLine(y), size_t(r.Width) * 3) == 0;
        };
        for (bool fast : {true, false}) {
            // Any other colouring function takes the reference walk in bands too.
            s.ColourFunction = fast ? SquareColour
                                    : [](const ProgramState& st, float x, float y) -> const TColourEntry& {
                                          return SquareColour(st, x, y);
                                      };
            // At each report every row up to it is final.
            QImage image = Blank(r.Width, r.Height, QImage::Format_BGR888);
            std::vector<int> reports;
            int incompleteAt = -1;
            const bool finished = RasterWalkBanded(s, r, TargetOf(image), [&](int lastRow) {
                reports.push_back(lastRow);
                for (int y = 0; y <= lastRow && incompleteAt < 0; ++y)
                    if (!rowsEqual(image, y))
                        incompleteAt = y;
                return true;
            });
            QVERIFY(finished);
            QCOMPARE(reports, (std::vector<int>{20, 41, 62, 83, 104, 125, 146, 167, 188, 209, 230}));
            QCOMPARE(incompleteAt, -1);
            QCOMPARE(Difference(expected, image), QString());

            // A stop at the second report point: no further reports, and
            // every pixel after it either untouched or final.
            QImage stopped = Blank(r.Width, r.Height, QImage::Format_BGR888);
            reports.clear();
            const bool completed = RasterWalkBanded(s, r, TargetOf(stopped), [&](int lastRow) {
                reports.push_back(lastRow);
                return reports.size() < 2;
            });
            QVERIFY(!completed);
            QCOMPARE(reports, (std::vector<int>{20, 41}));
            for (int y = 0; y < r.Height; ++y) {
                const uchar* got = stopped.constScanLine(y);
                const uchar* want = expected.constScanLine(y);
                bool sound = y > 41 || rowsEqual(stopped, y);
                for (int b = 0; b < r.Width * 3 && sound; b += 3)
                    sound = std::memcmp(got + b, want + b, 3) == 0 ||
                            (got[b] == Untouched && got[b + 1] == Untouched && got[b + 2] == Untouched);
                QVERIFY2(sound, qPrintable(QStringLiteral("row %1").arg(y)));
            }
            if (!fast)
                QVERIFY(stopped.constScanLine(42)[0] == Untouched);
        }
    }

    ProgramState s;
    SetCountingTable(s);
    s.IterationLimit = 1022;
    const TRaster r = CentredRaster(s, 320, 240);
    const QImage expected = Reference(s, r, QImage::Format_BGR888);

    // The report callback may walk other pictures, banded too, on the same
    // thread (the export's progress runs while the main picture redraws).
    {
        QImage image = Blank(r.Width, r.Height, QImage::Format_BGR888);
        const TRaster other = CentredRaster(s, 97, 45);
        const QImage otherExpected = Reference(s, other);
        bool othersRight = true;
        RasterWalkBanded(s, r, TargetOf(image), [&](int) {
            QImage inner = Blank(other.Width, other.Height, QImage::Format_RGB32);
            RasterWalkBanded(s, other, TargetOf(inner), [](int) { return true; });
            othersRight = othersRight && Difference(otherExpected, inner).isEmpty();
            return true;
        });
        QVERIFY(othersRight);
        QCOMPARE(Difference(expected, image), QString());
    }

    // Exactly 21 rows: one report; fewer: none.
    s.ColourFunction = SquareColour;
    for (const auto& [rows, count] : {std::pair{21, 1}, {20, 0}, {42, 2}, {43, 2}, {1, 0}, {0, 0}}) {
        const TRaster small = CentredRaster(s, 9, rows);
        QImage image = Blank(small.Width, small.Height, QImage::Format_RGB32);
        int calls = 0;
        RasterWalkBanded(s, small, TargetOf(image), [&](int) { return ++calls > 0; });
        QCOMPARE(calls, count);
        QCOMPARE(Difference(Reference(s, small), image), QString());
    }
}

// The render thread, the export and the main thread may walk at the same time.
void TestFastWalk::concurrentCallers()
{
    constexpr int Callers = 4;
    ProgramState states[Callers];
    TRaster rasters[Callers];
    QImage expected[Callers];
    for (int i = 0; i < Callers; ++i) {
        ProgramState& s = states[i];
        SetCountingTable(s);
        s.FractalParams.Cx = -0.12 + 0.05 * i;
        s.FractalParams.Cy = 0.75 - 0.1 * i;
        s.IterationLimit = 254 + 256 * i;
        rasters[i] = i == 0 ? MainPictureRaster(s) : CentredRaster(s, 100 + 37 * i, 60 + 11 * i);
        expected[i] = Reference(s, rasters[i]);
    }
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int i = 0; i < Callers; ++i)
        threads.emplace_back([&, i] {
            for (int round = 0; round < 6; ++round) {
                QImage image = Blank(rasters[i].Width, rasters[i].Height, QImage::Format_RGB32);
                if (round % 2)
                    RasterWalk(states[i], rasters[i], TargetOf(image));
                else
                    RasterWalkBanded(states[i], rasters[i], TargetOf(image), [](int) { return true; });
                if (!Difference(expected[i], image).isEmpty())
                    ++failures;
            }
        });
    for (std::thread& t : threads)
        t.join();
    QCOMPARE(failures.load(), 0);
}

void TestFastWalk::moreThreadsThanCores_data()
{
    QTest::addColumn<TView>("view");
    QTest::addColumn<bool>("banded");
    TView v;
    v.MainPicture = true;
    QTest::newRow("start-up main picture") << v << false;
    v.Width = 1600, v.Height = 1200, v.MainPicture = false;
    QTest::newRow("start-up 1600 x 1200") << v << false;
    QTest::newRow("start-up 1600 x 1200, report bands") << v << true;
    v = {};
    v.Cx = -0.12, v.Cy = 0.75, v.Limit = 8190, v.Width = 400, v.Height = 100;
    QTest::newRow("limit 8190, C = -0.12+0.75i, report bands") << v << true;
}

// A pool of sixteen on any machine: the rows shared finely among more
// threads than there are cores, pixels as the reference's.
void TestFastWalk::moreThreadsThanCores()
{
    QFETCH(TView, view);
    QFETCH(bool, banded);
    ProgramState s;
    Apply(s, view);
    const TRaster r = RasterOf(s, view);
    const QImage expected = Reference(s, r);
    constexpr int Threads = 16;
    quilmora::TWalkPool pool(Threads);
    QCOMPARE(pool.Cores(), Threads);
    for (int round = 0; round < 3; ++round) {
        QImage image = Blank(r.Width, r.Height, QImage::Format_RGB32);
        const TFastWalkOptions o{Threads, 0, &pool};
        if (banded)
            RasterWalkBanded(s, r, TargetOf(image), [](int) { return true; }, o);
        else
            FastRasterWalk(s, r, TargetOf(image), 0, -1, o);
        QCOMPARE(Difference(expected, image), QString());
    }
}

void TestFastWalk::otherColourFunctions()
{
    static std::atomic<int> calls{0};
    ProgramState s;
    SetCountingTable(s);
    s.ColourFunction = [](const ProgramState& st, float, float) -> const TColourEntry& {
        ++calls;
        return st.ColourTable[77];
    };
    const TRaster r = CentredRaster(s, 13, 11);
    QImage image = Blank(r.Width, r.Height, QImage::Format_RGB32);
    calls = 0;
    RasterWalk(s, r, TargetOf(image));
    QCOMPARE(calls.load(), 13 * 11);
    for (int y = 0; y < r.Height; ++y)
        for (int x = 0; x < r.Width; ++x)
            QCOMPARE(CountOf(image, x, y), 77);

    // Asked for anyway, the fast walk hands such a function to the reference.
    calls = 0;
    FastRasterWalk(s, r, TargetOf(image), 2, 5);
    QCOMPARE(calls.load(), 13 * 3);
}

QTEST_GUILESS_MAIN(TestFastWalk)
#include "tst_fastwalk.moc"
