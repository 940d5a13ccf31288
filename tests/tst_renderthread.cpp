// Render thread: the pass, the wake-up protocol, stopping, the overview frame
// and the synchronous full-screen render.

#include "engine/Colouring.h"
#include "engine/ImageCanvas.h"
#include "engine/Overview.h"
#include "engine/Palette.h"
#include "engine/ProgramState.h"
#include "engine/RenderPass.h"
#include "engine/RenderThread.h"
#include "tests/support/Pictures.h"

#include <QtTest>

#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <functional>
#include <limits>
#include <memory>
#include <mutex>
#include <set>
#include <thread>
#include <utility>

namespace {

using Clock = std::chrono::steady_clock;
// Only a guard against hangs; no assertion depends on how fast anything runs.
constexpr auto Patience = std::chrono::seconds(120);

#ifdef __SANITIZE_THREAD__
constexpr int StressPasses = 1000;
#else
constexpr int StressPasses = 3000;
#endif

const QRgb Red = qRgb(0xFF, 0, 0);
const QRgb Cyan = qRgb(0, 0xFF, 0xFF);

// A one-shot latch on std primitives, so the race detector sees its ordering.
class TGate {
public:
    void Open()
    {
        std::lock_guard lock(Mutex);
        IsOpen = true;
        Signal.notify_all();
    }
    bool WaitOpen()
    {
        std::unique_lock lock(Mutex);
        return Signal.wait_for(lock, Patience, [this] { return IsOpen; });
    }
    bool Opened()
    {
        std::lock_guard lock(Mutex);
        return IsOpen;
    }

private:
    std::mutex Mutex;
    std::condition_variable Signal;
    bool IsOpen = false;
};

// Waits for a condition; false when it did not come within the guard time.
template <class Pred>
bool SpinUntil(Pred pred)
{
    const auto deadline = Clock::now() + Patience;
    for (unsigned i = 0;; ++i) {
        if (pred())
            return true;
        if ((i & 63) == 63) {
            if (Clock::now() > deadline)
                return false;
            std::this_thread::yield();
        }
    }
}

// The raster walk written out from its definition: first point
// (cx - a*s, b*s + cy) rounded to float, then float additions of the step.
QImage WalkedPicture(const ProgramState& s, int w, int h, float cx, float cy, int a, int b,
                     float step)
{
    QImage image(w, h, QImage::Format_RGB32);
    const float x0 = static_cast<float>(static_cast<long double>(cx) -
                                        static_cast<long double>(a) * step);
    float y = static_cast<float>(static_cast<long double>(b) * step + cy);
    for (int row = 0; row < h; ++row) {
        QRgb* line = reinterpret_cast<QRgb*>(image.scanLine(row));
        float x = x0;
        for (int col = 0; col < w; ++col) {
            line[col] = RgbOf(SquareColour(s, x, y));
            x = x + step;
        }
        y = y - step;
    }
    return image;
}

QImage WalkedMainPicture(const ProgramState& s)
{
    return WalkedPicture(s, 530, 409, s.FractalParams.CenterX, s.FractalParams.CenterY, 265, 204,
                         s.PicStep);
}

QImage WalkedOverview(const ProgramState& s)
{
    return WalkedPicture(s, 81, 65, 0.0f, 0.0f, 40, 32, s.OverviewStep);
}

// Equal images, or the first differing pixel in 'why'.
bool SameImage(const QImage& a, const QImage& b, QString* why)
{
    if (a.size() != b.size()) {
        *why = "sizes differ";
        return false;
    }
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (a.pixel(x, y) != b.pixel(x, y)) {
                *why = QString("first difference at (%1, %2): %3 against %4")
                           .arg(x)
                           .arg(y)
                           .arg(a.pixel(x, y), 8, 16, QChar('0'))
                           .arg(b.pixel(x, y), 8, 16, QChar('0'));
                return false;
            }
    return true;
}

#define QVERIFY_SAME(a, b)                                                   \
    do {                                                                     \
        QString why_;                                                        \
        QVERIFY2(SameImage((a), (b), &why_), qPrintable(why_));              \
    } while (false)

int DistinctColours(const QImage& image)
{
    std::set<QRgb> colours;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            colours.insert(image.pixel(x, y));
    return static_cast<int>(colours.size());
}

using TPixelSet = std::set<std::pair<int, int>>;

// Pixels of a width-1 rectangle outline with corners (x1, y1), (x2, y2), cut to the overview.
TPixelSet RectangleOutline(long long x1, long long y1, long long x2, long long y2)
{
    TPixelSet set;
    const long long left = std::min(x1, x2), right = std::max(x1, x2);
    const long long top = std::min(y1, y2), bottom = std::max(y1, y2);
    for (int y = 0; y < 65; ++y)
        for (int x = 0; x < 81; ++x) {
            const bool onRow = (y == y1 || y == y2) && x >= left && x <= right;
            const bool onColumn = (x == x1 || x == x2) && y >= top && y <= bottom;
            if (onRow || onColumn)
                set.insert({x, y});
        }
    return set;
}

// Pixels of the cross marker at (mx, my): four diagonal strokes of four points each
// (the far end not drawn), every point stamped as a 2 x 2 square from (-1, -1).
TPixelSet MarkerPixels(long long mx, long long my)
{
    TPixelSet set;
    const int dirs[4][2] = {{-1, -1}, {1, -1}, {1, 1}, {-1, 1}};
    for (const auto& d : dirs)
        for (int k = 0; k < 4; ++k) {
            const long long px = mx + d[0] * (2 + k), py = my + d[1] * (2 + k);
            for (long long sy = py - 1; sy <= py; ++sy)
                for (long long sx = px - 1; sx <= px; ++sx)
                    if (sx >= 0 && sx < 81 && sy >= 0 && sy < 65)
                        set.insert({static_cast<int>(sx), static_cast<int>(sy)});
        }
    return set;
}

// The overview canvas must be the overview bitmap with exactly 'marked' painted in 'colour'.
bool CanvasIsBitmapPlus(const QImage& canvas, const QImage& bitmap, const TPixelSet& marked,
                        QRgb colour, QString* why)
{
    if (canvas.size() != bitmap.size()) {
        *why = "size differs";
        return false;
    }
    for (int y = 0; y < canvas.height(); ++y)
        for (int x = 0; x < canvas.width(); ++x) {
            const QRgb want = marked.count({x, y}) ? colour : bitmap.pixel(x, y);
            if (canvas.pixel(x, y) != want) {
                *why = QString("pixel (%1, %2) is %3, expected %4")
                           .arg(x)
                           .arg(y)
                           .arg(canvas.pixel(x, y), 8, 16, QChar('0'))
                           .arg(want, 8, 16, QChar('0'));
                return false;
            }
        }
    return true;
}

#define QVERIFY_OVERVIEW(canvas, bitmap, marked, colour)                                  \
    do {                                                                                 \
        QString why_;                                                                    \
        QVERIFY2(CanvasIsBitmapPlus((canvas), (bitmap), (marked), (colour), &why_),      \
                 qPrintable(why_));                                                      \
    } while (false)

// A state, the two canvases and the render thread, with pass bookkeeping:
// Started counts PassStarted calls, Drawn counts PassDrawn signals. Every pass
// after the first must have been announced through Allowed before its wake-up.
struct TRig {
    ProgramState State;
    TImageCanvas Pic{530, 409};
    TImageCanvas GeneralView{81, 65};
    std::unique_ptr<TThreadFract> Thread;

