// The real program under Xvfb, driven with xdotool, watched through screenshots.

#include "app/Cursors.h"
#include "engine/Palette.h"
#include "engine/ProgramState.h"
#include "engine/RasterWalk.h"
#include "files/FileFormats.h"
#include "files/SettingsFile.h"
#include "tests/support/Bmp.h"
#include "tests/support/Files.h"
#include "tests/support/Pictures.h"
#include "tests/support/ProgramFolder.h"
#include "tests/support/StoredSettings.h"
#include "tests/support/XServer.h"

#include <QtTest>

#include <cmath>
#include <cstring>
#include <optional>

namespace {

constexpr int ScreenWidth = 1024, ScreenHeight = 768;
constexpr int Patience = TXServer::Patience;

// Pixels only: a screenshot carries a colour space a computed picture has not.
bool SamePixels(const QImage& screen, int x0, int y0, const QImage& expected, int rows)
{
    for (int y = 0; y < rows; ++y) {
        const QRgb* a = reinterpret_cast<const QRgb*>(screen.constScanLine(y0 + y)) + x0;
        const QRgb* b = reinterpret_cast<const QRgb*>(expected.constScanLine(y));
        for (int x = 0; x < expected.width(); ++x)
            if ((a[x] ^ b[x]) & 0xFFFFFF)
                return false;
    }
    return true;
}

// Where 'expected' shows within 'area' of the screen: its first row found,
// then compared whole.
std::optional<QPoint> FindPicture(const QImage& screen, const QImage& expected, const QRect& where)
{
    const QRect area = where.isNull() ? screen.rect() : where;
    for (int y = area.top(); y + expected.height() <= std::min(area.bottom() + 1, screen.height()); ++y)
        for (int x = area.left(); x + expected.width() <= std::min(area.right() + 1, screen.width()); ++x)
            if (SamePixels(screen, x, y, expected, 1) && SamePixels(screen, x, y, expected, expected.height()))
                return QPoint(x, y);
    return std::nullopt;
}

QImage Render(const ProgramState& s, const TRaster& r)
{
    QImage image(r.Width, r.Height, QImage::Format_RGB32);
    image.fill(Qt::black);
    RasterWalkReference(s, r, TargetOf(image));
    return image;
}

// What a left click of the zoom tool on picture pixel (x, y) makes of the view.
void ZoomedInAt(ProgramState& s, int x, int y)
{
    TFractalParams& p = s.FractalParams;
    p.CenterX = float(p.CenterX + (x - 265) * static_cast<long double>(s.PicStep));
    p.CenterY = float(p.CenterY + (204 - y) * static_cast<long double>(s.PicStep));
    p.ViewWidth = float(p.ViewWidth - static_cast<long double>(p.ViewWidth) * 0.3f);
    s.PicStep = StepForViewWidth(p.ViewWidth);
}

// A cursor as the X server reports it: black and white where its art has
// them, transparent elsewhere.
QImage ServerCursorOf(int slot)
{
    const QImage art = CursorPicture(slot);
    QImage image(art.size(), QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < art.height(); ++y)
        for (int x = 0; x < art.width(); ++x) {
            const QRgb p = art.pixel(x, y);
            image.setPixel(x, y, qAlpha(p) == 0 ? 0u : p == qRgb(255, 255, 255) ? 0xFFFFFFFFu : 0xFF000000u);
        }
    return image;
}

QStringList At(const QPoint& origin, int x, int y)
{
    return {QString::number(origin.x() + x), QString::number(origin.y() + y)};
}

}  // namespace

class TestEndToEnd : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanup() { StopProgram(); }
    void cleanupTestCase();
    void drivesTheRealProgram();
    void fileDialogs();
    void storesTheWindowPlace();
    void exportsAPicture();
    void informationWindows();
    void slideShow();
    void wholeProgram();
    void cursorsShownByTheServer();
    void oneKeyOneAction();
    void openMenuOwnsTheKeys();
    void animationHoldsUnderDialogs();

private:
    bool StartProgram();
    void StopProgram();
    QImage Screenshot() { return X.Screenshot(Folder.FilePath(QStringLiteral("screen.png"))); }
    QString Xdo(const QStringList& args) { return X.Xdo(args); }
    // Where the main picture shows on the screen, once it shows 'expected'.
    std::optional<QPoint> WaitForPicture(const QImage& expected, const QRect& where = {});
    bool WaitForScreen(const QImage& expected);
    // What xdotool reports of the window, once it reports the place (x, y).
    QString WaitForPosition(int x, int y);
    QString WaitForWindow(const QString& caption) { return X.WaitForWindow(caption); }
    void FocusMainWindow();
    // Leaves the last screen for a look at what showed instead.
    void KeepScreen(const QImage& screen);
    bool WaitGone(const QString& caption) { return X.WaitGone(caption); }
    // No window of that caption shows within 'ms': the proof that a second
    // window did not follow the first.
    bool StaysAbsent(const QString& caption, int ms = 2000)
    {
        return !QTest::qWaitFor([&] { return X.IsShown(caption); }, ms);
    }
    // Once the X server shows the cursor of that slot, with its hot spot.
    bool WaitForCursor(int slot);
    // Where the default picture shows, once it does.
    std::optional<QPoint> StartAndFindPicture();
    QPoint PlaceOf(const QString& window) { return X.PlaceOf(window); }

    TXServer X;
    TProgramFolder Folder{TSubfolders::FractalsAndPaletts};
    QProcess Program;
    QString WindowId;
};

void TestEndToEnd::initTestCase()
{
    for (const char* tool : {"Xvfb", "xdotool", "import", "setxkbmap"})
        if (TXServer::Tool(QLatin1String(tool)).isEmpty())
            QSKIP(qPrintable(QStringLiteral("%1 is not installed").arg(QLatin1String(tool))));
    QVERIFY(Folder.IsValid());
    QVERIFY(QFileInfo(Folder.FilePath(QStringLiteral("fractals"))).isDir());
    QVERIFY(QFileInfo(Folder.FilePath(QStringLiteral("paletts"))).isDir());
    QVERIFY(X.Start(ScreenWidth, ScreenHeight));
}

void TestEndToEnd::cleanupTestCase()
{
    StopProgram();
    X.Stop();
}

