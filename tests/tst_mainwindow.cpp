// Main window: settings.dat, the render protocol of every input, the C controls
// and their animation, the navigation tools, the palette controls, keys, the
// full-screen view and the hints.

#include "app/HintLine.h"
#include "app/NumberFormat.h"
#include "app/Program.h"
#include "app/U_fullscreen.h"
#include "tests/support/MainFormAccess.h"
#include "engine/Messages.h"
#include "engine/Palette.h"
#include "engine/ProgramState.h"
#include "support/Files.h"
#include "support/MessageRecorder.h"
#include "support/PassGate.h"
#include "support/ProgramFolder.h"
#include "support/SpecialFiles.h"
#include "support/StoredSettings.h"

#include <QtTest>

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QSlider>
#include <QToolButton>

#include <atomic>
#include <functional>
#include <iterator>
#include <limits>
#include <memory>
#include <vector>

namespace {

// Only a guard against hangs.
constexpr int Patience = 60000;

TPassGate Gate;

// The table the palette synthesis gives for these inputs.
std::vector<TColourEntry> ReferenceTable(int kind, int r0, int g0, int b0, int r1, int g1, int b1)
{
    auto s = std::make_unique<ProgramState>();
    TFractalParams& p = s->FractalParams;
    p.PaletteKind = kind;
    p.R0 = r0, p.G0 = g0, p.B0 = b0, p.R1 = r1, p.G1 = g1, p.B1 = b1;
    BuildColourTable(*s);
    return {s->ColourTable.begin(), s->ColourTable.end()};
}

std::vector<TColourEntry> TableOf(const TMainFormForTests& w)
{
    return {w.State.ColourTable.begin(), w.State.ColourTable.end()};
}

// Arithmetic of the view as the window defines it, written out here.
float Step(float width)
{
    return static_cast<float>(static_cast<long double>(width) * (1.0L / 530));
}
float Shift(float centre, int pixels, float step)
{
    return static_cast<float>(centre + static_cast<long double>(pixels) * step);
}
float ZoomedIn(float w)
{
    return static_cast<float>(w - static_cast<long double>(w) * 0.3f);
}
float ZoomedOut(float w)
{
    return static_cast<float>(w + static_cast<long double>(w) * 0.3f);
}

// Everything an input may change, for "nothing changed" checks.
struct TSnapshot {
    TFractalParams Params;
    float PicStep = 0;
    TOverviewFrame Frame;
    TOverviewMarker Marker;
    bool FrameIsRectangle = true;
    TToolMode ToolMode = TToolMode::Koef;
    bool Armed = true;
    QPoint DragAnchor, KoefAnchor, KoefStart;
    QString ECx, ECy, PicHint;
    bool FullScreenOpen = false;
    std::vector<TColourEntry> Table;
    bool operator==(const TSnapshot&) const = default;
};

TSnapshot Snap(const TMainFormForTests& w)
{
    TSnapshot s;
    s.Params = w.State.FractalParams;
    s.PicStep = w.State.PicStep;
    s.Frame = w.State.OverviewFrame;
    s.Marker = w.State.OverviewMarker;
    s.FrameIsRectangle = w.State.FrameIsRectangle;
    s.ToolMode = w.State.ToolMode;
    s.Armed = w.State.PicMouseArmed;
    s.DragAnchor = w.DragAnchor;
    s.KoefAnchor = w.KoefAnchor;
    s.KoefStart = w.KoefStartPosition;
    s.ECx = w.E_cx->text();
    s.ECy = w.E_cy->text();
    s.PicHint = HintOf(w.Pic);
    s.FullScreenOpen = w.State.FullScreenOpen;
    s.Table = TableOf(w);
    return s;
}

// Closes every message box that opens, noting what it showed.
struct TBoxWatcher {
    struct TBox {
        QMessageBox::Icon Icon;
        QString Caption, Text;
        QMessageBox::StandardButtons Buttons;
        bool operator==(const TBox&) const = default;
    };
    QList<TBox> Shown;
    QMessageBox::StandardButton Answer = QMessageBox::Ok;
    QTimer Poll;

    TBoxWatcher()
    {
        Poll.setInterval(5);
        QObject::connect(&Poll, &QTimer::timeout, [this] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box || !box->isVisible())
                return;
            Shown.append({box->icon(), box->windowTitle(), box->text(), box->standardButtons()});
            QAbstractButton* b = box->button(box->standardButtons() & Answer ? Answer : QMessageBox::Ok);
            if (b)
                b->click();
            else
                box->reject();
        });
        Poll.start();
    }
};

// The ambiguous letter of some hints: the Cyrillic capital Es.
const QString CyrC = QString(QChar(0x0421));

}  // namespace

Q_DECLARE_METATYPE(TEntryKind)