    std::atomic<int> Started{0};
    std::atomic<int> Drawn{0};
    std::atomic<int> Allowed{1};
    std::atomic<int> Unexpected{0};

    // Pass number HoldPass waits in its hook until Release opens.
    std::atomic<int> HoldPass{0};
    TGate Holding, Release;
    // Opened by the thread itself after run() returned.
    TGate Finished;

    // Extra work of the hook, on the render thread; set before Start().
    std::function<void()> OnPass;

    TRig()
    {
        BuildColourTable(State);
        UpdateOverviewFrame(State, GeneralView);
        Thread = std::make_unique<TThreadFract>(State, Pic, GeneralView);
        QObject::connect(Thread.get(), &TThreadFract::PassDrawn, [this] { ++Drawn; });
        QObject::connect(Thread.get(), &QThread::finished, [this] { Finished.Open(); });
        Thread->PassStarted = [this] {
            if (OnPass)
                OnPass();
            const int n = ++Started;
            if (n > Allowed.load())
                ++Unexpected;
            if (n == HoldPass.load()) {
                Holding.Open();
                Release.WaitOpen();
            }
        };
    }
    ~TRig()
    {
        Release.Open();  // never leave the thread stuck in the hook
        if (Thread->isRunning() || Thread->isFinished()) {
            Thread->Stop();
            // QThread::wait() orders through a futex the race detector cannot
            // see; this makes the thread's last steps visibly precede the delete.
            Finished.WaitOpen();
        }
        Thread.reset();
    }