bool TestEndToEnd::StartProgram()
{
    QProcessEnvironment env = X.Environment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    Program.setProcessEnvironment(env);
    Program.setWorkingDirectory(Folder.Path());
    Program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    Program.start(QStringLiteral(QUILMORA_EXE), {});
    if (!Program.waitForStarted())
        return false;
    const bool shown = QTest::qWaitFor(
        [this] {
            WindowId = X.Find(QStringLiteral("Quilmora 1.02"));
            return !WindowId.isEmpty();
        },
        Patience);
    if (!shown)
        return false;
    Xdo({QStringLiteral("windowfocus"), QStringLiteral("--sync"), WindowId});
    return true;
}

void TestEndToEnd::StopProgram()
{
    if (Program.state() != QProcess::NotRunning) {
        Program.terminate();
        if (!Program.waitForFinished(5000))
            Program.kill();
        Program.waitForFinished(5000);
    }
    WindowId.clear();
}

void TestEndToEnd::KeepScreen(const QImage& screen)
{
    screen.save(QDir::temp().filePath(QStringLiteral("quilmora-e2e-last.png")));
}

std::optional<QPoint> TestEndToEnd::WaitForPicture(const QImage& expected, const QRect& where)
{
    QImage screen;
    std::optional<QPoint> found;
    if (!QTest::qWaitFor(
            [&] {
                screen = Screenshot();
                found = FindPicture(screen, expected, where);
                return found.has_value();
            },
            Patience))
        KeepScreen(screen);
    return found;
}

bool TestEndToEnd::WaitForScreen(const QImage& expected)
{
    QImage screen;
    const bool shown = QTest::qWaitFor(
        [&] {
            screen = Screenshot();
            return screen.size() == expected.size() && SamePixels(screen, 0, 0, expected, expected.height());
        },
        Patience);
    if (!shown)
        KeepScreen(screen);
    return shown;
}

QString TestEndToEnd::WaitForPosition(int x, int y)
{
    const QString place = QStringLiteral("Position: %1,%2").arg(x).arg(y);
    QString geometry;
    // Whether it came is for the caller to check in the text.
    static_cast<void>(QTest::qWaitFor(
        [&] {
            geometry = Xdo({QStringLiteral("getwindowgeometry"), WindowId});
            return geometry.contains(place);
        },
        Patience));
    return geometry;
}

void TestEndToEnd::FocusMainWindow()
{
    // No window manager gives the focus back when a dialog closes.
    Xdo({QStringLiteral("windowfocus"), QStringLiteral("--sync"), WindowId});
}