class TestMainWindow : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TProgramFolder> Dir;
    std::unique_ptr<TMainFormForTests> W;

    // Builds the window in the current folder and waits for its first picture.
    bool Open()
    {
        W = std::make_unique<TMainFormForTests>();
        return Idle();
    }
    bool Idle() { return WaitIdle(W->State); }
    // The pass woken after 'before' passes has ended, and no other.
    bool Settled(int expected) { return WaitSettled(Gate, W->State, expected); }
    // Holds a pass open until Unhold(): a pass already due, or one woken here.
    bool Hold()
    {
        Gate.Hold = true;
        const bool entered = QTest::qWaitFor(
            [this] {
                if (Gate.Entered.tryAcquire())
                    return true;
                if (W->State.RenderIdle.load())
                    W->RenderThread->Wake();  // dropped if a pass has just begun
                return false;
            },
            Patience);
        Gate.Hold = false;
        return entered && !W->State.RenderIdle.load();
    }
    bool Unhold()
    {
        Gate.Release.release();
        return Idle();
    }
    // Every wake-up given so far has had its pass, and no pass is pending.
    bool Quiesce()
    {
        return Hold() && Unhold();
    }
    // No further pass was woken: the count stays after pending events ran.
    void ExpectPasses(int expected) { ::ExpectPasses(Gate, W->State, expected); }

    void MouseDown(int x, int y, Qt::MouseButton button = Qt::LeftButton)
    {
        QMouseEvent e(QEvent::MouseButtonPress, QPointF(x, y), QPointF(x, y), button, button, Qt::NoModifier);
        W->PicMouseDown(&e);
    }
    void MouseMove(int x, int y, Qt::MouseButtons held = Qt::LeftButton)
    {
        QMouseEvent e(QEvent::MouseMove, QPointF(x, y), QPointF(x, y), Qt::NoButton, held, Qt::NoModifier);
        W->PicMouseMove(&e);
    }
    void OverviewDown(int x, int y)
    {
        QMouseEvent e(QEvent::MouseButtonPress, QPointF(x, y), QPointF(x, y), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
        W->GeneralViewMouseDown(&e);
    }
    void OverviewMove(int x, int y, Qt::MouseButtons held = Qt::NoButton)
    {
        QMouseEvent e(QEvent::MouseMove, QPointF(x, y), QPointF(x, y), Qt::NoButton, held, Qt::NoModifier);
        W->GeneralViewMouseMove(&e);
    }
    void Key(int key, Qt::KeyboardModifiers mods = Qt::NoModifier)
    {
        QKeyEvent e(QEvent::KeyPress, key, mods);
        W->FormKeyDown(&e);
    }
    // Animation handlers, with the stepping timer kept still: the test steps.
    void Press(void (TMainFormForTests::*handler)())
    {
        (W.get()->*handler)();
        W->AnimationTimer.stop();
    }
    void AnimStep()
    {
        W->AnimationStep();
        W->AnimationTimer.stop();
    }
    // One step that moves the bar at idle: C follows once its pass is over.
    bool AnimStepSettled()
    {
        const int before = Gate.Passes.load();
        AnimStep();
        return Settled(before + 1);
    }
    bool ToolActionChecked(TToolMode mode) const
    {
        QAction* const actions[] = {W->KoefScr, W->Zoom, W->ToCur, W->HandTool, W->FromTo};
        for (int i = 0; i < 5; ++i)
            if (actions[i]->isChecked() != (i == int(mode)))
                return false;
        return true;
    }
    QPoint Centred() const
    {
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        const QSize outer = W->frameGeometry().size();
        return {static_cast<int>((screen.width() - outer.width()) * 0.5) + screen.x(),
                static_cast<int>((screen.height() - outer.height()) * 0.5) + screen.y()};
    }

private slots:
    void initTestCase()
    {
        QLocale::setDefault(QLocale::c());
        TMainFormForTests::PassHookForTests = [] { Gate.OnPass(); };
    }

    void init()
    {
        Gate.Reset();
        Dir = std::make_unique<TProgramFolder>();
        QVERIFY(Dir->IsValid());
    }

    void cleanup()
    {
        // A pass may still wait in the hook, also after a failed check.
        Gate.Hold = false;
        Gate.Release.release();
        if (W)
            W->AnimationTimer.stop();
        W.reset();
        Dir.reset();
        QLocale::setDefault(QLocale::c());
    }

    // ---- settings.dat ----

    void settingsFreshFolderWritesNothing()
    {
        QVERIFY(Open());
        QCOMPARE(W->State.SlideDelay, 4);
        QCOMPARE(W->State.CloseExportAfterSave, 0);
        QCOMPARE(W->State.FractalParams.R0, 36);
        QCOMPARE(W->State.FractalParams.B1, 8);
        QCOMPARE(W->TypeOfPalette->currentIndex(), 0);
        QCOMPARE(W->pos(), Centred());
        W->close();
        QVERIFY(!QFile::exists("settings.dat"));
    }

    void settingsChangeWritesRecord()
    {
        QVERIFY(Open());
        int passes = Gate.Passes.load();
        W->TrackBarG1->setValue(30);
        QCOMPARE(W->State.FractalParams.G1, 30);
        QVERIFY(Settled(++passes));
        W->TypeOfPalette->setCurrentIndex(4);
        QCOMPARE(W->State.FractalParams.PaletteKind, 5);
        QVERIFY(Settled(++passes));
        const QPoint place = W->pos();
        W->close();
        const QByteArray b = ReadBytes("settings.dat");
        QCOMPARE(b.size(), 45);
        QCOMPARE(b, EncodeStoredSettings({4, 0, place.x(), place.y(), 36, 16, 12, 26, 30, 8, 5, 0}));
    }

    void settingsWindowMoveWritesRecord()
    {
        QVERIFY(Open());
        const QPoint place = W->pos() + QPoint(7, -5);
        W->move(place);
        QCOMPARE(W->pos(), place);
        W->close();
        const QByteArray b = ReadBytes("settings.dat");
        QCOMPARE(b.size(), 45);
        QCOMPARE(StoredField(b, 8), place.x());
        QCOMPARE(StoredField(b, 12), place.y());
        QCOMPARE(b, EncodeStoredSettings({4, 0, place.x(), place.y(), 36, 16, 12, 26, 18, 8, 1, 0}));
    }

    void settingsStoredPlaceAndPalette()
    {
        // A trailing extra byte shows whether the close rewrote the file.
        const QByteArray stored = EncodeStoredSettings({9, 1, 33, 21, 50, 60, 70, 10, 20, 30, 6, 1}) + QByteArray(1, 'x');
        QVERIFY(WriteBytes("settings.dat", stored));
        QVERIFY(Open());
        QCOMPARE(W->pos(), QPoint(33, 21));
        const TFractalParams& p = W->State.FractalParams;
        QCOMPARE(W->State.SlideDelay, 9);
        QCOMPARE(W->State.CloseExportAfterSave, 1);
        QCOMPARE(W->State.SlideRandomOrder, uint8_t(1));
        QCOMPARE((std::vector<int>{p.R0, p.G0, p.B0, p.R1, p.G1, p.B1}), (std::vector<int>{50, 60, 70, 10, 20, 30}));
        QCOMPARE((std::vector<int>{W->TrackBarR0->value(), W->TrackBarG0->value(), W->TrackBarB0->value(),
                                   W->TrackBarR1->value(), W->TrackBarG1->value(), W->TrackBarB1->value()}),
                 (std::vector<int>{50, 60, 70, 10, 20, 30}));
        QCOMPARE(p.PaletteKind, 6);
        QCOMPARE(W->TypeOfPalette->currentIndex(), 5);
        QVERIFY(TableOf(*W) == ReferenceTable(6, 50, 60, 70, 10, 20, 30));
        // C and the view are never stored.
        QCOMPARE(p.Cx, 402 * 0.001);
        QCOMPARE(p.Cy, 339 * 0.001);
        QCOMPARE(W->E_cx->text(), QString("0.402"));
        QCOMPARE(W->E_cy->text(), QString("0.339"));
        QCOMPARE(p.CenterX, 0.0f);
        QCOMPARE(p.CenterY, 0.0f);
        QCOMPARE(p.ViewWidth, 5.0f);
        W->close();
        QCOMPARE(ReadBytes("settings.dat"), stored);
    }

    // Any stored place, however far off, is taken or replaced by the centre
    // without overflow (the sanitizer build checks the arithmetic).
    void settingsStoredPlaceAnywhere_data()
    {
        QTest::addColumn<int>("left");
        QTest::addColumn<int>("top");
        QTest::addColumn<bool>("taken");
        constexpr int Max = std::numeric_limits<int>::max(), Min = std::numeric_limits<int>::min();
        QTest::newRow("on the screen") << 33 << 21 << true;
        QTest::newRow("partly off to the left") << -600 << 10 << true;
        QTest::newRow("INT_MAX, INT_MAX") << Max << Max << false;
        QTest::newRow("INT_MIN, INT_MIN") << Min << Min << false;
        QTest::newRow("INT_MIN, INT_MAX") << Min << Max << false;
        QTest::newRow("INT_MAX, 0") << Max << 0 << false;
        QTest::newRow("0, INT_MIN") << 0 << Min << false;
        QTest::newRow("just left of the screen") << -690 << 10 << false;
    }
    void settingsStoredPlaceAnywhere()
    {
        QFETCH(int, left);
        QFETCH(int, top);
        QFETCH(bool, taken);
        TStoredSettings stored;
        stored.Left = left;
        stored.Top = top;
        QVERIFY(WriteBytes("settings.dat", EncodeStoredSettings(stored)));
        QVERIFY(Open());
        const QPoint place = taken ? QPoint(left, top) : Centred();
        QCOMPARE(W->pos(), place);
        W->close();
        stored.Left = place.x();
        stored.Top = place.y();
        QCOMPARE(ReadBytes("settings.dat"), EncodeStoredSettings(stored));
    }

    void settingsOutOfRangeRewritten_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("random");
        QTest::addColumn<int>("startKind");
        QTest::addColumn<int>("startRandom");
        QTest::newRow("palette kind 9") << 9 << 0 << 1 << 0;
        QTest::newRow("palette kind -3") << -3 << 1 << 1 << 1;
        QTest::newRow("random order 7") << 3 << 7 << 3 << 0;
    }
    void settingsOutOfRangeRewritten()
    {
        QFETCH(int, kind);
        QFETCH(int, random);
        QFETCH(int, startKind);
        QFETCH(int, startRandom);
        TStoredSettings s{5, 1, 40, 30, 1, 2, 3, 4, 5, 6, kind, static_cast<uint8_t>(random)};
        QVERIFY(WriteBytes("settings.dat", EncodeStoredSettings(s)));
        QVERIFY(Open());
        QCOMPARE(W->State.FractalParams.PaletteKind, startKind);
        QCOMPARE(W->TypeOfPalette->currentIndex(), startKind - 1);
        QCOMPARE(int(W->State.SlideRandomOrder), startRandom);
        QVERIFY(TableOf(*W) == ReferenceTable(startKind, 1, 2, 3, 4, 5, 6));
        W->close();
        s.Kind = startKind;
        s.Random = static_cast<uint8_t>(startRandom);
        QCOMPARE(ReadBytes("settings.dat"), EncodeStoredSettings(s));
    }

    void settingsKindChangedBackWritesNothing()
    {
        QVERIFY(Open());
        int passes = Gate.Passes.load();
        W->TypeOfPalette->setCurrentIndex(3);
        QCOMPARE(W->State.FractalParams.PaletteKind, 4);
        QVERIFY(Settled(++passes));
        W->TypeOfPalette->setCurrentIndex(0);
        QCOMPARE(W->State.FractalParams.PaletteKind, 1);
        QVERIFY(Settled(++passes));
        W->close();
        QVERIFY(!QFile::exists("settings.dat"));
    }

    void settingsShortFile()
    {
        // Delay, close-after, left, top, R0; everything later reads as zero.
        QVERIFY(WriteBytes("settings.dat", EncodeStoredSettings({5, 1, 40, 30, 77}).left(20)));
        QVERIFY(Open());
        const TFractalParams& p = W->State.FractalParams;
        QCOMPARE(W->State.SlideDelay, 5);
        QCOMPARE(W->State.CloseExportAfterSave, 1);
        QCOMPARE(W->pos(), QPoint(40, 30));
        QCOMPARE(p.R0, 77);
        QCOMPARE((std::vector<int>{p.G0, p.B0, p.R1, p.G1, p.B1}), (std::vector<int>{0, 0, 0, 0, 0}));
        QCOMPARE(W->TrackBarR0->value(), 77);
        QCOMPARE(W->TrackBarB1->value(), 0);
        QCOMPARE(p.PaletteKind, 1);
        QCOMPARE(W->TypeOfPalette->currentIndex(), 0);
        QCOMPARE(int(W->State.SlideRandomOrder), 0);
        // The stored kind was 0, so the close sees a change.
        W->close();
        QCOMPARE(ReadBytes("settings.dat"), EncodeStoredSettings({5, 1, 40, 30, 77, 0, 0, 0, 0, 0, 1, 0}));
    }

    void settingsCloseLeavesSpecialFiles_data()
    {
        QTest::addColumn<TEntryKind>("kind");
        QTest::addColumn<bool>("linked");
        QTest::newRow("FIFO") << TEntryKind::Fifo << false;
        QTest::newRow("device node") << TEntryKind::Device << false;
        QTest::newRow("link to a device node") << TEntryKind::Device << true;
    }
    // A settings.dat that is no regular file stays as it is; the close says nothing.
    void settingsCloseLeavesSpecialFiles()
    {
        QFETCH(TEntryKind, kind);
        QFETCH(bool, linked);
        QVERIFY(Open());
        W->move(W->pos() + QPoint(7, -5));
        const QByteArray entry = QFile::encodeName(Dir->FilePath(linked ? "node" : "settings.dat"));
        if (!MakeEntry(entry, kind))
            QSKIP("no device node can be made here: that takes root");
        const QByteArray settings = QFile::encodeName(Dir->FilePath("settings.dat"));
        if (linked)
            QVERIFY(::symlink("node", settings.constData()) == 0);
        const TEntry before = EntryAt(entry), link = EntryAt(settings);
        TMessageRecorder recorder;
        W->close();
        QVERIFY(recorder.Messages.isEmpty());
        QCOMPARE(EntryAt(entry), before);
        QCOMPARE(EntryAt(settings), link);
        QCOMPARE(QDir(Dir->Path()).entryList(QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot),
                 linked ? QStringList({"node", "settings.dat"}) : QStringList{"settings.dat"});
    }

    void settingsPlaceOffEveryScreen()
    {
        QVERIFY(WriteBytes("settings.dat", EncodeStoredSettings({4, 0, 5000, 4000, 36, 16, 12, 26, 18, 8, 2, 0})));
        QVERIFY(Open());
        const QPoint centred = Centred();
        QCOMPARE(W->pos(), centred);
        QVERIFY(QGuiApplication::primaryScreen()->geometry().intersects(W->frameGeometry()));
        W->close();
        QCOMPARE(ReadBytes("settings.dat"), EncodeStoredSettings({4, 0, centred.x(), centred.y(), 36, 16, 12, 26, 18, 8, 2, 0}));
    }

    // ---- Render protocol ----

    void inputDroppedDuringPass_data()
    {
        QTest::addColumn<int>("which");
        QTest::addColumn<int>("passes");  // passes the accepted input wakes
        const char* names[] = {"TrackBarCx", "TrackBarCy", "TrackBarR0", "TrackBarB1", "LupaPlus", "LupaMinus",
                               "Home after zoom", "tool L", "tool K", "tool C", "tool H", "tool A",
                               "zoom tool press", "centring tool press", "hand press", "to/from press",
                               "coefficient press", "hand drag", "to/from drag", "coefficient drag",
                               "overview press", "overview drag", "formula after zoom", "key U"};
        const int passes[] = {1, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0, 1, 1, 0, 0, 0, 1, 1, 1, 1, 1, 1, 1};
        for (int i = 0; i < int(std::size(names)); ++i)
            QTest::newRow(names[i]) << i << passes[i];
    }
    void inputDroppedDuringPass()
    {
        QFETCH(int, which);
        QFETCH(int, passes);
        QVERIFY(Open());
        TMainFormForTests& w = *W;
        std::function<void()> prepare = [] {};
        std::function<void()> act;
        switch (which) {
        case 0: act = [&] { w.TrackBarCx->setValue(w.TrackBarCx->value() + 5); }; break;
        case 1: act = [&] { w.TrackBarCy->setValue(w.TrackBarCy->value() - 5); }; break;
        case 2: act = [&] { w.TrackBarR0->setValue(w.TrackBarR0->value() + 3); }; break;
        case 3: act = [&] { w.TrackBarB1->setValue(w.TrackBarB1->value() - 2); }; break;
        case 4: act = [&] { w.LupaPlusClick(); }; break;
        case 5: act = [&] { w.LupaMinusClick(); }; break;
        case 6:
            prepare = [&] { w.LupaPlusClick(); };
            act = [&] { w.DefaultPar->trigger(); };
            break;
        case 7: act = [&] { w.Zoom->trigger(); }; break;
        case 8:
            prepare = [&] { w.SetTool(TToolMode::Hand); };
            act = [&] { w.KoefScr->trigger(); };
            break;
        case 9: act = [&] { w.ToCur->trigger(); }; break;
        case 10: act = [&] { w.HandTool->trigger(); }; break;
        case 11: act = [&] { w.FromTo->trigger(); }; break;
        case 12:
            prepare = [&] { w.SetTool(TToolMode::Zoom); };
            act = [&] { MouseDown(365, 150); };
            break;
        case 13:
            prepare = [&] { w.SetTool(TToolMode::Center); };
            act = [&] { MouseDown(300, 100, Qt::RightButton); };
            break;
        case 14:
            prepare = [&] { w.SetTool(TToolMode::Hand); };
            act = [&] { MouseDown(10, 20); };
            break;
        case 15:
            prepare = [&] { w.SetTool(TToolMode::ToFrom); };
            act = [&] { MouseDown(11, 21); };
            break;
        case 16: act = [&] { MouseDown(30, 40); }; break;
        case 17:
            prepare = [&] {
                w.SetTool(TToolMode::Hand);
                MouseDown(100, 100);
            };
            act = [&] { MouseMove(w.DragAnchor.x() + 30, 90); };
            break;
        case 18:
            prepare = [&] {
                w.SetTool(TToolMode::ToFrom);
                MouseDown(100, 100);
            };
            act = [&] { MouseMove(100, w.DragAnchor.y() + 40); };
            break;
        case 19:
            // Horizontal only: the Cy bar keeps its position.
            prepare = [&] { MouseDown(265, 204); };
            act = [&] { MouseMove(w.TrackBarCx->value() == 402 ? 300 : 320, 204); };
            break;
        case 20: act = [&] { OverviewDown(50, 20); }; break;
        case 21: act = [&] { OverviewMove(60, 10, Qt::LeftButton); }; break;
        case 22:
            prepare = [&] { w.LupaPlusClick(); };
            act = [&] { w.FractalN1Execute(); };
            break;
        case 23:
            // A level moved behind the handler's back, which U reads.
            prepare = [&] {
                QSignalBlocker block(w.TrackBarG0);
                w.TrackBarG0->setValue(44);
            };
            act = [&] { Key(Qt::Key_U); };
            break;
        }
        prepare();
        const TSnapshot before = Snap(w);
        const int cxBar = w.TrackBarCx->value(), r0Bar = w.TrackBarR0->value();

        QVERIFY(Hold());
        act();
        QVERIFY(Snap(w) == before);
        if (which == 0)
            QCOMPARE(w.TrackBarCx->value(), cxBar + 5);  // the bar itself moves
        if (which == 2)
            QCOMPARE(w.TrackBarR0->value(), r0Bar + 3);
        const int held = Gate.Passes.load();
        QVERIFY(Unhold());
        ExpectPasses(held);
        QVERIFY(Snap(w) == before);

        act();
        QVERIFY(!(Snap(w) == before));
        QVERIFY(Settled(held + passes));
        ExpectPasses(held + passes);
    }

    // ---- C controls ----

    void coefficientEditTexts()
    {
        QVERIFY(Open());
        QCOMPARE(W->E_cx->text(), QString("0.402"));
        QCOMPARE(W->E_cy->text(), QString("0.339"));
        const std::pair<int, const char*> cases[] = {{1, "0.001"}, {-1500, "-1.5"}, {2000, "2"}, {-2000, "-2"},
                                                     {0, "0"},     {1999, "1.999"}, {-7, "-0.007"}, {402, "0.402"}};
        int passes = Gate.Passes.load();
        for (const auto& [position, text] : cases) {
            W->TrackBarCx->setValue(position);
            QCOMPARE(W->State.FractalParams.Cx, position * 0.001);
            QCOMPARE(W->E_cx->text(), QString(text));
            QVERIFY(Settled(++passes));
            W->TrackBarCy->setValue(position);
            QCOMPARE(W->State.FractalParams.Cy, position * 0.001);
            QCOMPARE(W->E_cy->text(), QString(text));
            QVERIFY(Settled(++passes));
        }
    }

    void coefficientStepButtonsAtEnds()
    {
        QVERIFY(Open());
        int passes = Gate.Passes.load();
        W->PlusCxClick();
        QCOMPARE(W->TrackBarCx->value(), 403);
        QCOMPARE(W->E_cx->text(), QString("0.403"));
        QVERIFY(Settled(++passes));
        W->MinusCyClick();
        QCOMPARE(W->TrackBarCy->value(), 338);
        QCOMPARE(W->E_cy->text(), QString("0.338"));
        QVERIFY(Settled(++passes));

        W->TrackBarCx->setValue(2000);
        QVERIFY(Settled(++passes));
        W->TrackBarCy->setValue(-2000);
        QVERIFY(Settled(++passes));
        QSignalSpy cxMoves(W->TrackBarCx, &QSlider::valueChanged);
        QSignalSpy cyMoves(W->TrackBarCy, &QSlider::valueChanged);
        W->PlusCxClick();
        W->MinusCyClick();
        QCOMPARE(W->TrackBarCx->value(), 2000);
        QCOMPARE(W->TrackBarCy->value(), -2000);
        QCOMPARE(cxMoves.count(), 0);
        QCOMPARE(cyMoves.count(), 0);
        QCOMPARE(W->State.FractalParams.Cx, 2.0);
        QCOMPARE(W->State.FractalParams.Cy, -2.0);
        QCOMPARE(W->E_cx->text(), QString("2"));
        QCOMPARE(W->E_cy->text(), QString("-2"));
        ExpectPasses(passes);

        W->TrackBarCx->setValue(-2000);
        QVERIFY(Settled(++passes));
        cxMoves.clear();
        W->MinusCxClick();
        QCOMPARE(W->TrackBarCx->value(), -2000);
        QCOMPARE(cxMoves.count(), 0);
        ExpectPasses(passes);
    }

    void animationSpeedAndReverse()
    {
        QVERIFY(Open());
        Press(&TMainFormForTests::UpCxClick);
        Press(&TMainFormForTests::UpCxClick);
        Press(&TMainFormForTests::UpCxClick);
        QVERIFY(W->Animation.Cx.UpRunning);
        QCOMPARE(W->Animation.Cx.UpSpeed, 3);
        QVERIFY(AnimStepSettled());
        QCOMPARE(W->TrackBarCx->value(), 405);
        QCOMPARE(W->State.FractalParams.Cx, 405 * 0.001);
        QCOMPARE(W->E_cx->text(), QString("0.405"));
        QVERIFY(AnimStepSettled());
        QCOMPARE(W->TrackBarCx->value(), 408);

        Press(&TMainFormForTests::DownCxClick);
        QVERIFY(!W->Animation.Cx.UpRunning);
        QVERIFY(W->Animation.Cx.DownRunning);
        QCOMPARE(W->Animation.Cx.UpSpeed, 1);
        QCOMPARE(W->Animation.Cx.DownSpeed, 1);
        QVERIFY(AnimStepSettled());
        QCOMPARE(W->TrackBarCx->value(), 407);
        QCOMPARE(W->E_cx->text(), QString("0.407"));
        Press(&TMainFormForTests::DownCxClick);
        QCOMPARE(W->Animation.Cx.DownSpeed, 2);
        QVERIFY(AnimStepSettled());
        QCOMPARE(W->TrackBarCx->value(), 405);
        QCOMPARE(W->TrackBarCy->value(), 339);
    }

    void animationBounce()
    {
        QVERIFY(Open());
        int passes = Gate.Passes.load();
        W->TrackBarCx->setValue(2000);
        QVERIFY(Settled(++passes));
        // Up at the top end turns at once into stepping down at speed 1.
        Press(&TMainFormForTests::UpCxClick);
        AnimStep();
        QCOMPARE(W->TrackBarCx->value(), 2000);
        QVERIFY(!W->Animation.Cx.UpRunning);
        QVERIFY(W->Animation.Cx.DownRunning);
        QCOMPARE(W->Animation.Cx.DownSpeed, 1);
        QVERIFY(AnimStepSettled());
        QCOMPARE(W->TrackBarCx->value(), 1999);

        // The bounce keeps the speed it arrived with, at both ends.
        passes = Gate.Passes.load();
        W->TrackBarCx->setValue(1995);
        QVERIFY(Settled(++passes));
        Press(&TMainFormForTests::UpCxClick);
        Press(&TMainFormForTests::UpCxClick);
        Press(&TMainFormForTests::UpCxClick);
        QCOMPARE(W->Animation.Cx.UpSpeed, 3);
        QVERIFY(AnimStepSettled());
        QCOMPARE(W->TrackBarCx->value(), 1998);
        QVERIFY(AnimStepSettled());
        QCOMPARE(W->TrackBarCx->value(), 2000);
        QCOMPARE(W->E_cx->text(), QString("2"));
        AnimStep();
        QVERIFY(W->Animation.Cx.DownRunning);
        QCOMPARE(W->Animation.Cx.DownSpeed, 3);
        QCOMPARE(W->Animation.Cx.UpSpeed, 1);
        QVERIFY(AnimStepSettled());
        QCOMPARE(W->TrackBarCx->value(), 1997);

        passes = Gate.Passes.load();
        W->TrackBarCx->setValue(-1998);
        QVERIFY(Settled(++passes));
        QVERIFY(AnimStepSettled());
        QCOMPARE(W->TrackBarCx->value(), -2000);
        AnimStep();
        QVERIFY(W->Animation.Cx.UpRunning);
        QVERIFY(!W->Animation.Cx.DownRunning);
        QCOMPARE(W->Animation.Cx.UpSpeed, 3);
        QCOMPARE(W->Animation.Cx.DownSpeed, 1);
        QVERIFY(AnimStepSettled());
        QCOMPARE(W->TrackBarCx->value(), -1997);
    }

    void animationOtherComponentAndStop()
    {
        QVERIFY(Open());
        Press(&TMainFormForTests::UpCxClick);
        Press(&TMainFormForTests::UpCxClick);
        QVERIFY(AnimStepSettled());
        QCOMPARE(W->TrackBarCx->value(), 404);

        Press(&TMainFormForTests::UpCyClick);
        QVERIFY(W->Animation.Cx.StopRequest);
        QVERIFY(!W->Animation.Cx.UpRunning);
        QVERIFY(!W->Animation.Cx.DownRunning);
        QCOMPARE(W->Animation.Cx.UpSpeed, 1);
        QVERIFY(W->Animation.Cy.UpRunning);
        QVERIFY(!W->Animation.Cy.StopRequest);
        QVERIFY(AnimStepSettled());
        QCOMPARE(W->TrackBarCy->value(), 340);
        QCOMPARE(W->TrackBarCx->value(), 404);
        QCOMPARE(W->E_cy->text(), QString("0.34"));

        // Either stop button stops both and focuses its own bar.
        Press(&TMainFormForTests::UpCyClick);
        QCOMPARE(W->Animation.Cy.UpSpeed, 2);
        W->TrackBarR0->setFocus();
        W->StopCxClick();
        QVERIFY(W->Animation.Cx.StopRequest);
        QVERIFY(W->Animation.Cy.StopRequest);
        QCOMPARE(W->focusWidget(), static_cast<QWidget*>(W->TrackBarCx));
        const int passes = Gate.Passes.load();
        AnimStep();
        QVERIFY(!W->Animation.Cy.UpRunning);
        QCOMPARE(W->Animation.Cy.UpSpeed, 1);
        QCOMPARE(W->TrackBarCy->value(), 340);
        AnimStep();
        QCOMPARE(W->TrackBarCy->value(), 340);
        QCOMPARE(W->TrackBarCx->value(), 404);
        ExpectPasses(passes);

        W->StopCyClick();
        QCOMPARE(W->focusWidget(), static_cast<QWidget*>(W->TrackBarCy));
        // The request stays until the next press of that component.
        QVERIFY(W->Animation.Cy.StopRequest);
        Press(&TMainFormForTests::DownCyClick);
        QVERIFY(!W->Animation.Cy.StopRequest);
        QVERIFY(W->Animation.Cy.DownRunning);
        QVERIFY(AnimStepSettled());
        QCOMPARE(W->TrackBarCy->value(), 339);
    }

    void animationDuringPassLeavesCBehind()
    {
        QVERIFY(Open());
        QVERIFY(Hold());
        Press(&TMainFormForTests::UpCxClick);
        AnimStep();
        AnimStep();
        QCOMPARE(W->TrackBarCx->value(), 404);
        QCOMPARE(W->State.FractalParams.Cx, 402 * 0.001);
        QCOMPARE(W->E_cx->text(), QString("0.402"));
        const int held = Gate.Passes.load();
        QVERIFY(Unhold());
        W->StopCxClick();
        AnimStep();
        QVERIFY(!W->Animation.Cx.UpRunning);
        QCOMPARE(W->TrackBarCx->value(), 404);
        QCOMPARE(W->State.FractalParams.Cx, 402 * 0.001);
        QCOMPARE(W->E_cx->text(), QString("0.402"));
        ExpectPasses(held);
        // The next change of the bar catches up.
        W->PlusCxClick();
        QCOMPARE(W->State.FractalParams.Cx, 405 * 0.001);
        QCOMPARE(W->E_cx->text(), QString("0.405"));
        QVERIFY(Settled(held + 1));
    }

    // ---- Navigation ----

    void zoomToolPress_data()
    {
        QTest::addColumn<int>("button");
        QTest::addColumn<int>("zoom");  // -1 in, +1 out, 0 none
        QTest::newRow("left zooms in") << int(Qt::LeftButton) << -1;
        QTest::newRow("right zooms out") << int(Qt::RightButton) << 1;
        QTest::newRow("middle only centres") << int(Qt::MiddleButton) << 0;
    }
    void zoomToolPress()
    {
        QFETCH(int, button);
        QFETCH(int, zoom);
        QVERIFY(Open());
        W->Zoom->trigger();
        QCOMPARE(W->State.ToolMode, TToolMode::Zoom);
        const float step = W->State.PicStep;
        QCOMPARE(step, Step(5.0f));
        const int passes = Gate.Passes.load();
        MouseDown(365, 150, static_cast<Qt::MouseButton>(button));
        const TFractalParams& p = W->State.FractalParams;
        QCOMPARE(p.CenterX, Shift(0.0f, 100, step));
        QCOMPARE(p.CenterY, Shift(0.0f, 54, step));
        const float width = zoom < 0 ? ZoomedIn(5.0f) : zoom > 0 ? ZoomedOut(5.0f) : 5.0f;
        QCOMPARE(p.ViewWidth, width);
        QCOMPARE(W->State.PicStep, Step(width));
        QVERIFY(W->State.FrameIsRectangle);
        QVERIFY(!(W->State.OverviewFrame == TOverviewFrame{}));
        QVERIFY(Settled(passes + 1));
        ExpectPasses(passes + 1);

        // A second press re-centres with the new step.
        MouseDown(165, 304, static_cast<Qt::MouseButton>(button));
        QCOMPARE(p.CenterX, Shift(Shift(0.0f, 100, step), -100, Step(width)));
        QCOMPARE(p.CenterY, Shift(Shift(0.0f, 54, step), -100, Step(width)));
        QVERIFY(Settled(passes + 2));
    }

    void centringToolAndFrame()
    {
        QVERIFY(Open());
        W->ToCur->trigger();
        const float step = W->State.PicStep;
        const int passes = Gate.Passes.load();
        MouseDown(365, 150, Qt::RightButton);
        const float cx = Shift(0.0f, 100, step), cy = Shift(0.0f, 54, step);
        QCOMPARE(W->State.FractalParams.CenterX, cx);
        QCOMPARE(W->State.FractalParams.CenterY, cy);
        QCOMPARE(W->State.FractalParams.ViewWidth, 5.0f);
        // The frame: inverse of the overview walk, left and lower edges plus one.
        const double hw = 265 * double(step), hh = 204 * double(step), s = W->State.OverviewStep;
        const TOverviewFrame frame{int((cx - hw) / s + 41), int(32 - (cy - hh) / s + 1), int((cx + hw) / s + 40),
                                   int(32 - (cy + hh) / s)};
        QCOMPARE(W->State.OverviewFrame.X1, frame.X1);
        QCOMPARE(W->State.OverviewFrame.Y1, frame.Y1);
        QCOMPARE(W->State.OverviewFrame.X2, frame.X2);
        QCOMPARE(W->State.OverviewFrame.Y2, frame.Y2);
        QCOMPARE(frame.X1, 15);
        QCOMPARE(frame.Y2, -7);
        QVERIFY(Settled(passes + 1));
    }

    void zoomInThenOut()
    {
        QVERIFY(Open());
        QCOMPARE(W->ZoomInFactor, 0.3f);
        QCOMPARE(W->ZoomOutFactor, 0.3f);
        int passes = Gate.Passes.load();
        W->LupaPlusClick();
        const float in = ZoomedIn(5.0f);
        QCOMPARE(W->State.FractalParams.ViewWidth, in);
        QVERIFY(Settled(++passes));
        W->LupaMinusClick();
        const float back = ZoomedOut(in);
        QCOMPARE(W->State.FractalParams.ViewWidth, back);
        QVERIFY(qAbs(back - 5.0f * 0.91f) < 1e-6f);
        QCOMPARE(W->State.PicStep, Step(back));
        QCOMPARE(W->State.FractalParams.CenterX, 0.0f);
        QVERIFY(Settled(++passes));
    }

    void handDragAcrossHeldPass()
    {
        QVERIFY(Open());
        W->HandTool->trigger();
        QCOMPARE(W->State.ToolMode, TToolMode::Hand);
        const float step = W->State.PicStep;
        MouseDown(100, 100);
        QCOMPARE(W->DragAnchor, QPoint(100, 100));
        ExpectPasses(1);

        QVERIFY(Hold());
        MouseMove(110, 105);
        MouseMove(120, 110);
        QCOMPARE(W->DragAnchor, QPoint(100, 100));
        QCOMPARE(W->State.FractalParams.CenterX, 0.0f);
        // The read-out follows the pointer also during a pass.
        QCOMPARE(W->StatusPanel0->text(), TMainFormForTests::ReadOut(-145 * (long double)step, 94 * (long double)step));
        QCOMPARE(W->StatusPanel0->text(), QString(" ( X,Y ) =   -1.37   0.887"));
        const int held = Gate.Passes.load();
        QVERIFY(Unhold());

        MouseMove(130, 90);
        QCOMPARE(W->State.FractalParams.CenterX, Shift(0.0f, -30, step));
        QCOMPARE(W->State.FractalParams.CenterY, Shift(0.0f, -10, step));
        QCOMPARE(W->DragAnchor, QPoint(130, 90));
        QVERIFY(Settled(held + 1));
        ExpectPasses(held + 1);

        // Moves without the left or right button held do not drag.
        MouseMove(160, 95, Qt::NoButton);
        MouseMove(160, 95, Qt::MiddleButton);
        QCOMPARE(W->DragAnchor, QPoint(130, 90));
        // The right button drags too.
        MouseMove(140, 100, Qt::RightButton);
        QCOMPARE(W->State.FractalParams.CenterX, Shift(Shift(0.0f, -30, step), -10, step));
        QCOMPARE(W->State.FractalParams.CenterY, Shift(Shift(0.0f, -10, step), 10, step));
        QVERIFY(Settled(held + 2));
    }

    void toFromDrag()
    {
        QVERIFY(Open());
        QCOMPARE(W->ToFromScaleY, 0.00073349639f);
        QCOMPARE(W->ToFromScaleX, 0.0018867925f);
        QCOMPARE(W->ToFromScaleY, static_cast<float>(0.3f * (1.0L / 409)));
        W->FromTo->trigger();
        MouseDown(200, 200);
        const long double sy = W->ToFromScaleY, sx = W->ToFromScaleX;
        // Down and left zooms in.
        MouseMove(190, 230);
        const float w1 = static_cast<float>(5.0L - 5.0L * (30 * sy - (-10) * sx));
        QCOMPARE(W->State.FractalParams.ViewWidth, w1);
        QVERIFY(w1 < 5.0f);
        QCOMPARE(W->State.PicStep, Step(w1));
        QCOMPARE(W->DragAnchor, QPoint(190, 230));
        QCOMPARE(W->State.FractalParams.CenterX, 0.0f);
        QVERIFY(Settled(2));
        // Right zooms out.
        MouseMove(250, 230);
        const float w2 = static_cast<float>(w1 - static_cast<long double>(w1) * (0 * sy - 60 * sx));
        QCOMPARE(W->State.FractalParams.ViewWidth, w2);
        QVERIFY(w2 > w1);
        QVERIFY(Settled(3));
    }

    void coefficientDrag()
    {
        QVERIFY(Open());
        QCOMPARE(W->State.ToolMode, TToolMode::Koef);
        MouseDown(265, 204);
        QCOMPARE(W->KoefAnchor, QPoint(265, 204));
        QCOMPARE(W->KoefStartPosition, QPoint(402, 339));
        QCOMPARE(W->State.KoefScaleX, static_cast<float>(4000.0L / 530));
        QCOMPARE(W->State.KoefScaleY, static_cast<float>(4000.0L / 409));
        ExpectPasses(1);

        // Right raises Re(C), up raises Im(C).
        MouseMove(275, 197);
        QCOMPARE(W->TrackBarCx->value(), int(10.0L * W->State.KoefScaleX + 402));
        QCOMPARE(W->TrackBarCx->value(), 477);
        QCOMPARE(W->TrackBarCy->value(), int(7.0L * W->State.KoefScaleY + 339));
        QCOMPARE(W->TrackBarCy->value(), 407);
        QCOMPARE(W->State.FractalParams.Cx, 477 * 0.001);
        QVERIFY(Quiesce());

        // Far beyond the picture the bars stop at their ends.
        MouseMove(265 + 400, 204 - 400);
        QCOMPARE(W->TrackBarCx->value(), 2000);
        QCOMPARE(W->TrackBarCy->value(), 2000);
        QCOMPARE(W->State.FractalParams.Cx, 2.0);
        QCOMPARE(W->E_cx->text(), QString("2"));
        QVERIFY(Quiesce());
        MouseMove(-300, 800);
        QCOMPARE(W->TrackBarCx->value(), -2000);
        QCOMPARE(W->TrackBarCy->value(), -2000);
        QCOMPARE(W->State.FractalParams.Cx, -2.0);
        QCOMPARE(W->E_cx->text(), QString("-2"));
        QVERIFY(Quiesce());

        // The scales follow the zoom at the next press.
        W->LupaPlusClick();
        QVERIFY(Quiesce());
        MouseDown(265, 204);
        QCOMPARE(W->KoefStartPosition, QPoint(-2000, -2000));
        QCOMPARE(W->State.KoefScaleX, static_cast<float>(4000.0L * W->State.PicStep / (W->State.DefaultStep * 530.0L)));
        QVERIFY(W->State.KoefScaleX < 7.0f);
    }

    void overviewPress()
    {
        QVERIFY(Open());
        W->ToCur->trigger();
        MouseDown(400, 300);
        QVERIFY(W->State.FractalParams.CenterX != 0.0f);
        QVERIFY(Settled(2));
        W->LupaPlusClick();
        const float width = W->State.FractalParams.ViewWidth;
        QVERIFY(Settled(3));

        OverviewDown(40, 32);
        QCOMPARE(W->State.FractalParams.CenterX, 0.0f);
        QCOMPARE(W->State.FractalParams.CenterY, 0.0f);
        QCOMPARE(W->State.FractalParams.ViewWidth, width);
        QVERIFY(Settled(4));
        OverviewDown(50, 20);
        const float s = W->State.OverviewStep;
        QCOMPARE(s, static_cast<float>(5.0L / 81));
        QCOMPARE(W->State.FractalParams.CenterX, static_cast<float>(10.0L * s));
        QCOMPARE(W->State.FractalParams.CenterY, static_cast<float>(12.0L * s));
        QVERIFY(Settled(5));
        // A drag off the overview keeps centring on the matching plane point.
        OverviewMove(-40, 100, Qt::LeftButton);
        QCOMPARE(W->State.FractalParams.CenterX, static_cast<float>(-80.0L * s));
        QCOMPARE(W->State.FractalParams.CenterY, static_cast<float>(-68.0L * s));
        QVERIFY(Settled(6));
        OverviewMove(45, 30, Qt::NoButton);
        QCOMPARE(W->State.FractalParams.CenterX, static_cast<float>(-80.0L * s));
        ExpectPasses(6);
    }

    void defaultViewAndFormula()
    {
        QVERIFY(Open());
        QCOMPARE(W->State.OverviewFrame, (TOverviewFrame{-1, -1, 82, 66}));
        int passes = Gate.Passes.load();
        W->TrackBarCx->setValue(100);
        QVERIFY(Settled(++passes));
        W->TrackBarR0->setValue(40);
        QVERIFY(Settled(++passes));
        W->LupaPlusClick();
        QVERIFY(Settled(++passes));
        W->ToCur->trigger();
        MouseDown(300, 250);
        QVERIFY(Settled(++passes));
        QVERIFY(!(W->State.OverviewFrame == (TOverviewFrame{-1, -1, 82, 66})));

        W->DefaultPar->trigger();
        const TFractalParams& p = W->State.FractalParams;
        QCOMPARE(p.ViewWidth, 5.0f);
        QCOMPARE(p.CenterX, 0.0f);
        QCOMPARE(p.CenterY, 0.0f);
        QCOMPARE(W->State.PicStep, W->State.DefaultStep);
        QCOMPARE(W->State.PicStep, Step(5.0f));
        QVERIFY(W->State.FrameIsRectangle);
        QCOMPARE(W->State.OverviewFrame, (TOverviewFrame{-1, -1, 82, 66}));
        QCOMPARE(p.Cx, 100 * 0.001);
        QCOMPARE(p.R0, 40);
        QVERIFY(Settled(++passes));

        // The next navigation draws the frame again: the default view's own.
        W->LupaPlusClick();
        QVERIFY(Settled(++passes));
        W->LupaMinusClick();
        QVERIFY(Settled(++passes));
        W->DefaultPar->trigger();
        QVERIFY(Settled(++passes));
        OverviewDown(40, 32);
        QCOMPARE(W->State.OverviewFrame, (TOverviewFrame{0, 64, 80, 0}));
        QVERIFY(Settled(++passes));

        // The formula command restores the view but leaves the frame.
        W->LupaPlusClick();
        QVERIFY(Settled(++passes));
        const TOverviewFrame zoomed = W->State.OverviewFrame;
        W->FractalN1Execute();
        QCOMPARE(p.ViewWidth, 5.0f);
        QCOMPARE(W->State.PicStep, W->State.DefaultStep);
        QCOMPARE(W->State.OverviewFrame, zoomed);
        QVERIFY(W->FractalN1->isChecked());
        QVERIFY(Settled(++passes));
    }

    void frameTurnsIntoMarker()
    {
        QVERIFY(Open());
        int passes = Gate.Passes.load();
        int firstMarker = 0;
        float width = 5.0f;
        for (int click = 1; click <= 10; ++click) {
            W->LupaPlusClick();
            width = ZoomedIn(width);
            QCOMPARE(W->State.FractalParams.ViewWidth, width);
            QCOMPARE(W->State.FrameIsRectangle, W->State.PicStep > 0.0004f);
            if (!W->State.FrameIsRectangle && !firstMarker)
                firstMarker = click;
            QVERIFY(Settled(++passes));
        }
        QCOMPARE(firstMarker, 9);
        QCOMPARE(W->State.OverviewMarker, (TOverviewMarker{40, 32}));
        W->LupaMinusClick();
        QVERIFY(Settled(++passes));
        QVERIFY(!W->State.FrameIsRectangle);
        W->LupaMinusClick();
        QVERIFY(W->State.PicStep > 0.0004f);
        QVERIFY(W->State.FrameIsRectangle);
        QVERIFY(Settled(++passes));
    }

    void disarmedPressOnlyRearms()
    {
        QVERIFY(Open());
        W->Zoom->trigger();
        W->State.PicMouseArmed = false;
        const TSnapshot before = Snap(*W);
        // During a pass not even the arming changes.
        QVERIFY(Hold());
        MouseDown(365, 150);
        QVERIFY(!W->State.PicMouseArmed);
        const int held = Gate.Passes.load();
        QVERIFY(Unhold());

        MouseDown(365, 150);
        QVERIFY(W->State.PicMouseArmed);
        TSnapshot now = Snap(*W);
        now.Armed = false;
        QVERIFY(now == before);
        ExpectPasses(held);
        MouseDown(365, 150);
        QCOMPARE(W->State.FractalParams.ViewWidth, ZoomedIn(5.0f));
        QVERIFY(Settled(held + 1));

        // A move re-arms without dragging.
        W->HandTool->trigger();
        MouseDown(100, 100);
        W->State.PicMouseArmed = false;
        const float cx = W->State.FractalParams.CenterX;
        MouseMove(150, 100);
        QVERIFY(W->State.PicMouseArmed);
        QCOMPARE(W->State.FractalParams.CenterX, cx);
        QCOMPARE(W->DragAnchor, QPoint(100, 100));

        // The overview: a press re-arms, a move does not.
        W->State.PicMouseArmed = false;
        OverviewMove(50, 20, Qt::LeftButton);
        QVERIFY(!W->State.PicMouseArmed);
        QCOMPARE(W->State.FractalParams.CenterX, cx);
        OverviewDown(50, 20);
        QVERIFY(W->State.PicMouseArmed);
        QCOMPARE(W->State.FractalParams.CenterX, cx);
        ExpectPasses(held + 1);
    }

    void readOutText()
    {
        QVERIFY(Open());
        QCOMPARE(W->StatusPanel0->text(), QString(" ( X,Y ) =   "));
        MouseMove(365, 150, Qt::NoButton);
        QCOMPARE(W->StatusPanel0->text(), QString(" ( X,Y ) =   0.943   0.509"));
        MouseMove(0, 408, Qt::NoButton);
        QCOMPARE(W->StatusPanel0->text(), QString(" ( X,Y ) =   -2.5   -1.92"));
        MouseMove(265, 204, Qt::NoButton);
        QCOMPARE(W->StatusPanel0->text(), QString(" ( X,Y ) =   0   0"));
        OverviewMove(80, 0);
        QCOMPARE(W->StatusPanel0->text(), QString(" ( X,Y ) =   2.47   1.98"));
        OverviewMove(40, 64);
        QCOMPARE(W->StatusPanel0->text(), QString(" ( X,Y ) =   0   -1.98"));
        QCOMPARE(TMainFormForTests::ReadOut(-0.0000123L, 1234.0L), QString(" ( X,Y ) =   -1.23E-5   1.23E3"));
    }

    void numberFormat_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("coordinate");
        QTest::addColumn<QString>("coefficient");
        QTest::newRow("1.5") << 1.5 << "1.5" << "1.5";
        QTest::newRow("0.123") << 0.123 << "0.123" << "0.123";
        QTest::newRow("0.0001") << 0.0001 << "0.0001" << "0.0001";
        QTest::newRow("-2") << -2.0 << "-2" << "-2";
        QTest::newRow("1.23E-5") << 1.23e-5 << "1.23E-5" << "1.23E-5";
        QTest::newRow("1E3") << 1000.0 << "1E3" << "1000";
        QTest::newRow("0") << 0.0 << "0" << "0";
        QTest::newRow("rounds up to 1E3") << 999.6 << "1E3" << "999.6";
        QTest::newRow("rounds up to 0.001") << 0.00099996 << "0.001" << "0.00099996";
        QTest::newRow("three digits") << -0.000123456 << "-0.000123" << "-0.000123456";
        QTest::newRow("123.456") << 123.456 << "123" << "123.456";
        QTest::newRow("1234") << 1234.0 << "1.23E3" << "1234";
        QTest::newRow("0.1 + 0.2") << 0.1 + 0.2 << "0.3" << "0.3";
        QTest::newRow("1999 steps") << 1999 * 0.001 << "2" << "1.999";
        QTest::newRow("tiny negative") << -1e-20 << "-1E-20" << "-1E-20";
    }
    void numberFormat()
    {
        QFETCH(double, value);
        QFETCH(QString, coordinate);
        QFETCH(QString, coefficient);
        QCOMPARE(FormatCoordinate(value), coordinate);
        QCOMPARE(FormatCoefficient(value), coefficient);
        // The locale's decimal separator.
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        QCOMPARE(FormatCoordinate(value), QString(coordinate).replace('.', ','));
        QCOMPARE(FormatCoefficient(value), QString(coefficient).replace('.', ','));
        QLocale::setDefault(QLocale::c());
    }

    // ---- Palette ----

    void paletteOnDemand()
    {
        QVERIFY(Open());
        QVERIFY(W->IsChPalette->isChecked());
        QVERIFY(!W->ChPalette->isEnabled());
        const std::vector<TColourEntry> start = TableOf(*W);
        QVERIFY(start == ReferenceTable(1, 36, 16, 12, 26, 18, 8));
        const int passes = Gate.Passes.load();
        W->IsChPalette->click();
        QVERIFY(!W->IsChPalette->isChecked());
        QVERIFY(!W->State.ApplyPaletteAtOnce);
        QVERIFY(W->ChPalette->isEnabled());

        W->TrackBarR0->setValue(50);
        W->TrackBarB1->setValue(3);
        QCOMPARE(W->State.FractalParams.R0, 36);
        QCOMPARE(W->State.FractalParams.B1, 8);
        W->TypeOfPalette->setCurrentIndex(7);
        QCOMPARE(W->State.FractalParams.PaletteKind, 8);
        QVERIFY(TableOf(*W) == start);
        ExpectPasses(passes);

        // A click during a pass toggles only the box.
        QVERIFY(Hold());
        W->IsChPalette->click();
        QVERIFY(W->IsChPalette->isChecked());
        QVERIFY(!W->State.ApplyPaletteAtOnce);
        QVERIFY(W->ChPalette->isEnabled());
        W->ChPaletteClick();
        QCOMPARE(W->State.FractalParams.R0, 36);
        QVERIFY(TableOf(*W) == start);
        const int held = Gate.Passes.load();
        QVERIFY(Unhold());
        W->IsChPalette->click();
        QVERIFY(!W->IsChPalette->isChecked());
        QVERIFY(!W->State.ApplyPaletteAtOnce);
        ExpectPasses(held);

        W->ChPaletteClick();
        const TFractalParams& p = W->State.FractalParams;
        QCOMPARE((std::vector<int>{p.R0, p.G0, p.B0, p.R1, p.G1, p.B1, p.PaletteKind}),
                 (std::vector<int>{50, 16, 12, 26, 18, 3, 8}));
        QVERIFY(TableOf(*W) == ReferenceTable(8, 50, 16, 12, 26, 18, 3));
        QVERIFY(Settled(held + 1));
        ExpectPasses(held + 1);
    }

    void paletteRecheckApplies()
    {
        QVERIFY(Open());
        W->IsChPalette->click();
        W->TrackBarG1->setValue(3);
        W->TrackBarB0->setValue(90);
        QCOMPARE(W->State.FractalParams.G1, 18);
        const int passes = Gate.Passes.load();
        W->IsChPalette->click();
        QVERIFY(W->State.ApplyPaletteAtOnce);
        QVERIFY(!W->ChPalette->isEnabled());
        QCOMPARE(W->State.FractalParams.G1, 3);
        QCOMPARE(W->State.FractalParams.B0, 90);
        QVERIFY(TableOf(*W) == ReferenceTable(1, 36, 16, 90, 26, 3, 8));
        QVERIFY(Settled(passes + 1));
        ExpectPasses(passes + 1);
        // Back in apply-at-once mode every step applies.
        W->TrackBarR1->setValue(11);
        QCOMPARE(W->State.FractalParams.R1, 11);
        QVERIFY(TableOf(*W) == ReferenceTable(1, 36, 16, 90, 11, 3, 8));
        QVERIFY(Settled(passes + 2));
    }

    void paletteKeyUApplies()
    {
        QVERIFY(Open());
        // A bar moved during a pass leaves its level behind.
        QVERIFY(Hold());
        W->TrackBarB0->setValue(70);
        QCOMPARE(W->State.FractalParams.B0, 12);
        Key(Qt::Key_U);
        QCOMPARE(W->State.FractalParams.B0, 12);
        const int held = Gate.Passes.load();
        QVERIFY(Unhold());
        QVERIFY(TableOf(*W) == ReferenceTable(1, 36, 16, 12, 26, 18, 8));

        QVERIFY(!W->ChPalette->isEnabled());
        Key(Qt::Key_U);
        QCOMPARE(W->State.FractalParams.B0, 70);
        QVERIFY(TableOf(*W) == ReferenceTable(1, 36, 16, 70, 26, 18, 8));
        QVERIFY(Settled(held + 1));
        ExpectPasses(held + 1);
    }

    void paletteKindItems()
    {
        QVERIFY(Open());
        const QStringList names{"LLL", "SSS", "LSS", "SLL", "SLS", "LSL", "SSL", "LLS"};
        QCOMPARE(W->TypeOfPalette->count(), 8);
        for (int i = 0; i < 8; ++i)
            QCOMPARE(W->TypeOfPalette->itemText(i), names[i]);
        int passes = Gate.Passes.load();
        W->TypeOfPalette->setCurrentIndex(2);
        QCOMPARE(W->State.FractalParams.PaletteKind, 3);
        QVERIFY(TableOf(*W) == ReferenceTable(3, 36, 16, 12, 26, 18, 8));
        QVERIFY(Settled(++passes));

        W->IsChPalette->click();
        for (int i : {7, 0, 4, 1, 6, 3, 5}) {
            W->TypeOfPalette->setCurrentIndex(i);
            QCOMPARE(W->State.FractalParams.PaletteKind, i + 1);
        }
        QVERIFY(TableOf(*W) == ReferenceTable(3, 36, 16, 12, 26, 18, 8));
        ExpectPasses(passes);
    }

    void paletteKindDuringPass()
    {
        QVERIFY(Open());
        const std::vector<TColourEntry> start = TableOf(*W);
        QVERIFY(Hold());
        W->TypeOfPalette->setCurrentIndex(1);
        // The kind is stored at once; the table the pass reads stays.
        QCOMPARE(W->State.FractalParams.PaletteKind, 2);
        QVERIFY(TableOf(*W) == start);
        QVERIFY(Unhold());
        QVERIFY(Quiesce());
        Key(Qt::Key_U);
        QVERIFY(TableOf(*W) == ReferenceTable(2, 36, 16, 12, 26, 18, 8));
        QVERIFY(Quiesce());
    }

    // ---- Keys ----

    void zoomKeys_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<int>("zoom");
        QTest::newRow("plus") << int(Qt::Key_Plus) << int(Qt::NoModifier) << -1;
        QTest::newRow("shift plus") << int(Qt::Key_Plus) << int(Qt::ShiftModifier) << -1;
        QTest::newRow("equals") << int(Qt::Key_Equal) << int(Qt::NoModifier) << -1;
        QTest::newRow("keypad plus") << int(Qt::Key_Plus) << int(Qt::KeypadModifier) << -1;
        QTest::newRow("ctrl equals") << int(Qt::Key_Equal) << int(Qt::ControlModifier) << -1;
        QTest::newRow("minus") << int(Qt::Key_Minus) << int(Qt::NoModifier) << 1;
        QTest::newRow("shift minus") << int(Qt::Key_Underscore) << int(Qt::ShiftModifier) << 1;
        QTest::newRow("keypad minus") << int(Qt::Key_Minus) << int(Qt::KeypadModifier) << 1;
        QTest::newRow("other key") << int(Qt::Key_A) << int(Qt::NoModifier) << 0;
    }
    void zoomKeys()
    {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(int, zoom);
        QVERIFY(Open());
        const int passes = Gate.Passes.load();
        Key(key, Qt::KeyboardModifiers(modifiers));
        const float width = zoom < 0 ? ZoomedIn(5.0f) : zoom > 0 ? ZoomedOut(5.0f) : 5.0f;
        QCOMPARE(W->State.FractalParams.ViewWidth, width);
        QCOMPARE(W->State.ToolMode, TToolMode::Koef);
        if (zoom)
            QVERIFY(Settled(passes + 1));
        ExpectPasses(passes + (zoom ? 1 : 0));
    }

    void keyPreviewFromTrackBar()
    {
        QVERIFY(Open());
        W->show();
        W->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(W.get()));
        W->TrackBarCx->setFocus();
        QTRY_VERIFY_WITH_TIMEOUT(W->TrackBarCx->hasFocus(), Patience);
        int passes = Gate.Passes.load();
        QTest::keyClick(W->TrackBarCx, Qt::Key_Plus);
        QCOMPARE(W->State.FractalParams.ViewWidth, ZoomedIn(5.0f));
        QCOMPARE(W->TrackBarCx->value(), 402);
        QVERIFY(Settled(++passes));
        QTest::keyClick(W->TrackBarCx, Qt::Key_Equal);
        QCOMPARE(W->State.FractalParams.ViewWidth, ZoomedIn(ZoomedIn(5.0f)));
        QVERIFY(Settled(++passes));
        W->TrackBarR0->setFocus();
        QTRY_VERIFY_WITH_TIMEOUT(W->TrackBarR0->hasFocus(), Patience);
        QTest::keyClick(W->TrackBarR0, Qt::Key_Minus);
        QCOMPARE(W->State.FractalParams.ViewWidth, ZoomedOut(ZoomedIn(ZoomedIn(5.0f))));
        QCOMPARE(W->TrackBarR0->value(), 36);
        QVERIFY(Settled(++passes));
        // The focused bar still gets the keys it understands.
        QTest::keyClick(W->TrackBarR0, Qt::Key_Right);
        QCOMPARE(W->TrackBarR0->value(), 37);
        QCOMPARE(W->State.FractalParams.R0, 37);
        QVERIFY(Settled(++passes));
    }

    // ---- Full screen ----

    void fullScreenOpensAndCloses_data()
    {
        QTest::addColumn<int>("closeKey");  // 0: a click on the picture
        QTest::newRow("escape") << int(Qt::Key_Escape);
        QTest::newRow("lone shift") << int(Qt::Key_Shift);
        QTest::newRow("lone control") << int(Qt::Key_Control);
        QTest::newRow("space") << int(Qt::Key_Space);
        QTest::newRow("U") << int(Qt::Key_U);
        QTest::newRow("click") << 0;
    }
    void fullScreenOpensAndCloses()
    {
        QFETCH(int, closeKey);
        QVERIFY(Open());
        W->show();
        QVERIFY(QTest::qWaitForWindowExposed(W.get()));
        const int passes = Gate.Passes.load();
        W->FullScrExecute();
        QPointer<TFullScreenForm> form = W->FullScreenForm;
        QVERIFY(form);
        QVERIFY(W->State.FullScreenOpen);
        const QSize screen = QGuiApplication::primaryScreen()->size();
        QCOMPARE(W->State.FullScreenWidth, screen.width());
        QCOMPARE(W->State.FullScreenHeight, screen.height());
        QCOMPARE(form->Image->size(), screen);
        QVERIFY(!QGuiApplication::overrideCursor());

        // Open already: nothing happens, neither by the action nor by its key.
        W->FullScrExecute();
        QCOMPARE(W->findChildren<TFullScreenForm*>().size(), 1);
        QCOMPARE(W->FullScreenForm.data(), form.data());
        QVERIFY(QTest::qWaitForWindowActive(form.data()));
        QTest::keyClick(form.data(), Qt::Key_F);
        QVERIFY(form && form->isVisible());
        QCOMPARE(W->findChildren<TFullScreenForm*>().size(), 1);
        // Other shortcuts act on the main window and leave it open.
        QTest::keyClick(form.data(), Qt::Key_H);
        QCOMPARE(W->State.ToolMode, TToolMode::Hand);
        QVERIFY(form && form->isVisible());

        if (closeKey)
            QTest::keyClick(form.data(), Qt::Key(closeKey));
        else
            QTest::mouseClick(form->Image, Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
        QVERIFY(!W->State.FullScreenOpen);
        QCOMPARE(W->FullScreenButton->text(), QString("Full Screen"));
        QTRY_VERIFY_WITH_TIMEOUT(form.isNull(), Patience);
        ExpectPasses(passes);

        // And it opens again.
        W->FullScrExecute();
        QVERIFY(W->FullScreenForm);
        QVERIFY(W->State.FullScreenOpen);
        W->FullScreenForm->close();
        QVERIFY(!W->State.FullScreenOpen);
    }

    void fullScreenRefusedDuringPass()
    {
        QVERIFY(Open());
        QVERIFY(Hold());
        W->FullScrExecute();
        QVERIFY(!W->FullScreenForm);
        QVERIFY(!W->State.FullScreenOpen);
        QCOMPARE(W->FullScreenButton->text(), QString("Full Screen"));
        QVERIFY(W->findChildren<TFullScreenForm*>().isEmpty());
        QVERIFY(Unhold());
        W->FullScrExecute();
        QVERIFY(W->State.FullScreenOpen);
        W->FullScreenForm->close();
    }

    void fullScreenStopsAnimation()
    {
        QVERIFY(Open());
        Press(&TMainFormForTests::DownCyClick);
        QVERIFY(AnimStepSettled());
        QCOMPARE(W->TrackBarCy->value(), 338);
        W->FullScrExecute();
        QVERIFY(W->State.FullScreenOpen);
        QVERIFY(W->Animation.Cx.StopRequest);
        QVERIFY(W->Animation.Cy.StopRequest);
        AnimStep();
        QVERIFY(!W->Animation.Cy.DownRunning);
        QCOMPARE(W->TrackBarCy->value(), 338);
        W->FullScreenForm->close();
        QVERIFY(!W->State.FullScreenOpen);
    }

    // ---- Tool buttons, keys and the entry ----

    void hostShowsStateInControls()
    {
        QVERIFY(Open());
        TFractalParams& p = W->State.FractalParams;
        const int passes = Gate.Passes.load();
        // Values a file may bring: C off the 0.001 grid and beyond the bars, a period of 200.
        p.Cx = 0.4567891;
        p.Cy = -2.5;
        W->ShowCoefficients();
        QCOMPARE(W->TrackBarCx->value(), 456);
        QCOMPARE(W->TrackBarCy->value(), -2000);
        QCOMPARE(p.Cx, 0.4567891);
        QCOMPARE(p.Cy, -2.5);
        QCOMPARE(W->E_cx->text(), QString("0.4567891"));
        QCOMPARE(W->E_cy->text(), QString("-2.5"));
        QVERIFY(W->State.CoefficientSync);

        p.PaletteKind = 3;
        p.R0 = 7, p.G0 = 8, p.B0 = 9, p.R1 = 200, p.G1 = 1, p.B1 = 2;
        W->ShowPalette();
        QCOMPARE((std::vector<int>{W->TrackBarR0->value(), W->TrackBarG0->value(), W->TrackBarB0->value(),
                                   W->TrackBarR1->value(), W->TrackBarG1->value(), W->TrackBarB1->value()}),
                 (std::vector<int>{7, 8, 9, 40, 1, 2}));
        QCOMPARE(p.R1, 200);
        QCOMPARE(W->TypeOfPalette->currentIndex(), 2);
        QVERIFY(W->State.ApplyPaletteAtOnce);
        QVERIFY(TableOf(*W) == ReferenceTable(3, 7, 8, 9, 200, 1, 2));
        // Showing wakes no pass; the caller does.
        ExpectPasses(passes);
    }

    void toolButtonDroppedDuringPass_data()
    {
        QTest::addColumn<int>("tool");
        for (int i = 0; i < 5; ++i)
            QTest::newRow(qPrintable(QStringLiteral("tool %1").arg(i))) << i;
    }
    void toolButtonDroppedDuringPass()
    {
        QFETCH(int, tool);
        QVERIFY(Open());
        W->show();
        QVERIFY(QTest::qWaitForWindowExposed(W.get()));
        QToolButton* const buttons[] = {W->Koef, W->Lupa, W->Center, W->Hand, W->To_From};
        const auto pressed = [&] {
            QList<QToolButton*> down;
            for (QToolButton* b : buttons)
                if (b->isChecked())
                    down.append(b);
            return down;
        };
        const TToolMode target = TToolMode(tool);
        const TToolMode start = target == TToolMode::Hand ? TToolMode::Koef : TToolMode::Hand;
        QTest::mouseClick(buttons[int(start)], Qt::LeftButton);
        QCOMPARE(W->State.ToolMode, start);
        QCOMPARE(pressed(), QList<QToolButton*>{buttons[int(start)]});
        const QString hint = HintOf(W->Pic);

        QVERIFY(Hold());
        QTest::mouseClick(buttons[tool], Qt::LeftButton);
        QCOMPARE(W->State.ToolMode, start);
        QCOMPARE(pressed(), QList<QToolButton*>{buttons[int(start)]});
        QCOMPARE(HintOf(W->Pic), hint);
        QVERIFY(Unhold());

        QTest::mouseClick(buttons[tool], Qt::LeftButton);
        QCOMPARE(W->State.ToolMode, target);
        QCOMPARE(pressed(), QList<QToolButton*>{buttons[tool]});
        QVERIFY(ToolActionChecked(target));
    }

    void keyPreviewWhateverTheLayout_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<int>("scanCode");  // X keycode of the physical key
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("effect");    // 0 none, 1 palette applied, 2 zoom in, 3 zoom out
        QTest::newRow("U, Russian layout") << 0x0413 << int(Qt::NoModifier) << 30 << "г" << 1;
        QTest::newRow("Shift+U, Russian layout") << 0x0413 << int(Qt::ShiftModifier) << 30 << "Г" << 1;
        QTest::newRow("U, Latin layout") << int(Qt::Key_U) << int(Qt::NoModifier) << 30 << "u" << 1;
        QTest::newRow("keypad plus") << int(Qt::Key_Plus) << int(Qt::KeypadModifier) << 86 << "+" << 2;
        QTest::newRow("plus-and-equals") << int(Qt::Key_Equal) << int(Qt::NoModifier) << 21 << "=" << 2;
        QTest::newRow("keypad minus") << int(Qt::Key_Minus) << int(Qt::KeypadModifier) << 82 << "-" << 3;
        QTest::newRow("minus, Russian layout") << int(Qt::Key_Minus) << int(Qt::NoModifier) << 20 << "-" << 3;
        QTest::newRow("another Cyrillic letter") << 0x0415 << int(Qt::NoModifier) << 40 << "е" << 0;
    }
    void keyPreviewWhateverTheLayout()
    {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(int, scanCode);
        QFETCH(QString, text);
        QFETCH(int, effect);
        QVERIFY(Open());
        W->show();
        W->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(W.get()));
        W->TrackBarR0->setFocus();
        QTRY_VERIFY_WITH_TIMEOUT(W->TrackBarR0->hasFocus(), Patience);
        {
            // A level moved behind the handler's back: U applies it.
            const QSignalBlocker block(W->TrackBarG0);
            W->TrackBarG0->setValue(44);
        }
        const int passes = Gate.Passes.load();
        QKeyEvent press(QEvent::KeyPress, key, Qt::KeyboardModifiers(modifiers), quint32(scanCode), 0, 0, text);
        QApplication::sendEvent(W->TrackBarR0, &press);
        QCOMPARE(W->State.FractalParams.G0, effect == 1 ? 44 : 16);
        const float width = effect == 2 ? ZoomedIn(5.0f) : effect == 3 ? ZoomedOut(5.0f) : 5.0f;
        QCOMPARE(W->State.FractalParams.ViewWidth, width);
        QCOMPARE(W->TrackBarR0->value(), 36);
        if (effect)
            QVERIFY(Settled(passes + 1));
        ExpectPasses(passes + (effect ? 1 : 0));
    }

    void shortcutsBeforeFocusedControl()
    {
        QVERIFY(Open());
        W->show();
        W->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(W.get()));
        QList<QWidget*> focusable;
        for (QWidget* w : W->findChildren<QWidget*>())
            if (w->focusPolicy() != Qt::NoFocus && w->isVisible() && w->isEnabled() && !w->isWindow() &&
                !qobject_cast<QMenuBar*>(w))
                focusable.append(w);
        QVERIFY(focusable.contains(W->E_cx));
        QVERIFY(focusable.contains(W->E_cy));
        QVERIFY(focusable.contains(W->TrackBarCx));
        QVERIFY(focusable.contains(W->TypeOfPalette));
        for (QWidget* control : focusable) {
            const QByteArray name = control->metaObject()->className() + QByteArray(" ") +
                                    control->objectName().toLatin1();
            W->LupaPlusClick();
            QVERIFY(Quiesce());
            control->setFocus();
            QTRY_VERIFY_WITH_TIMEOUT(control->hasFocus(), Patience);
            QTest::keyClick(control, Qt::Key_Home);
            QVERIFY2(W->State.FractalParams.ViewWidth == 5.0f, name.constData());
            QVERIFY(Quiesce());
            for (const auto& [letter, mode] : {std::pair{Qt::Key_H, TToolMode::Hand}, {Qt::Key_L, TToolMode::Zoom},
                                               {Qt::Key_K, TToolMode::Koef}}) {
                QTest::keyClick(control, letter);
                QVERIFY2(W->State.ToolMode == mode, name.constData());
            }
            QVERIFY2(W->TypeOfPalette->currentIndex() == 0, name.constData());
            QVERIFY2(W->E_cx->text() == QStringLiteral("0.402"), name.constData());
        }
    }

    void fullScreenClosesOnLeftClickOnly()
    {
        QVERIFY(Open());
        W->show();
        QVERIFY(QTest::qWaitForWindowExposed(W.get()));
        W->FullScrExecute();
        QPointer<TFullScreenForm> form = W->FullScreenForm;
        QVERIFY(form);
        QVERIFY(QTest::qWaitForWindowExposed(form.data()));
        for (Qt::MouseButton button : {Qt::RightButton, Qt::MiddleButton}) {
            QTest::mouseClick(form->Image, button, Qt::NoModifier, QPoint(10, 10));
            QVERIFY(W->State.FullScreenOpen);
            QVERIFY(form && form->isVisible());
        }
        QTest::mouseClick(form->Image, Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
        QVERIFY(!W->State.FullScreenOpen);
        QTRY_VERIFY_WITH_TIMEOUT(form.isNull(), Patience);
    }

    void entryShowsMessageBoxes()
    {
        const QFont font = QApplication::font();
        const TMessageHandler previous = SetMessageHandler({});
        PrepareApplication();
        TBoxWatcher boxes;

        // Each kind of message as its box; only Yes answers a question.
        QVERIFY(!ShowMessage(TMessageKind::Plain, ProgramTitle, QStringLiteral("plain")));
        QVERIFY(!ShowMessage(TMessageKind::Warning, QStringLiteral("w"), QStringLiteral("warning")));
        QVERIFY(!ShowMessage(TMessageKind::Error, QStringLiteral("e"), QStringLiteral("error")));
        boxes.Answer = QMessageBox::Yes;
        QVERIFY(ShowMessage(TMessageKind::Question, QStringLiteral("q"), QStringLiteral("yes?")));
        boxes.Answer = QMessageBox::No;
        QVERIFY(!ShowMessage(TMessageKind::Question, QStringLiteral("q"), QStringLiteral("no?")));
        const QList<TBoxWatcher::TBox> kinds = {
            {QMessageBox::NoIcon, "Quilmora 1.02", "plain", QMessageBox::Ok},
            {QMessageBox::Warning, "w", "warning", QMessageBox::Ok},
            {QMessageBox::Critical, "e", "error", QMessageBox::Ok},
            {QMessageBox::Question, "q", "yes?", QMessageBox::Yes | QMessageBox::No},
            {QMessageBox::Question, "q", "no?", QMessageBox::Yes | QMessageBox::No},
        };
        QCOMPARE(boxes.Shown, kinds);

        // The start-up's own message is a box too, and the program then ends.
        boxes.Shown.clear();
        TMainFormForTests::ThreadFailsForTests = true;
        const int status = RunProgram([] { return std::make_unique<TMainFormForTests>(); });
        TMainFormForTests::ThreadFailsForTests = false;
        QCOMPARE(status, 0);
        QCOMPARE(boxes.Shown, (QList<TBoxWatcher::TBox>{{QMessageBox::Critical, "Ошибка:",
                                                          "Не удалось создать поток \n для расчета изображения",
                                                          QMessageBox::Ok}}));

        // An exception that reaches the entry: a box, and status 0.
        boxes.Shown.clear();
        const int thrown = RunProgram([]() -> std::unique_ptr<QWidget> { throw std::runtime_error("сбой"); });
        QCOMPARE(thrown, 0);
        QCOMPARE(boxes.Shown,
                 (QList<TBoxWatcher::TBox>{{QMessageBox::Critical, "Quilmora 1.02", "сбой", QMessageBox::Ok}}));

        SetMessageHandler(previous);
        QApplication::setFont(font);
    }

    // ---- Hints ----

    // The menu bar, top to bottom: caption, key and whether an image shows.
    void menuBarLayout()
    {
        QVERIFY(Open());
        QStringList seen;
        for (QAction* top : W->menuBar()->actions()) {
            if (!top->menu()) {
                seen << QStringLiteral("%1 | command").arg(top->text());
                continue;
            }
            seen << top->text();
            for (QAction* item : top->menu()->actions())
                seen << (item->isSeparator() ? QStringLiteral("  -")
                                             : QStringLiteral("  %1 | %2 | %3")
                                                   .arg(item->text(), item->shortcut().toString(),
                                                        item->icon().isNull() ? QString() : QStringLiteral("image")));
        }
        const QStringList expected{
            "&Файл",
            "  &Открыть фрактал.. | O | image",
            "  С&охранить | Shift+S | ",
            "  &Сохранить фрактал.. | S | image",
            "  Отк&рыть палитру.. | P | ",
            "  Со&хранить палитру.. | W | ",
            "  Сохранить &как.. | F7 | image",
            "  -",
            "  &Выйти | Ctrl+Q | image",
            "Ф&рактал",
            "  &Z <- Z^2 + C |  | ",
            "&Вид",
            "  &Полный экран | F | image",
            "  &Слайд-Шоу | F10 | ",
            "О&пции | command",
            "&Справка",
            "  &Описание | F1 | image",
            "  О &программе |  | ",
        };
        QCOMPARE(seen, expected);
        QVERIFY(W->FractalN1->isCheckable() && W->FractalN1->isChecked());
        QVERIFY(W->FractalN1->actionGroup() && W->FractalN1->actionGroup()->isExclusive());
        // Six images, each its own.
        QList<QImage> images;
        for (QAction* a : {W->SaveImage, W->SaveFractal, W->OpenFract, W->CloseApp, W->FullScr, W->Descript})
            images << a->icon().pixmap(16, 16).toImage();
        for (qsizetype i = 0; i < images.size(); ++i)
            for (qsizetype j = i + 1; j < images.size(); ++j)
                QVERIFY2(images[i] != images[j], qPrintable(QStringLiteral("images %1 and %2").arg(i).arg(j)));
    }

    void toolHints()
    {
        QVERIFY(Open());
        const auto hint = [this] { return HintOf(W->Pic); };
        QCOMPARE(hint(), QString(" Изменяет коэффициенты при перемещении по изображению с нажатой клавишей мыши"));
        const std::pair<QAction*, QString> tools[] = {
            {W->Zoom, " Нажатие левой клавиши мыши увеличивает изображение с центрированием, правой - уменьшает"},
            {W->ToCur, " Нажатие клавиши мыши центрирует изображение относительно выбранной точки"},
            {W->HandTool, " Перемещает изображение при нажатой клавише мыши"},
            {W->FromTo, " Приближает - удаляет изображение при перемещении с нажатой клавишей мыши"},
            {W->KoefScr, " Изменяет коэффициенты при перемещении по изображению с нажатой клавишей мыши"},
        };
        const TToolMode modes[] = {TToolMode::Zoom, TToolMode::Center, TToolMode::Hand, TToolMode::ToFrom,
                                   TToolMode::Koef};
        for (int i = 0; i < 5; ++i) {
            tools[i].first->trigger();
            QCOMPARE(W->State.ToolMode, modes[i]);
            QCOMPARE(hint(), tools[i].second);
        }
        QCOMPARE(tools[0].first->shortcut(), QKeySequence(Qt::Key_L));
        QCOMPARE(tools[1].first->shortcut(), QKeySequence(Qt::Key_C));
        QCOMPARE(tools[2].first->shortcut(), QKeySequence(Qt::Key_H));
        QCOMPARE(tools[3].first->shortcut(), QKeySequence(Qt::Key_A));
        QCOMPARE(tools[4].first->shortcut(), QKeySequence(Qt::Key_K));
        QCOMPARE(W->DefaultPar->shortcut(), QKeySequence(Qt::Key_Home));
        QCOMPARE(W->FullScr->shortcut(), QKeySequence(Qt::Key_F));
        QCOMPARE(W->CloseApp->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Q));
    }

    void controlHints()
    {
        QVERIFY(Open());
        const std::pair<QWidget*, QString> hints[] = {
            {W->Koef, " Изменяет коэффициенты при перемещении по изображению с нажатой клавишей мыши (K)"},
            {W->Lupa, " Нажатие левой клавиши мыши увеличивает изображение с центрированием, правой - уменьшает (L)"},
            {W->Center, " При нажатии клавиши мыши центрирует изображение относительно выбранной точки (C)"},
            {W->Hand, " Перемещает изображение при нажатой клавише мыши (H)"},
            {W->To_From, " Приближает - удаляет изображение при перемещении с нажатой клавишей мыши (A)"},
            {W->LupaPlus, " Увеличивает изображение на 30%  (+) "},
            {W->LupaMinus, " Уменьшает изображение на 30%  (-) "},
            {W->DefButton, " Устанавливает начальное положение и масштаб для отображения фрактала (Home)"},
            {W->GeneralView, " Нажатие клавиши мыши центрирует изображение относительно выбранной точки"},
            {W->TrackBarCx, " Изменяет Re(C)"},
            {W->TrackBarCy, " Измененяет Im(" + CyrC + ")"},
            {W->PlusCx, " Увеличивает на один шаг = 0.001 текущее значение Re(C)"},
            {W->MinusCx, " Уменьшает на один шаг = 0.001 текушее значение Re(C)"},
            {W->PlusCy, " Увеличивает на один шаг = 0.001 текущее значение Im(" + CyrC + ")"},
            {W->MinusCy, " Уменьшает на один шаг = 0.001 текушее значение Im(" + CyrC + ")"},
            {W->DownCx, " Включает уменьшение Re(C): При повторном нажатии увеличивает скорость"},
            {W->StopCx, " Останавливает изменение коэффицента C"},
            {W->UpCx, " Включает увеличение Re(" + CyrC + "): При повторном нажатии увеличивает скорость"},
            {W->DownCy, " Включает уменьшение Im(" + CyrC + "): При повторном нажатии увеличивает скорость"},
            {W->StopCy, " Останавливает изменение коэффициента C"},
            {W->UpCy, " Включает увеличение Im(C): При повторном нажатии увеличивает скорость"},
            {W->TrackBarR0, " Начальный уровень красного"},
            {W->TrackBarG0, " Начальный уровень зеленого"},
            {W->TrackBarB0, " Начальный уровень синего"},
            {W->TrackBarR1, " Период красного"},
            {W->TrackBarG1, " Период зеленого"},
            {W->TrackBarB1, " Период синего"},
            {W->TypeOfPalette, " Выбор типа палитры по цветам RGB: L - линейная, S- синусоидальная"},
            {W->IsChPalette, " Включает - выключает пересчет палитры сразу после изменения параметров палитры"},
            {W->ChPalette, " Запускает пересчет и перестроение палитры по требованию (U)"},
            {W->FullScreenButton, " Рассчитывает и показывает полноэкранное изображение (F)"},
            {W->CloseButton, " Закрывает программу (Ctrl+Q)"},
        };
        for (const auto& [widget, text] : hints)
            QCOMPARE(HintOf(widget), text);
        // Letters that look alike are not alike.
        QVERIFY(!HintOf(W->TrackBarCy).contains(QLatin1Char('C')));
        QVERIFY(!HintOf(W->TrackBarCx).contains(CyrC));
        // No pop-up hints anywhere.
        for (QWidget* widget : W->findChildren<QWidget*>())
            QVERIFY2(widget->toolTip().isEmpty(), qPrintable(widget->objectName()));
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