    void Start() { Thread->start(); }

    // The protocol of every change: only while idle, then wake for one more pass.
    void WakeForPass()
    {
        ++Allowed;
        Thread->Wake();
    }

    // Pass n has ended and the thread is idle with no later pass begun.
    bool WaitIdleAfter(int n)
    {
        return SpinUntil([&] {
            const int before = Started.load();
            const bool idle = State.RenderIdle.load();
            const int drawn = Drawn.load();
            const int after = Started.load();
            return before == n && idle && drawn == n && after == n;
        });
    }
};

// Runs Stop() on a helper thread; true when it returned within the guard time.
bool StopReturns(TThreadFract& thread)
{
    TGate stopped;
    std::thread stopper([&] {
        thread.Stop();
        stopped.Open();
    });
    if (!stopped.WaitOpen())
        qFatal("Stop() did not return: the render thread hangs");
    stopper.join();
    return true;
}

}  // namespace

Q_DECLARE_METATYPE(TOverviewFrame)

class TestRenderThread : public QObject {
    Q_OBJECT
private slots:
    void firstPassDrawsPictureAndOverview();
    void wakeUpsWhileIdleAndWhileBusy();
    void wakeUpsRacingTheEndOfAPass();
    void passesNeverSeeAHalfMadeChange();
    void passDrawsTheValuesOfItsWakeUp();
    void overviewIgnoresTheView();
    void stopEndsAfterTheRunningPass();
    void stopWithoutStartOrWhenIdle();

    void frameOfViews_data();
    void frameOfViews();
    void resetFrameIsInvisible();
    void markerAtAndBelowThreshold();
    void framesFarOutside();

    void fullScreenDefaultView();
    void fullScreenOtherView();
};

void TestRenderThread::firstPassDrawsPictureAndOverview()
{
    TRig rig;
    QVERIFY(!rig.State.RenderIdle.load());
    rig.Start();
    QVERIFY(rig.WaitIdleAfter(1));
    QCOMPARE(rig.Drawn.load(), 1);

    const ProgramState& s = rig.State;
    QCOMPARE(s.PicBitmap.size(), QSize(530, 409));
    QCOMPARE(s.OverviewBitmap.size(), QSize(81, 65));
    const QImage walked = WalkedMainPicture(s);
    QVERIFY(DistinctColours(walked) > 20);  // a real picture, not a flat fill
    QVERIFY_SAME(s.PicBitmap, walked);
    QVERIFY(rig.Pic.Snapshot() == s.PicBitmap);

    // Overview: the walk around the origin, with the default view's frame
    // (0, 64)-(80, 0) drawn red over its border.
    QVERIFY_SAME(s.OverviewBitmap, WalkedOverview(s));
    QVERIFY(s.FrameIsRectangle);
    QCOMPARE(s.OverviewFrame, (TOverviewFrame{0, 64, 80, 0}));
    QVERIFY_OVERVIEW(rig.GeneralView.Snapshot(), s.OverviewBitmap, RectangleOutline(0, 64, 80, 0),
                     Red);
    QCOMPARE(rig.Unexpected.load(), 0);
}