void TestEndToEnd::drivesTheRealProgram()
{
    QVERIFY(StartProgram());

    // The first picture: the engine's default main picture.
    ProgramState s;
    BuildColourTable(s);
    const std::optional<QPoint> found = WaitForPicture(Render(s, MainPictureRaster(s)));
    QVERIFY2(found, "the default picture never showed");
    const QPoint pic = *found;
    const QRect picArea(pic, QSize(PicWidth, PicHeight));
    // Screen coordinates of a point of the picture, as xdotool arguments.
    const auto at = [&](int x, int y) {
        return QStringList{QString::number(pic.x() + x), QString::number(pic.y() + y)};
    };

    // Zoom tool: a left click re-centres on the pixel and removes 30% of the width.
    // One xdotool run sends every event in order: no pause is needed between them.
    Xdo(QStringList{QStringLiteral("key"), QStringLiteral("l"), QStringLiteral("mousemove")} + at(365, 150) +
        QStringList{QStringLiteral("click"), QStringLiteral("1")});
    TFractalParams& p = s.FractalParams;
    ZoomedInAt(s, 365, 150);
    QVERIFY2(WaitForPicture(Render(s, MainPictureRaster(s)), picArea), "the zoomed picture never showed");

    // Home: the default view again.
    Xdo({QStringLiteral("key"), QStringLiteral("Home")});
    p.CenterX = p.CenterY = 0.0f;
    p.ViewWidth = 5.0f;
    s.PicStep = s.DefaultStep;
    QVERIFY2(WaitForPicture(Render(s, MainPictureRaster(s)), picArea), "Home did not restore the view");

    // Coefficient tool: a drag of 53 pixels to the right moves Re(C) by
    // 53 x 7.5471697 = 399.99999 positions, truncated to 399.
    Xdo(QStringList{QStringLiteral("key"), QStringLiteral("k"), QStringLiteral("mousemove")} + at(265, 204) +
        QStringList{QStringLiteral("mousedown"), QStringLiteral("1"), QStringLiteral("mousemove")} + at(318, 204) +
        QStringList{QStringLiteral("mouseup"), QStringLiteral("1")});
    UpdateKoefScales(s);
    const int position = 402 + int(53 * static_cast<long double>(s.KoefScaleX));
    QCOMPARE(position, 801);
    p.Cx = position * 0.001;
    const QImage dragged = Render(s, MainPictureRaster(s));
    QVERIFY2(WaitForPicture(dragged, picArea), "the coefficient drag did not redraw");

    // F: the same fractal over the whole screen; a key closes it.
    Xdo(QStringList{QStringLiteral("mousemove")} + at(600, 20) + QStringList{QStringLiteral("key"), QStringLiteral("f")});
    s.FullScreenWidth = ScreenWidth;
    s.FullScreenHeight = ScreenHeight;
    const TRaster full = CentredRaster(s, ScreenWidth, ScreenHeight);
    QCOMPARE(RasterStartX(full), -2.5f);
    QCOMPARE(RasterStartY(full), 1.875f);
    QVERIFY2(WaitForScreen(Render(s, full)), "the full-screen picture never showed");
    Xdo({QStringLiteral("key"), QStringLiteral("Escape")});
    QVERIFY2(WaitForPicture(dragged, picArea), "the full-screen view did not close");

    // Ctrl+Q: nothing the settings hold changed, so nothing is written.
    Xdo({QStringLiteral("windowfocus"), QStringLiteral("--sync"), WindowId});
    Xdo({QStringLiteral("key"), QStringLiteral("ctrl+q")});
    QVERIFY(Program.waitForFinished(10000));
    QCOMPARE(Program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(Program.exitCode(), 0);
    QVERIFY(!QFile::exists(Folder.FilePath(QStringLiteral("settings.dat"))));
    WindowId.clear();
}

void TestEndToEnd::fileDialogs()
{
    // Two fractals and a palette in the program's folders.
    ProgramState a, b;
    a.FractalParams = {1, 1, -0.123, 0.745, 0.1f, -0.05f, 3.0f, 50, 20, 90, 7, 33, 12};
    b.FractalParams = {1, 4, -0.7455, 0.1, 0.0f, 0.0f, 2.5f, 36, 60, 12, 26, 18, 8};
    TFractalParams palette = b.FractalParams;
    palette.PaletteKind = 1;
    palette.R0 = 80, palette.G0 = 5, palette.B0 = 40, palette.R1 = 3, palette.G1 = 29, palette.B1 = 17;
    const QByteArray bBytes = EncodeFractal(b.FractalParams);
    QVERIFY(WriteBytes(Folder.FilePath("fractals/a.frc"), EncodeFractal(a.FractalParams)));
    QVERIFY(WriteBytes(Folder.FilePath("fractals/b.frc"), bBytes));
    QVERIFY(WriteBytes(Folder.FilePath("paletts/p.ptt"), EncodePalette(palette)));
    // The main picture of a state, as the program computes it.
    const auto picture = [](const TFractalParams& params, bool defaultView = false) {
        ProgramState s;
        s.FractalParams = params;
        if (defaultView)
            ResetView(s);
        s.PicStep = StepForViewWidth(s.FractalParams.ViewWidth);
        BuildColourTable(s);
        return Render(s, MainPictureRaster(s));
    };

    QVERIFY(StartProgram());
    ProgramState start;
    BuildColourTable(start);
    const std::optional<QPoint> found = WaitForPicture(Render(start, MainPictureRaster(start)));
    QVERIFY2(found, "the default picture never showed");
    const QRect picArea(*found, QSize(PicWidth, PicHeight));

    // O, the next entry, Enter: the main picture shows that file's fractal.
    Xdo({QStringLiteral("key"), QStringLiteral("o")});
    QVERIFY(!WaitForWindow(QStringLiteral("Открытие фрактала")).isEmpty());
    Xdo({QStringLiteral("key"), QStringLiteral("Down"), QStringLiteral("Return")});
    QVERIFY2(WaitForPicture(picture(b.FractalParams), picArea), "the opened fractal never showed");

    // S, a new name, Enter: the file holds the open fractal, byte for byte.
    FocusMainWindow();
    Xdo({QStringLiteral("key"), QStringLiteral("s")});
    QVERIFY(!WaitForWindow(QStringLiteral("Сохранение фрактала")).isEmpty());
    Xdo({QStringLiteral("key"), QStringLiteral("ctrl+a"), QStringLiteral("type"), QStringLiteral("mine")});
    Xdo({QStringLiteral("key"), QStringLiteral("Return")});
    const QString saved = Folder.FilePath("fractals/mine.frc");
    QVERIFY(QTest::qWaitFor([&] { return ReadBytes(saved) == bBytes; }, Patience));

    // P, Enter: the new colours, C and the view as they were.
    FocusMainWindow();
    Xdo({QStringLiteral("key"), QStringLiteral("p")});
    QVERIFY(!WaitForWindow(QStringLiteral("Открытие палитры")).isEmpty());
    Xdo({QStringLiteral("key"), QStringLiteral("Return")});
    QVERIFY2(WaitForPicture(picture(palette), picArea), "the opened palette never showed");

    // Browsing and Esc leave the state as it was: Home then shows the default
    // view of the same C in the same colours.
    FocusMainWindow();
    Xdo({QStringLiteral("key"), QStringLiteral("o")});
    const QString dialog = WaitForWindow(QStringLiteral("Открытие фрактала"));
    QVERIFY(!dialog.isEmpty());
    Xdo({QStringLiteral("key"), QStringLiteral("Up"), QStringLiteral("Escape")});
    QVERIFY(QTest::qWaitFor(
        [&] {
            return Xdo({QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--name"),
                        QStringLiteral("^Открытие фрактала$")})
                .isEmpty();
        },
        Patience));
    FocusMainWindow();
    Xdo({QStringLiteral("key"), QStringLiteral("Home")});
    QVERIFY2(WaitForPicture(picture(palette, true), picArea), "cancelling did not keep the state");

    Xdo({QStringLiteral("key"), QStringLiteral("ctrl+q")});
    QVERIFY(Program.waitForFinished(10000));
    QCOMPARE(Program.exitCode(), 0);
    WindowId.clear();
    // The palette changed, so the close kept it; the next test starts afresh.
    QVERIFY(QFile::remove(Folder.FilePath("settings.dat")));
    for (const char* name : {"fractals/a.frc", "fractals/b.frc", "fractals/mine.frc", "paletts/p.ptt"})
        QVERIFY(QFile::remove(Folder.FilePath(name)));
}

void TestEndToEnd::storesTheWindowPlace()
{
    const QString settings = Folder.FilePath(QStringLiteral("settings.dat"));
    QFile::remove(settings);

    // Moved window: the close writes 45 bytes with the new place.
    QVERIFY(StartProgram());
    Xdo({QStringLiteral("windowmove"), QStringLiteral("--sync"), WindowId, QStringLiteral("100"), QStringLiteral("50")});
    // The key below reaches the program after the move it was told of.
    const QString moved = WaitForPosition(100, 50);
    QVERIFY2(moved.contains(QStringLiteral("Position: 100,50")), qPrintable(moved));
    Xdo({QStringLiteral("windowfocus"), QStringLiteral("--sync"), WindowId});
    Xdo({QStringLiteral("key"), QStringLiteral("ctrl+q")});
    QVERIFY(Program.waitForFinished(10000));
    WindowId.clear();
    QFile file(settings);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    file.close();
    QCOMPARE(bytes.size(), 45);
    TSettingsRecord want;
    want.Left = 100;
    want.Top = 50;
    QCOMPARE(DecodeSettings(bytes), want);
    QCOMPARE(bytes, EncodeStoredSettings({.Left = 100, .Top = 50}));

    // The next start goes to that place; an unchanged close writes nothing:
    // the same inode with the same nanosecond modification time.
    const QDateTime written = QFileInfo(settings).lastModified();
    const std::optional<TFileStamp> stamp = StampOf(settings);
    QVERIFY(stamp);
    QVERIFY(StartProgram());
    const QString geometry = WaitForPosition(100, 50);
    QVERIFY2(geometry.contains(QStringLiteral("Position: 100,50")), qPrintable(geometry));
    Xdo({QStringLiteral("key"), QStringLiteral("ctrl+q")});
    QVERIFY(Program.waitForFinished(10000));
    WindowId.clear();
    QCOMPARE(QFileInfo(settings).lastModified(), written);
    QVERIFY(StampOf(settings) == stamp);
    QCOMPARE(ReadBytes(settings), bytes);
}

void TestEndToEnd::informationWindows()
{
    QVERIFY(StartProgram());
    const auto gone = [this](const QString& caption) { return WaitGone(caption); };
    // Docks match every window to the desktop entry by its class.
    const QByteArray wmClass("quilmora\0quilmora\0", 18);
    QCOMPARE(X.Property(WindowId, "WM_CLASS"), wmClass);
    // The window's icon holds each size drawn for task bars: width, height, pixels.
    const QByteArray icon = X.Property(WindowId, "_NET_WM_ICON");
    QList<quint32> sides;
    for (qsizetype at = 0; at + 8 <= icon.size();) {
        quint32 wh[2];
        std::memcpy(wh, icon.constData() + at, sizeof wh);
        sides << wh[0] << wh[1];
        at += 8 + qsizetype(wh[0]) * wh[1] * 4;
    }
    QCOMPARE(sides, (QList<quint32>{16, 16, 22, 22, 24, 24, 32, 32, 48, 48, 64, 64}));
    // F1 opens the description, Esc closes it.
    Xdo({QStringLiteral("key"), QStringLiteral("F1")});
    const QString description = WaitForWindow(QStringLiteral("Описание "));
    QVERIFY(!description.isEmpty());
    QCOMPARE(X.Property(description, "WM_CLASS"), wmClass);
    QCOMPARE(X.Property(description, "_NET_WM_NAME"), QStringLiteral("Описание ").toUtf8());
    Xdo({QStringLiteral("key"), QStringLiteral("Escape")});
    QVERIFY(gone(QStringLiteral("Описание ")));

    // The help menu (after "Файл", "Фрактал", "Вид" and the command "Опции")
    // and its second item open the about window and close it again.
    const QString geometry = Xdo({QStringLiteral("getwindowgeometry"), WindowId});
    const QRegularExpressionMatch m = QRegularExpression(QStringLiteral("Position: (\\d+),(\\d+)")).match(geometry);
    QVERIFY2(m.hasMatch(), qPrintable(geometry));
    const int x = m.captured(1).toInt(), y = m.captured(2).toInt();
    // One xdotool run: the keys reach the menu the click opened.
    const auto chooseAbout = [&] {
        FocusMainWindow();
        Xdo({QStringLiteral("mousemove"), QString::number(x + 232), QString::number(y + 8), QStringLiteral("click"),
             QStringLiteral("1"), QStringLiteral("key"), QStringLiteral("Down"), QStringLiteral("Down"),
             QStringLiteral("Return")});
    };
    chooseAbout();
    QVERIFY(!WaitForWindow(QStringLiteral("О программе Quilmora")).isEmpty());
    chooseAbout();
    QVERIFY(gone(QStringLiteral("О программе Quilmora")));
}

void TestEndToEnd::slideShow()
{
    ProgramState a, b;
    a.FractalParams = {1, 1, -0.123, 0.745, 0.1f, -0.05f, 3.0f, 50, 20, 90, 7, 33, 12};
    b.FractalParams = {1, 1, -0.7455, 0.1, 0.0f, 0.0f, 2.5f, 36, 60, 12, 26, 18, 8};
    QVERIFY(WriteBytes(Folder.FilePath("fractals/a.frc"), EncodeFractal(a.FractalParams)));
    QVERIFY(WriteBytes(Folder.FilePath("fractals/b.frc"), EncodeFractal(b.FractalParams)));
    QFile::remove(Folder.FilePath(QStringLiteral("settings.dat")));

    QVERIFY(StartProgram());
    ProgramState start;
    BuildColourTable(start);
    const QImage mainPicture = Render(start, MainPictureRaster(start));
    const std::optional<QPoint> found = WaitForPicture(mainPicture);
    QVERIFY2(found, "the default picture never showed");
    const QRect picArea(*found, QSize(PicWidth, PicHeight));
    // "Опции" on the menu bar, just above the picture.
    const QStringList optionsItem{QString::number(found->x() + 128), QString::number(found->y() - 10)};

    // The options window from its command; the track bar dragged to 1 s, Ok.
    Xdo(QStringList{QStringLiteral("mousemove")} + optionsItem + QStringList{QStringLiteral("click"), QStringLiteral("1")});
    const QString options = WaitForWindow(QStringLiteral("Опции"));
    QVERIFY(!options.isEmpty());
    const QString geometry = Xdo({QStringLiteral("getwindowgeometry"), options});
    const QString place = geometry.section(QStringLiteral("Position: "), 1).section(QLatin1Char(' '), 0, 0);
    const int ox = place.section(QLatin1Char(','), 0, 0).toInt(), oy = place.section(QLatin1Char(','), 1, 1).toInt();
    const auto in = [&](int x, int y) { return QStringList{QString::number(ox + x), QString::number(oy + y)}; };
    Xdo(QStringList{QStringLiteral("mousemove")} + in(39, 47) + QStringList{QStringLiteral("mousedown"), QStringLiteral("1"),
        QStringLiteral("mousemove")} + in(20, 47) + QStringList{QStringLiteral("mousemove")} + in(0, 47) +
        QStringList{QStringLiteral("mouseup"), QStringLiteral("1"), QStringLiteral("mousemove")} + in(48, 177) +
        QStringList{QStringLiteral("click"), QStringLiteral("1")});
    const auto optionsShown = [&] {
        return !Xdo({QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--name"),
                     QStringLiteral("^Опции$")})
                    .isEmpty();
    };
    QVERIFY(QTest::qWaitFor([&] { return !optionsShown(); }, Patience));

    // F10: the first file over the whole screen, then the second; a key ends it.
    FocusMainWindow();
    Xdo({QStringLiteral("key"), QStringLiteral("F10")});
    for (ProgramState* slide : {&a, &b}) {
        BuildColourTable(*slide);
        QVERIFY2(WaitForScreen(Render(*slide, CentredRaster(*slide, ScreenWidth, ScreenHeight))),
                 slide == &a ? "the first slide never showed" : "the second slide never showed");
    }
    Xdo({QStringLiteral("key"), QStringLiteral("x")});
    QVERIFY2(WaitForPicture(mainPicture, picArea), "the show did not give the main window back");

    // The command again closes the options window.
    FocusMainWindow();
    Xdo(QStringList{QStringLiteral("mousemove")} + optionsItem + QStringList{QStringLiteral("click"), QStringLiteral("1")});
    QVERIFY(!WaitForWindow(QStringLiteral("Опции")).isEmpty());
    FocusMainWindow();
    Xdo(QStringList{QStringLiteral("mousemove")} + optionsItem + QStringList{QStringLiteral("click"), QStringLiteral("1")});
    QVERIFY(QTest::qWaitFor([&] { return !optionsShown(); }, Patience));

    FocusMainWindow();
    Xdo({QStringLiteral("key"), QStringLiteral("ctrl+q")});
    QVERIFY(Program.waitForFinished(10000));
    WindowId.clear();
    // The new delay was kept at the close.
    QCOMPARE(ReadBytes(Folder.FilePath("settings.dat")).left(4), EncodeStoredSettings({.SlideDelay = 1}).left(4));
    for (const char* name : {"settings.dat", "fractals/a.frc", "fractals/b.frc"})
        QVERIFY(QFile::remove(Folder.FilePath(name)));
}


void TestEndToEnd::exportsAPicture()
{
    QVERIFY(StartProgram());
    ProgramState s;
    BuildColourTable(s);
    QVERIFY2(WaitForPicture(Render(s, MainPictureRaster(s))), "the default picture never showed");

    // F7, a path typed into the file dialog, Enter: the export window.
    Xdo({QStringLiteral("key"), QStringLiteral("F7")});
    QVERIFY(!WaitForWindow(QStringLiteral("Сохранить как")).isEmpty());
    const QString file = Folder.FilePath(QStringLiteral("export.bmp"));
    Xdo({QStringLiteral("key"), QStringLiteral("ctrl+a"), QStringLiteral("type"), Folder.FilePath(QStringLiteral("export.v1"))});
    Xdo({QStringLiteral("key"), QStringLiteral("Return")});
    const QString window = WaitForWindow(QStringLiteral("Расчет и сохранение изображения"));
    QVERIFY(!window.isEmpty());

    // Keys do nothing there: neither a second file dialog nor a close.
    Xdo({QStringLiteral("key"), QStringLiteral("F7"), QStringLiteral("Escape"), QStringLiteral("Return")});
    QTest::qWait(500);
    QVERIFY(Xdo({QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--name"),
                 QStringLiteral("^Сохранить как$")})
                .isEmpty());
    const QString geometry = Xdo({QStringLiteral("getwindowgeometry"), window});
    QVERIFY2(geometry.contains(QStringLiteral("Geometry: 354x227")), qPrintable(geometry));
    const QString place = geometry.section(QStringLiteral("Position: "), 1).section(QLatin1Char(' '), 0, 0);
    const int left = place.section(QLatin1Char(','), 0, 0).toInt(), top = place.section(QLatin1Char(','), 1).toInt();
    const auto click = [&](int x, int y) {
        Xdo({QStringLiteral("mousemove"), QString::number(left + x), QString::number(top + y), QStringLiteral("click"),
             QStringLiteral("1")});
    };
    QVERIFY(!QFile::exists(file));

    // "Ok!" with the first items: 320 x 240 at 256, the start-up picture.
    const QRect itog(left + 8, top + 124, 338, 16);
    const QImage before = Screenshot().copy(itog);
    click(227, 208);
    QVERIFY(QTest::qWaitFor([&] { return ReadBmp(file).Valid; }, Patience));
    const TBmp bmp = ReadBmp(file);
    QCOMPARE(PictureHash(bmp.Image), Q_UINT64_C(0xf918550daef6292d));  // derive_pictures.py
    QCOMPARE(bmp.Image, RenderInProcess(s, 320, 240));
    // The line under the choices now tells of the save.
    QVERIFY(QTest::qWaitFor([&] { return Screenshot().copy(itog) != before; }, Patience));

    // "Закрыть" closes it, and the main window takes keys again.
    click(308, 208);
    QVERIFY(QTest::qWaitFor(
        [&] {
            return Xdo({QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--name"),
                        QStringLiteral("^Расчет и сохранение изображения$")})
                .isEmpty();
        },
        Patience));
    FocusMainWindow();
    Xdo({QStringLiteral("key"), QStringLiteral("ctrl+q")});
    QVERIFY(Program.waitForFinished(10000));
    QCOMPARE(Program.exitCode(), 0);
    WindowId.clear();
}

// One walk through the whole program in a fresh folder, as a user goes:
// every window opened and closed, a file saved, a picture exported; at the
// end settings.dat holds what changed and nothing else.
void TestEndToEnd::wholeProgram()
{
    QFile::remove(Folder.FilePath(QStringLiteral("settings.dat")));
    ProgramState s;
    TFractalParams& p = s.FractalParams;
    p = {1, 3, -123 * 0.001, 745 * 0.001, 0.0f, 0.0f, 5.0f, 50, 20, 90, 7, 33, 12};
    const TFractalParams opened = p;
    TFractalParams palette;
    palette.PaletteKind = 6;
    palette.R0 = 80, palette.G0 = 5, palette.B0 = 40, palette.R1 = 3, palette.G1 = 29, palette.B1 = 17;
    QVERIFY(WriteBytes(Folder.FilePath("fractals/a.frc"), EncodeFractal(p)));
    QVERIFY(WriteBytes(Folder.FilePath("paletts/p.ptt"), EncodePalette(palette)));

    QVERIFY(StartProgram());
    const QPoint start = PlaceOf(WindowId);
    {
        ProgramState first;
        BuildColourTable(first);
        QVERIFY2(WaitForPicture(Render(first, MainPictureRaster(first))), "the default picture never showed");
    }
    // O, Enter: the only fractal, its step worked out from its width.
    s.PicStep = StepForViewWidth(p.ViewWidth);
    Xdo({QStringLiteral("key"), QStringLiteral("o")});
    QVERIFY(!WaitForWindow(QStringLiteral("Открытие фрактала")).isEmpty());
    Xdo({QStringLiteral("key"), QStringLiteral("Return")});
    BuildColourTable(s);
    const std::optional<QPoint> found = WaitForPicture(Render(s, MainPictureRaster(s)));
    QVERIFY2(found, "the opened fractal never showed");
    const QPoint pic = *found;
    const QRect picArea(pic, QSize(PicWidth, PicHeight));
    const auto at = [&](int x, int y) { return QStringList{QString::number(pic.x() + x), QString::number(pic.y() + y)}; };

    // C dragged 53 pixels to the right, at the scale of the file's step.
    FocusMainWindow();
    Xdo(QStringList{QStringLiteral("key"), QStringLiteral("k"), QStringLiteral("mousemove")} + at(265, 204) +
        QStringList{QStringLiteral("mousedown"), QStringLiteral("1"), QStringLiteral("mousemove")} + at(318, 204) +
        QStringList{QStringLiteral("mouseup"), QStringLiteral("1")});
    UpdateKoefScales(s);
    // The track bar stood at trunc(C x 1000) in extended precision: -122 for
    // the double nearest -0.123, which lies just above it.
    const int startPosition = int(p.Cx * 1000.0L);
    QCOMPARE(startPosition, -122);
    p.Cx = int(53 * static_cast<long double>(s.KoefScaleX) + startPosition) * 0.001;
    QVERIFY2(WaitForPicture(Render(s, MainPictureRaster(s)), picArea), "the coefficient drag did not redraw");

    // Zoom tool, a click: re-centred, 30% narrower.
    Xdo(QStringList{QStringLiteral("key"), QStringLiteral("l"), QStringLiteral("mousemove")} + at(365, 150) +
        QStringList{QStringLiteral("click"), QStringLiteral("1")});
    ZoomedInAt(s, 365, 150);
    QVERIFY2(WaitForPicture(Render(s, MainPictureRaster(s)), picArea), "the zoomed picture never showed");

    // S under a new name: the file holds the fractal as it now stands.
    Xdo({QStringLiteral("key"), QStringLiteral("s")});
    QVERIFY(!WaitForWindow(QStringLiteral("Сохранение фрактала")).isEmpty());
    Xdo({QStringLiteral("key"), QStringLiteral("ctrl+a"), QStringLiteral("type"), QStringLiteral("walk")});
    Xdo({QStringLiteral("key"), QStringLiteral("Return")});
    QVERIFY(QTest::qWaitFor([&] { return ReadBytes(Folder.FilePath("fractals/walk.frc")) == EncodeFractal(p); },
                            Patience));

    // P, Enter: the palette's colours over the same view.
    FocusMainWindow();
    Xdo({QStringLiteral("key"), QStringLiteral("p")});
    QVERIFY(!WaitForWindow(QStringLiteral("Открытие палитры")).isEmpty());
    Xdo({QStringLiteral("key"), QStringLiteral("Return")});
    p.PaletteKind = palette.PaletteKind;
    p.R0 = palette.R0, p.G0 = palette.G0, p.B0 = palette.B0, p.R1 = palette.R1, p.G1 = palette.G1,
    p.B1 = palette.B1;
    BuildColourTable(s);
    const QImage finalPicture = Render(s, MainPictureRaster(s));
    QVERIFY2(WaitForPicture(finalPicture, picArea), "the opened palette never showed");

    // F7, a name, the second resolution by the wheel, Ok!: 640 x 480 exactly.
    FocusMainWindow();
    Xdo({QStringLiteral("key"), QStringLiteral("F7")});
    QVERIFY(!WaitForWindow(QStringLiteral("Сохранить как")).isEmpty());
    const QString exported = Folder.FilePath(QStringLiteral("walk.bmp"));
    Xdo({QStringLiteral("key"), QStringLiteral("ctrl+a"), QStringLiteral("type"), exported});
    Xdo({QStringLiteral("key"), QStringLiteral("Return")});
    const QString exportWindow = WaitForWindow(QStringLiteral("Расчет и сохранение изображения"));
    QVERIFY(!exportWindow.isEmpty());
    const QPoint e = PlaceOf(exportWindow);
    const auto in = [&](const QPoint& origin, int x, int y) {
        return QStringList{QString::number(origin.x() + x), QString::number(origin.y() + y)};
    };
    Xdo(QStringList{QStringLiteral("mousemove")} + in(e, 175, 49) + QStringList{QStringLiteral("click"), QStringLiteral("5")});
    Xdo(QStringList{QStringLiteral("mousemove")} + in(e, 227, 208) + QStringList{QStringLiteral("click"), QStringLiteral("1")});
    QVERIFY(QTest::qWaitFor([&] { return ReadBmp(exported).Valid; }, Patience));
    QCOMPARE(ReadBmp(exported).Image, RenderInProcess(s, 640, 480));
    Xdo(QStringList{QStringLiteral("mousemove")} + in(e, 308, 208) + QStringList{QStringLiteral("click"), QStringLiteral("1")});
    QVERIFY(WaitGone(QStringLiteral("Расчет и сохранение изображения")));

    // F10: the first slide over the whole screen; a key ends the show.
    FocusMainWindow();
    Xdo({QStringLiteral("key"), QStringLiteral("F10")});
    ProgramState slide;
    slide.FractalParams = opened;
    BuildColourTable(slide);
    QVERIFY2(WaitForScreen(Render(slide, CentredRaster(slide, ScreenWidth, ScreenHeight))),
             "the first slide never showed");
    Xdo({QStringLiteral("key"), QStringLiteral("x")});
    QVERIFY2(WaitForPicture(finalPicture, picArea), "the show did not give the main window back");

    // "Опции" on the menu bar opens its window and, chosen again, closes it.
    const QStringList optionsItem{QString::number(pic.x() + 128), QString::number(pic.y() - 10)};
    for (bool open : {true, false}) {
        FocusMainWindow();
        Xdo(QStringList{QStringLiteral("mousemove")} + optionsItem + QStringList{QStringLiteral("click"), QStringLiteral("1")});
        QVERIFY(open ? !WaitForWindow(QStringLiteral("Опции")).isEmpty() : WaitGone(QStringLiteral("Опции")));
    }

    // F1 and Esc: the description; the help menu's second item, twice: the about window.
    FocusMainWindow();
    Xdo({QStringLiteral("key"), QStringLiteral("F1")});
    QVERIFY(!WaitForWindow(QStringLiteral("Описание ")).isEmpty());
    Xdo({QStringLiteral("key"), QStringLiteral("Escape")});
    QVERIFY(WaitGone(QStringLiteral("Описание ")));
    for (bool open : {true, false}) {
        FocusMainWindow();
        Xdo(QStringList{QStringLiteral("mousemove")} + in(start, 232, 8) +
            QStringList{QStringLiteral("click"), QStringLiteral("1"), QStringLiteral("key"), QStringLiteral("Down"),
                        QStringLiteral("Down"), QStringLiteral("Return")});
        QVERIFY(open ? !WaitForWindow(QStringLiteral("О программе Quilmora")).isEmpty()
                     : WaitGone(QStringLiteral("О программе Quilmora")));
    }

    // Ctrl+Q: the palette changed, the rest as it started.
    FocusMainWindow();
    Xdo({QStringLiteral("key"), QStringLiteral("ctrl+q")});
    QVERIFY(Program.waitForFinished(10000));
    QCOMPARE(Program.exitCode(), 0);
    WindowId.clear();
    QCOMPARE(ReadBytes(Folder.FilePath("settings.dat")),
             EncodeStoredSettings({4, 0, start.x(), start.y(), palette.R0, palette.G0, palette.B0, palette.R1,
                                   palette.G1, palette.B1, palette.PaletteKind, 0}));
    QCOMPARE(QDir(Folder.FilePath("fractals")).entryList(QDir::Files),
             (QStringList{QStringLiteral("a.frc"), QStringLiteral("walk.frc")}));
    for (const char* name : {"settings.dat", "walk.bmp", "fractals/a.frc", "fractals/walk.frc", "paletts/p.ptt"})
        QVERIFY(QFile::remove(Folder.FilePath(name)));
}

bool TestEndToEnd::WaitForCursor(int slot)
{
    const QImage expected = ServerCursorOf(slot);
    QImage shown;
    QPoint hot;
    if (QTest::qWaitFor([&] { return (shown = X.Cursor(&hot)) == expected && hot == CursorHotSpot(slot); }, Patience))
        return true;
    int opaque = 0;
    for (int y = 0; y < shown.height(); ++y)
        for (int x = 0; x < shown.width(); ++x)
            opaque += qAlpha(shown.pixel(x, y)) != 0;
    qWarning("cursor %s: the server shows %dx%d, %d opaque pixels, hot spot %d,%d", CursorName(slot), shown.width(),
             shown.height(), opaque, hot.x(), hot.y());
    return false;
}

std::optional<QPoint> TestEndToEnd::StartAndFindPicture()
{
    if (!StartProgram())
        return std::nullopt;
    ProgramState s;
    BuildColourTable(s);
    return WaitForPicture(Render(s, MainPictureRaster(s)));
}

// The cursor the X server shows over the picture for every tool, over the
// overview and over a slide: the tool's art, the slide's wholly transparent.
void TestEndToEnd::cursorsShownByTheServer()
{
    QVERIFY(WriteBytes(Folder.FilePath("fractals/a.frc"), EncodeFractal(ProgramState().FractalParams)));
    const std::optional<QPoint> pic = StartAndFindPicture();
    QVERIFY2(pic, "the default picture never showed");
    const struct {
        const char* Key;
        int Slot;
    } tools[] = {{"l", CursorLupa}, {"c", CursorCentr}, {"h", CursorOpenHand}, {"a", CursorToFrom}, {"k", CursorKoef}};
    for (const auto& tool : tools) {
        Xdo(QStringList{"key", tool.Key, "mousemove"} + At(*pic, 265, 204));
        QVERIFY2(WaitForCursor(tool.Slot), CursorName(tool.Slot));
    }
    // The overview, right of the picture.
    Xdo(QStringList{"mousemove"} + At(*pic, 584 - 46 + 8 + 40, 28 + 17 + 32));
    QVERIFY(WaitForCursor(CursorSmoll));
    Xdo(QStringList{"mousemove"} + At(*pic, 265, 204) + QStringList{"key", "F10"});
    QVERIFY(WaitForCursor(CursorSlide));
    Xdo({"key", "x"});
    QVERIFY(WaitForCursor(CursorKoef));
    QVERIFY(QFile::remove(Folder.FilePath("fractals/a.frc")));
}

// A key that opens a modal window acts once, also when the focus has not come
// back by the time the window has closed: one Delete, one "Да", one file gone;
// one Enter of a rename, one file renamed and no clash reported; one Enter of
// a save over a file, one question.
void TestEndToEnd::oneKeyOneAction()
{
    const ProgramState s;
    for (const char* name : {"fractals/a.frc", "fractals/b.frc", "fractals/c.frc"})
        QVERIFY(WriteBytes(Folder.FilePath(name), EncodeFractal(s.FractalParams)));
    QVERIFY(StartAndFindPicture());
    const QString deleteCaption = QStringLiteral("Подтверждение удаления файла");
    const QString replaceCaption = QStringLiteral("Подтверждение замены файла");
    const QString clashCaption = QStringLiteral("Предупреждение о совпадении");
    const auto answerYes = [this](const QString& caption) {
        if (WaitForWindow(caption).isEmpty())
            return false;
        // "Нет" has the focus; the other button is "Да".
        Xdo({"key", "shift+Tab", "Return"});
        return true;
    };

    Xdo({"key", "o"});
    const QString dialog = WaitForWindow(QStringLiteral("Открытие фрактала"));
    QVERIFY(!dialog.isEmpty());
    Xdo({"key", "Delete"});
    QVERIFY(answerYes(deleteCaption));
    QVERIFY(QTest::qWaitFor([&] { return !QFile::exists(Folder.FilePath("fractals/a.frc")); }, Patience));
    QVERIFY2(StaysAbsent(deleteCaption), "the question came a second time");
    QVERIFY(QFile::exists(Folder.FilePath("fractals/b.frc")));

    // R on "b", a free name, Enter.
    Xdo({"windowfocus", "--sync", dialog});
    Xdo({"key", "r"});
    QVERIFY(!WaitForWindow(QStringLiteral("Переименование файла")).isEmpty());
    Xdo({"key", "ctrl+a", "type", "d"});
    Xdo({"key", "Return"});
    QVERIFY(QTest::qWaitFor([&] { return QFile::exists(Folder.FilePath("fractals/d.frc")); }, Patience));
    QVERIFY2(StaysAbsent(clashCaption), "the rename was tried a second time");
    QVERIFY(!QFile::exists(Folder.FilePath("fractals/b.frc")));
    Xdo({"windowfocus", "--sync", dialog});
    Xdo({"key", "Escape"});
    QVERIFY(WaitGone(QStringLiteral("Открытие фрактала")));

    // S over "c", Enter, "Да": written once, asked once.
    FocusMainWindow();
    Xdo({"key", "s"});
    QVERIFY(!WaitForWindow(QStringLiteral("Сохранение фрактала")).isEmpty());
    Xdo({"key", "ctrl+a", "type", "c"});
    Xdo({"key", "Return"});
    QVERIFY(answerYes(replaceCaption));
    QVERIFY(WaitGone(QStringLiteral("Сохранение фрактала")));
    QVERIFY2(StaysAbsent(replaceCaption), "the question came a second time");
    QCOMPARE(QDir(Folder.FilePath("fractals")).entryList(QDir::Files),
             (QStringList{QStringLiteral("c.frc"), QStringLiteral("d.frc")}));
    for (const char* name : {"fractals/c.frc", "fractals/d.frc"})
        QVERIFY(QFile::remove(Folder.FilePath(name)));
}

// While a menu is open its keys are the menu's: a menu opened with the mouse
// takes P and H (no palette dialog, no hand tool), and under a Russian layout
// the menus' Cyrillic letters choose their items, not the shortcuts on the
// same keys.
void TestEndToEnd::openMenuOwnsTheKeys()
{
    QVERIFY(WriteBytes(Folder.FilePath("fractals/a.frc"), EncodeFractal(ProgramState().FractalParams)));
    const std::optional<QPoint> pic = StartAndFindPicture();
    QVERIFY2(pic, "the default picture never showed");
    const QPoint window = PlaceOf(WindowId);
    const QStringList fileMenu = At(window, 23, 8);

    Xdo(QStringList{"mousemove"} + fileMenu + QStringList{"click", "1", "key", "p", "h"});
    Xdo(QStringList{"click", "1", "mousemove"} + At(*pic, 265, 204) + QStringList{"key", "l"});
    // The zoom tool's cursor: every key before it has been handled.
    QVERIFY(WaitForCursor(CursorLupa));
    QVERIFY2(!X.IsShown(QStringLiteral("Открытие палитры")), "P acted under the open menu");

    // Alt+Ф, then the physical key of each item's Cyrillic letter.
    QVERIFY(X.SetLayouts(QStringLiteral("ru,us")));
    const struct {
        int Menu, Item;
        const char* Window;  // caption, or empty for the slide show
    } items[] = {{XKey::A, XKey::H, "Открытие палитры"},   // Файл, Отк&рыть палитру..
                 {XKey::A, XKey::C, "Сохранение фрактала"},  // Файл, &Сохранить фрактал..
                 {XKey::D, XKey::C, ""}};                     // Вид, &Слайд-Шоу
    for (const auto& item : items) {
        FocusMainWindow();
        QVERIFY(X.Keys({XKey::AltLeft, item.Menu}));
        QVERIFY(X.Keys({item.Item}));
        if (*item.Window)
            QVERIFY2(!WaitForWindow(QString::fromUtf8(item.Window)).isEmpty(), item.Window);
        else
            QVERIFY2(WaitForCursor(CursorSlide), "no slide show");
        QVERIFY(X.Keys({XKey::Escape}));
        if (*item.Window)
            QVERIFY(WaitGone(QString::fromUtf8(item.Window)));
        else
            QVERIFY(WaitForCursor(CursorLupa));
    }
    QVERIFY(X.SetLayouts(QStringLiteral("us")));
    QVERIFY(QFile::remove(Folder.FilePath("fractals/a.frc")));
}

// The C animation stands still while a modal window is up and goes on when
// it closes: Re(C) keeps its text for two seconds under the save dialog.
void TestEndToEnd::animationHoldsUnderDialogs()
{
    const std::optional<QPoint> pic = StartAndFindPicture();
    QVERIFY2(pic, "the default picture never showed");
    // E_cx, and the button UpCx, to the right of the picture.
    const QRect edit(pic->x() + 584 - 46 + 10, pic->y() + 142 + 32, 65, 17);
    const auto text = [&] { return Screenshot().copy(edit); };
    const auto changes = [&] {
        const QImage before = text();
        return QTest::qWaitFor([&] { return text() != before; }, Patience);
    };
    Xdo(QStringList{"mousemove"} + At(*pic, 584 - 46 + 63 + 11, 142 + 74 + 11) + QStringList{"click", "1"});
    QVERIFY2(changes(), "the animation did not start");

    FocusMainWindow();
    Xdo({"key", "s"});
    QVERIFY(!WaitForWindow(QStringLiteral("Сохранение фрактала")).isEmpty());
    const QImage held = text();
    QVERIFY2(!QTest::qWaitFor([&] { return text() != held; }, 2000), "C moved under the dialog");
    Xdo({"key", "Escape"});
    QVERIFY(WaitGone(QStringLiteral("Сохранение фрактала")));
    QVERIFY2(changes(), "the animation did not go on");
}

QTEST_MAIN(TestEndToEnd)
#include "tst_e2e.moc"