void TestRenderThread::wakeUpsWhileIdleAndWhileBusy()
{
    TRig rig;
    rig.HoldPass = 3;
    rig.Start();
    QVERIFY(rig.WaitIdleAfter(1));

    // Idle: one wake-up, exactly one more pass.
    rig.WakeForPass();
    QVERIFY(rig.WaitIdleAfter(2));
    const QImage before = rig.Pic.Snapshot();

    // Hold pass 3 open in its hook.
    rig.WakeForPass();
    QVERIFY(rig.Holding.WaitOpen());
    QVERIFY(!rig.State.RenderIdle.load());

    // A change handler sees the pass running and drops its input.
    const double oldCx = rig.State.FractalParams.Cx;
    for (int i = 0; i < 100; ++i) {
        if (rig.State.RenderIdle.load()) {
            rig.State.FractalParams.Cx = -0.75;
            rig.Thread->Wake();
        }
    }
    QCOMPARE(rig.State.FractalParams.Cx, oldCx);
    // Raw wake-ups while the pass runs are dropped too.
    for (int i = 0; i < 1000; ++i)
        rig.Thread->Wake();
    rig.Release.Open();
    QVERIFY(rig.WaitIdleAfter(3));
    QVERIFY(rig.Pic.Snapshot() == before);

    // The same change made now takes effect in the next pass; had one of the
    // dropped wake-ups been kept, that pass would have started unannounced.
    rig.State.FractalParams.Cx = -0.75;
    rig.WakeForPass();
    QVERIFY(rig.WaitIdleAfter(4));
    const QImage after = rig.Pic.Snapshot();
    QVERIFY(after != before);
    QVERIFY_SAME(after, WalkedMainPicture(rig.State));

    QVERIFY(StopReturns(*rig.Thread));
    QCOMPARE(rig.Started.load(), 4);
    QCOMPARE(rig.Drawn.load(), 4);
    QCOMPARE(rig.Unexpected.load(), 0);
}

void TestRenderThread::wakeUpsRacingTheEndOfAPass()
{
    // Each pass is trivial: with limit 0 every point takes entry 0 after one iterate.
    TRig rig;
    rig.State.IterationLimit = 0;
    rig.Start();
    QVERIFY(SpinUntil([&] { return rig.Started.load() == 1; }));

    // Wake the moment RenderIdle turns true, while the thread is still on its
    // way to sleep; no such wake-up may be lost.
    for (int pass = 1; pass <= StressPasses; ++pass) {
        ++rig.Allowed;  // announced first, so nothing stands between seeing idle and waking
        if (!SpinUntil([&] { return rig.State.RenderIdle.load(); }))
            QFAIL(qPrintable(QString("pass %1 never ended").arg(pass)));
        rig.Thread->Wake();
        if (!SpinUntil([&] { return rig.Started.load() > pass; }))
            QFAIL(qPrintable(QString("wake-up after pass %1 was lost").arg(pass)));
    }
    QVERIFY(rig.WaitIdleAfter(StressPasses + 1));
    QVERIFY(StopReturns(*rig.Thread));
    QCOMPARE(rig.Started.load(), StressPasses + 1);
    QCOMPARE(rig.Drawn.load(), StressPasses + 1);
    QCOMPARE(rig.Unexpected.load(), 0);
}

void TestRenderThread::passesNeverSeeAHalfMadeChange()
{
    // The main thread keeps Cx, Cy and CenterX a consistent triple
    // (k/1000, -k/1000, k) and changes it only while idle; every pass checks it.
    TRig rig;
    rig.State.IterationLimit = 0;
    std::atomic<int> torn{0};
    std::atomic<int> seen{-1};
    rig.OnPass = [&] {
        const TFractalParams& p = rig.State.FractalParams;
        const double cx = p.Cx, cy = p.Cy;
        const float centre = p.CenterX;
        const long k = std::lround(centre);
        if (cy != -cx || cx != k / 1000.0 || centre != static_cast<float>(k))
            ++torn;
        seen = static_cast<int>(k);
    };
    TFractalParams& p = rig.State.FractalParams;
    p.Cx = 0.0;
    p.Cy = -0.0;
    p.CenterX = 0.0f;
    rig.Start();

    constexpr int changes = StressPasses / 2;
    for (int k = 1; k <= changes; ++k) {
        if (!SpinUntil([&] { return rig.State.RenderIdle.load(); }))
            QFAIL(qPrintable(QString("pass %1 never ended").arg(k)));
        p.Cx = k / 1000.0;
        p.Cy = -(k / 1000.0);
        p.CenterX = static_cast<float>(k);
        rig.WakeForPass();
        if (!SpinUntil([&] { return rig.Started.load() > k; }))
            QFAIL(qPrintable(QString("wake-up %1 was lost").arg(k)));
        QCOMPARE(rig.Started.load(), k + 1);
        QCOMPARE(seen.load(), k);  // the pass saw the latest triple
    }
    QVERIFY(rig.WaitIdleAfter(changes + 1));
    QCOMPARE(torn.load(), 0);
    QCOMPARE(rig.Unexpected.load(), 0);
}

void TestRenderThread::passDrawsTheValuesOfItsWakeUp()
{
    TRig rig;
    rig.HoldPass = 2;
    rig.Start();
    QVERIFY(rig.WaitIdleAfter(1));

    ProgramState& s = rig.State;
    TFractalParams& p = s.FractalParams;
    p.Cx = -0.12;
    p.Cy = 0.75;
    p.CenterX = 0.1f;
    p.ViewWidth = 2.5f;
    s.PicStep = StepForViewWidth(p.ViewWidth);
    UpdateOverviewFrame(s, rig.GeneralView);
    const TOverviewFrame frame = s.OverviewFrame;
    const QImage picture = WalkedMainPicture(s);
    const QImage overview = WalkedOverview(s);
    rig.WakeForPass();
    QVERIFY(rig.Holding.WaitOpen());

    // Against the rule, everything the pass reads changes under the held pass.
    p.Cx = 0.3;
    p.Cy = -0.5;
    p.CenterX = -1.0f;
    s.PicStep *= 2;
    s.OverviewStep *= 2;
    s.SetIterationLimit(30);
    s.ColourTable.fill(TColourEntry{1, 2, 3});
    s.OverviewFrame = TOverviewFrame{10, 50, 70, 5};
    s.FrameIsRectangle = false;
    rig.Release.Open();
    QVERIFY(rig.WaitIdleAfter(2));

    QVERIFY_SAME(s.PicBitmap, picture);
    QVERIFY(rig.Pic.Snapshot() == picture);
    QVERIFY_SAME(s.OverviewBitmap, overview);
    QVERIFY_OVERVIEW(rig.GeneralView.Snapshot(), overview,
                     RectangleOutline(frame.X1, frame.Y1, frame.X2, frame.Y2), Red);
    QCOMPARE(rig.Unexpected.load(), 0);
}

void TestRenderThread::overviewIgnoresTheView()
{
    TRig rig;
    rig.Start();
    QVERIFY(rig.WaitIdleAfter(1));
    const QImage overview = rig.State.OverviewBitmap.copy();
    const QImage picture = rig.State.PicBitmap.copy();

    // Zoom in and move the view.
    TFractalParams& p = rig.State.FractalParams;
    p.CenterX = 0.37f;
    p.CenterY = -0.21f;
    p.ViewWidth = 0.8f;
    rig.State.PicStep = StepForViewWidth(p.ViewWidth);
    UpdateOverviewFrame(rig.State, rig.GeneralView);
    rig.WakeForPass();
    QVERIFY(rig.WaitIdleAfter(2));
    QVERIFY(rig.State.PicBitmap != picture);
    QVERIFY_SAME(rig.State.PicBitmap, WalkedMainPicture(rig.State));
    QVERIFY(rig.State.OverviewBitmap == overview);

    // C does change it.
    p.Cy = -0.2;
    rig.WakeForPass();
    QVERIFY(rig.WaitIdleAfter(3));
    QVERIFY(rig.State.OverviewBitmap != overview);
    QVERIFY_SAME(rig.State.OverviewBitmap, WalkedOverview(rig.State));
    QCOMPARE(rig.Unexpected.load(), 0);
}

void TestRenderThread::stopEndsAfterTheRunningPass()
{
    TRig rig;
    rig.HoldPass = 2;
    rig.Start();
    QVERIFY(rig.WaitIdleAfter(1));
    rig.WakeForPass();
    QVERIFY(rig.Holding.WaitOpen());

    // Stop while the pass is held: it may not return before the pass is released.
    TGate stopping, stopped;
    std::thread stopper([&] {
        stopping.Open();
        rig.Thread->Stop();
        stopped.Open();
    });
    QVERIFY(stopping.WaitOpen());
    QVERIFY(!stopped.Opened());
    rig.Release.Open();
    if (!stopped.WaitOpen())
        qFatal("Stop() did not return after the held pass was released");
    stopper.join();

    // The held pass was finished and drawn, and no pass follows.
    QVERIFY(rig.Thread->isFinished());
    QCOMPARE(rig.Started.load(), 2);
    QCOMPARE(rig.Drawn.load(), 2);
    QVERIFY(rig.Pic.Snapshot() == rig.State.PicBitmap);
    rig.Thread->Wake();
    rig.Thread->Stop();  // a second stop is harmless
    QVERIFY(rig.Thread->isFinished());
    QCOMPARE(rig.Started.load(), 2);
    QCOMPARE(rig.Unexpected.load(), 0);
}

void TestRenderThread::stopWithoutStartOrWhenIdle()
{
    {
        // Never started: stopping and destroying it does nothing.
        TRig rig;
        rig.Thread->Stop();
        rig.Thread->Stop();
        QCOMPARE(rig.Started.load(), 0);
    }
    {
        TRig rig;
        rig.Start();
        QVERIFY(rig.WaitIdleAfter(1));
        QVERIFY(StopReturns(*rig.Thread));
        QVERIFY(rig.Thread->isFinished());
        QCOMPARE(rig.Started.load(), 1);
        QCOMPARE(rig.Drawn.load(), 1);
    }
    {
        // Destroyed while idle, without an explicit stop.
        TRig rig;
        rig.Start();
        QVERIFY(rig.WaitIdleAfter(1));
    }
}

void TestRenderThread::frameOfViews_data()
{
    QTest::addColumn<float>("centerX");
    QTest::addColumn<float>("centerY");
    QTest::addColumn<float>("viewWidth");
    QTest::addColumn<TOverviewFrame>("frame");

    QTest::newRow("default view") << 0.0f << 0.0f << 5.0f << TOverviewFrame{0, 64, 80, 0};
    // left -0.45, right 1.05, bottom -0.7774, top 0.3774
    QTest::newRow("inside") << 0.3f << -0.2f << 1.5f << TOverviewFrame{33, 45, 57, 25};
    // Edges beyond the top left truncate toward zero: -6.79 -> -6, -1.65 -> -1.
    QTest::newRow("over the corner") << -2.2f << 1.5f << 1.5f << TOverviewFrame{-6, 18, 16, -1};
    // Just above the threshold the frame is still a (tiny) rectangle.
    QTest::newRow("smallest rectangle")
        << 0.0f << 0.0f << std::nextafter(0.0004f, 1.0f) * 530.0f << TOverviewFrame{39, 34, 41, 30};
}

void TestRenderThread::frameOfViews()
{
    QFETCH(float, centerX);
    QFETCH(float, centerY);
    QFETCH(float, viewWidth);
    QFETCH(TOverviewFrame, frame);

    ProgramState s;
    BuildColourTable(s);
    TImageCanvas pic(530, 409), view(81, 65);
    view.PenWidth = 7;
    view.PenColor = 0x123456;
    s.FractalParams.CenterX = centerX;
    s.FractalParams.CenterY = centerY;
    s.FractalParams.ViewWidth = viewWidth;
    s.PicStep = StepForViewWidth(viewWidth);
    QVERIFY(s.PicStep > FrameStepThreshold);
    UpdateOverviewFrame(s, view);
    QVERIFY(s.FrameIsRectangle);
    QCOMPARE(s.OverviewFrame, frame);
    QCOMPARE(view.PenWidth, 1);
    QCOMPARE(view.PenColor, TColorRef(0x0000FF));

    RenderPass(s, pic, view);
    QVERIFY_OVERVIEW(view.Snapshot(), s.OverviewBitmap,
                     RectangleOutline(frame.X1, frame.Y1, frame.X2, frame.Y2), Red);
}

void TestRenderThread::resetFrameIsInvisible()
{
    ProgramState s;
    BuildColourTable(s);
    TImageCanvas pic(530, 409), view(81, 65);
    // From marker mode, so the reset has to restore the pen too.
    s.PicStep = 0.0001f;
    UpdateOverviewFrame(s, view);
    QVERIFY(!s.FrameIsRectangle);

    ResetOverviewFrame(s, view);
    QVERIFY(s.FrameIsRectangle);
    QCOMPARE(s.OverviewFrame, (TOverviewFrame{-1, -1, 82, 66}));
    QCOMPARE(view.PenWidth, 1);
    QCOMPARE(view.PenColor, TColorRef(0x0000FF));
    RenderPass(s, pic, view);
    QVERIFY(view.Snapshot() == s.OverviewBitmap);
}

void TestRenderThread::markerAtAndBelowThreshold()
{
    ProgramState s;
    BuildColourTable(s);
    TImageCanvas pic(530, 409), view(81, 65);

    // Exactly the threshold is already the marker.
    s.PicStep = 0.0004f;
    UpdateOverviewFrame(s, view);
    QVERIFY(!s.FrameIsRectangle);
    QCOMPARE(s.OverviewMarker, (TOverviewMarker{40, 32}));
    QCOMPARE(view.PenWidth, 2);
    QCOMPARE(view.PenColor, TColorRef(0xFFFF00));
    RenderPass(s, pic, view);
    const QImage canvas = view.Snapshot();
    QVERIFY_OVERVIEW(canvas, s.OverviewBitmap, MarkerPixels(40, 32), Cyan);
    // A few pixels by hand: the strokes, the open middle, the far ends.
    QCOMPARE(canvas.pixel(38, 30), Cyan);
    QCOMPARE(canvas.pixel(34, 26), Cyan);
    QCOMPARE(canvas.pixel(41, 29), Cyan);
    QCOMPARE(canvas.pixel(45, 37), Cyan);
    QCOMPARE(canvas.pixel(37, 34), Cyan);
    for (const auto& [x, y] : {std::pair{40, 32}, {39, 31}, {40, 31}, {39, 32}, {33, 25}, {46, 38}})
        QVERIFY2(canvas.pixel(x, y) != Cyan, qPrintable(QString("(%1, %2)").arg(x).arg(y)));

    // Left of the overview the column truncates toward zero: -0.5 -> 0.
    s.FractalParams.CenterX = -2.5f;
    s.FractalParams.CenterY = -0.05f;
    s.PicStep = 0.0001f;
    UpdateOverviewFrame(s, view);
    QCOMPARE(s.OverviewMarker, (TOverviewMarker{0, 32}));
    RenderPass(s, pic, view);
    QVERIFY_OVERVIEW(view.Snapshot(), s.OverviewBitmap, MarkerPixels(0, 32), Cyan);

    // Zooming out past the threshold brings back the red rectangle.
    s.FractalParams.CenterX = 0.0f;
    s.FractalParams.CenterY = 0.0f;
    s.PicStep = std::nextafter(0.0004f, 1.0f);
    UpdateOverviewFrame(s, view);
    QVERIFY(s.FrameIsRectangle);
    QCOMPARE(view.PenWidth, 1);
    QCOMPARE(view.PenColor, TColorRef(0x0000FF));
    QCOMPARE(s.OverviewFrame, (TOverviewFrame{39, 34, 41, 30}));
}

void TestRenderThread::framesFarOutside()
{
    ProgramState s;
    BuildColourTable(s);
    s.IterationLimit = 0;
    TImageCanvas pic(530, 409), view(81, 65);
    constexpr int32_t Max = std::numeric_limits<int32_t>::max();
    constexpr int32_t Min = std::numeric_limits<int32_t>::min();
    const float nan = std::numeric_limits<float>::quiet_NaN();

    const auto frameAt = [&](float cx, float cy, float step) {
        s.FractalParams.CenterX = cx;
        s.FractalParams.CenterY = cy;
        s.PicStep = step;
        UpdateOverviewFrame(s, view);
        RenderPass(s, pic, view);
        return view.Snapshot();
    };

    // Rectangles far away saturate and leave the overview untouched.
    QVERIFY(frameAt(1e30f, 0.0f, 0.01f) == s.OverviewBitmap);
    QCOMPARE(s.OverviewFrame.X1, Max);
    QCOMPARE(s.OverviewFrame.X2, Max);
    QVERIFY(frameAt(-1e30f, 1e30f, 0.01f) == s.OverviewBitmap);
    QCOMPARE(s.OverviewFrame, (TOverviewFrame{Min, Min, Min, Min}));

    // A frame around the whole plane whose top edge is the overview's middle
    // row: that edge runs from column 2^31-1 to -2^31 and is clipped to row 32.
    const float huge = std::ldexp(1.0f, 90);
    const QImage canvas = frameAt(0.0f, -204.0f * huge, huge);
    QCOMPARE(s.OverviewFrame, (TOverviewFrame{Min, Max, Max, 32}));
    TPixelSet row;
    for (int x = 0; x < 81; ++x)
        row.insert({x, 32});
    QVERIFY_OVERVIEW(canvas, s.OverviewBitmap, row, Red);

    // NaN centres give 0: an empty rectangle, or a marker on the corner.
    QVERIFY(frameAt(nan, nan, 0.01f) == s.OverviewBitmap);
    QCOMPARE(s.OverviewFrame, (TOverviewFrame{0, 0, 0, 0}));
    QVERIFY_OVERVIEW(frameAt(nan, nan, 0.0001f), s.OverviewBitmap, MarkerPixels(0, 0), Cyan);
    QCOMPARE(s.OverviewMarker, (TOverviewMarker{0, 0}));

    // Markers far away.
    QVERIFY(frameAt(1e30f, -1e30f, 0.0001f) == s.OverviewBitmap);
    QCOMPARE(s.OverviewMarker, (TOverviewMarker{Max, Max}));
    QVERIFY(frameAt(-1e30f, 1e30f, 0.0001f) == s.OverviewBitmap);
    QCOMPARE(s.OverviewMarker, (TOverviewMarker{Min, Min}));
    // Just off the right edge the two left strokes still reach in.
    const QImage offRight = frameAt(5.0f * 84 / 81 - 2.5f, 0.0f, 0.0001f);
    QCOMPARE(s.OverviewMarker, (TOverviewMarker{83, 32}));
    QVERIFY_OVERVIEW(offRight, s.OverviewBitmap, MarkerPixels(83, 32), Cyan);
}

void TestRenderThread::fullScreenDefaultView()
{
    ProgramState s;
    BuildColourTable(s);
    s.FullScreenWidth = 1024;
    s.FullScreenHeight = 768;
    TImageCanvas screen(1024, 768);
    RenderFullScreen(s, screen);

    QCOMPARE(s.FullScreenStep, 5.0f / 1024.0f);
    QCOMPARE(s.FullScreenBitmap.size(), QSize(1024, 768));
    // Pixel (512, 384) sits on the centre; the first one at (-2.5, 1.875).
    const float step = s.FullScreenStep;
    QCOMPARE(s.FullScreenBitmap.pixel(0, 0), RgbOf(SquareColour(s, -2.5f, 1.875f)));
    const std::pair<int, int> probes[] = {{1, 0}, {512, 384}, {700, 100}, {1023, 0}, {0, 767},
                                          {1023, 767}, {300, 500}};
    for (const auto& [col, row] : probes) {
        float x = -2.5f, y = 1.875f;
        for (int i = 0; i < col; ++i)
            x = x + step;
        for (int i = 0; i < row; ++i)
            y = y - step;
        QVERIFY2(s.FullScreenBitmap.pixel(col, row) == RgbOf(SquareColour(s, x, y)),
                 qPrintable(QString("(%1, %2)").arg(col).arg(row)));
    }
    QCOMPARE(s.FullScreenBitmap.pixel(512, 384), RgbOf(SquareColour(s, 0.0f, 0.0f)));
    QVERIFY_SAME(s.FullScreenBitmap, WalkedPicture(s, 1024, 768, 0.0f, 0.0f, 512, 384, step));
    QVERIFY(screen.Snapshot() == s.FullScreenBitmap);
}

void TestRenderThread::fullScreenOtherView()
{
    // An odd size and a step that is not a power of two times a small integer,
    // so the coordinates carry rounding from the repeated additions.
    ProgramState s;
    BuildColourTable(s);
    s.FractalParams.CenterX = 0.3f;
    s.FractalParams.CenterY = -0.1f;
    s.FractalParams.ViewWidth = 3.0f;
    s.FractalParams.Cx = -0.8;
    s.FractalParams.Cy = 0.156;
    s.FullScreenWidth = 1001;
    s.FullScreenHeight = 701;
    TImageCanvas screen(1001, 701);
    RenderFullScreen(s, screen);

    const float step = static_cast<float>(3.0L / 1001);
    QCOMPARE(s.FullScreenStep, step);
    const QImage walked = WalkedPicture(s, 1001, 701, 0.3f, -0.1f, 500, 350, step);
    QVERIFY(DistinctColours(walked) > 20);
    QVERIFY_SAME(s.FullScreenBitmap, walked);
    QVERIFY(screen.Snapshot() == s.FullScreenBitmap);
}

QTEST_GUILESS_MAIN(TestRenderThread)
#include "tst_renderthread.moc"
