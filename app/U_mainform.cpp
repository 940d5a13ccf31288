#include "app/U_mainform.h"

#include "app/BusyCursor.h"
#include "app/Cursors.h"
#include "app/HintLine.h"
#include "app/HintTexts.h"
#include "app/KeyPreview.h"
#include "app/NumberFormat.h"
#include "app/U_fullscreen.h"
#include "app/WindowPlace.h"
#include "engine/Colouring.h"
#include "engine/Messages.h"
#include "engine/Overview.h"
#include "engine/Palette.h"
#include "engine/RenderPass.h"
#include "export/U_sizeandext.h"
#include "files/U_opensavefractal.h"
#include "files/U_ospalette.h"
#include "info/U_about.h"
#include "info/U_description.h"
#include "slides/U_slideform.h"
#include "slides/U_vreloptions.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QSlider>
#include <QToolButton>

#include <algorithm>

std::function<void()> TMainForm::PassHookForTests;
bool TMainForm::ThreadFailsForTests = false;

// Each tool: its action, the hint of the picture and the picture's cursor.
struct TMainForm::TToolInfo {
    QAction* TMainForm::*Action;
    const QString* Hint;
    int Cursor;
};

const TMainForm::TToolInfo& TMainForm::Tool(TToolMode mode)
{
    static const TToolInfo tools[] = {
        {&TMainForm::KoefScr, &Hints::KoefScr, CursorKoef},   {&TMainForm::Zoom, &Hints::Zoom, CursorLupa},
        {&TMainForm::ToCur, &Hints::ToCur, CursorCentr},       {&TMainForm::HandTool, &Hints::HandTool, CursorOpenHand},
        {&TMainForm::FromTo, &Hints::FromTo, CursorToFrom},
    };
    return tools[static_cast<int>(mode)];
}

namespace {

const QString ReadOutPrefix = QStringLiteral(" ( X,Y ) =   ");

// Whether a window of `outer` size at left, top shows more than an 8-pixel
// rim on some screen. In 64 bits: a stored place may be any int32 at all.
bool PlaceIsOnScreens(qint64 left, qint64 top, QSize outer, const QList<QRect>& screens)
{
    const qint64 l = left + 8, t = top + 8, r = left + outer.width() - 8, b = top + outer.height() - 8;
    for (const QRect& g : screens)
        if (l < qint64(g.x()) + g.width() && r > g.x() && t < qint64(g.y()) + g.height() && b > g.y())
            return true;
    return false;
}

bool LeftOrRightHeld(const QMouseEvent* e)
{
    return e->buttons() & (Qt::LeftButton | Qt::RightButton);
}

}  // namespace

TMainForm::TMainForm(QWidget* parent)
    : QMainWindow(parent),
      ToFromScaleY(static_cast<float>(0.3f * (1.0L / PicHeight))),
      ToFromScaleX(static_cast<float>(1.0L / PicWidth))
{
    // 1. The window and its controls; all texts start empty.
    BuildWindow();
    BuildActions();

    // 2. Start folder.
    State.StartDir = QDir::currentPath();

    // 3, 4. Settings, and the copies the close compares with.
    ReadSettings();

    // 6. File folders (plain concatenation).
    State.FractalsDir = State.StartDir + QStringLiteral("/fractals");
    State.PalettesDir = State.StartDir + QStringLiteral("/paletts");

    // 7, 8. Read-out and overview frame.
    StatusPanel0->setText(ReadOutPrefix);
    ResetOverviewFrame(State, GeneralView->Canvas);

    // 9, 10. Default view, bitmaps.
    ResetView(State);
    State.DefaultStep = State.PicStep;
    State.PicBitmap = QImage(PicWidth, PicHeight, QImage::Format_RGB32);
    State.PicBitmap.fill(Qt::black);
    State.OverviewStep = static_cast<float>(5.0L / 81);
    State.OverviewBitmap = QImage(OverviewWidth, OverviewHeight, QImage::Format_RGB32);
    State.OverviewBitmap.fill(Qt::black);

    // 11. C from the track bars.
    State.FractalParams.Cx = CFromBar(TrackBarCx->value());
    State.FractalParams.Cy = CFromBar(TrackBarCy->value());
    E_cx->setText(FormatCoefficient(State.FractalParams.Cx));
    E_cy->setText(FormatCoefficient(State.FractalParams.Cy));

    // 12. Cursors: overview and the coefficient tool.
    RegisterCursors();
    GeneralView->setCursor(CursorOf(CursorSmoll));
    Pic->setCursor(CursorOf(CursorKoef));
    State.ToolMode = TToolMode::Koef;

    // 13.
    UpdateKoefScales(State);

    // 14. Palette track bars; their handlers find RenderIdle false and store nothing.
    MovePaletteBars();

    // 15, 16.
    if (!IsKnownPaletteKind(State.FractalParams.PaletteKind))
        State.FractalParams.PaletteKind = 1;
    if (State.SlideRandomOrder > 1)
        State.SlideRandomOrder = 0;
    TypeOfPalette->setCurrentIndex(State.FractalParams.PaletteKind - 1);

    // 17.
    BuildColourTable(State);
    DrawPaletteLine(State, PaletteLine->Canvas);

    // 18. The formula.
    State.FormulaSelected = [this] { FractalN1->setChecked(true); };
    State.FractalParams.FormulaKind = 1;
    State.ColourFunction = SquareColour;
    FractalN1->setChecked(true);

    // 19.
    State.FullScreenOpen = State.OptionsOpen = State.SlideShowRunning = State.AboutOpen = false;
    State.ApplyFilePalette = true;
    State.PicMouseArmed = true;
    State.FractalListIndex = State.PaletteListIndex = 0;

    // 20. The render thread, computing the first picture at once.
    RenderThread = new TThreadFract(State, Pic->Canvas, GeneralView->Canvas, this);
    RenderThread->PassStarted = PassHookForTests;
    connect(RenderThread, &TThreadFract::PassDrawn, this, &TMainForm::PassDrawn, Qt::QueuedConnection);
    RenderThread->start();
    if ((!RenderThread->isRunning() && !RenderThread->isFinished()) || ThreadFailsForTests) {
        ShowMessage(TMessageKind::Error, CaptionError, MsgThreadFailed);
        QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
    }

    FormCreate();
}

TMainForm::~TMainForm()
{
    // No pass may run while the bitmaps and canvases go.
    AnimationTimer.stop();
    RenderThread->Stop();
}

void TMainForm::ReadSettings()
{
    TSettingsRecord r;
    if (!ReadSettingsFile(QStringLiteral("settings.dat"), r)) {
        r = TSettingsRecord{};
        State.WindowPlaceKnown = false;
    }
    TakeSettings(State, r);
    State.SavedSettings = r;
}

void TMainForm::FormCreate()
{
    setFixedSize(ClientWidth, menuBar()->sizeHint().height() + ClientHeight);
    const QRect screen = PrimaryScreenRect();
    bool centre = !State.WindowPlaceKnown;
    if (!centre) {
        // A stored place on no screen at all would leave the window unreachable.
        QList<QRect> screens;
        for (const QScreen* s : QGuiApplication::screens())
            screens << s->geometry();
        if (PlaceIsOnScreens(State.SavedSettings.Left, State.SavedSettings.Top, frameGeometry().size(), screens))
            move(State.SavedSettings.Left, State.SavedSettings.Top);
        else
            centre = true;
    }
    if (centre) {
        const QSize outer = frameGeometry().size();
        const int left = TruncToInt((screen.width() - outer.width()) * 0.5L) + screen.x();
        const int top = TruncToInt((screen.height() - outer.height()) * 0.5L) + screen.y();
        move(left, top);
        if (!State.WindowPlaceKnown) {
            State.SavedSettings.Left = left;
            State.SavedSettings.Top = top;
        }
    }
}

void TMainForm::closeEvent(QCloseEvent* event)
{
    FormClose();
    if (FullScreenForm)
        FullScreenForm->close();
    event->accept();
}

bool TMainForm::event(QEvent* event)
{
    // The stepping holds while a modal window is up, as it would inside the
    // window's own loop, and goes on where it was once the window closes.
    if (event->type() == QEvent::WindowBlocked)
        AnimationTimer.stop();
    else if (event->type() == QEvent::WindowUnblocked && Animation.Running())
        AnimationTimer.start();
    return QMainWindow::event(event);
}

void TMainForm::FormClose()
{
    StopAnimation();
    AnimationTimer.stop();
    QDir::setCurrent(State.StartDir);

    const TSettingsRecord r = SettingsOf(State, pos().x(), pos().y());
    if (r == State.SavedSettings)
        return;
    // A failed write keeps the old file whole; the close goes on silently.
    WriteSettingsFile(QStringLiteral("settings.dat"), r);
}

// ---- Host ----

void TMainForm::WakeRender()
{
    RenderThread->Wake();
}

void TMainForm::CommitView(bool widthChanged)
{
    if (widthChanged)
        State.PicStep = StepForViewWidth(State.FractalParams.ViewWidth);
    UpdateOverviewFrame(State, GeneralView->Canvas);
    WakeRender();
}

void TMainForm::ShowCoefficients()
{
    const TFractalParams& p = State.FractalParams;
    State.CoefficientSync = false;
    TrackBarCx->setValue(BarFromC(p.Cx));
    TrackBarCy->setValue(BarFromC(p.Cy));
    State.CoefficientSync = true;
    E_cx->setText(FormatCoefficient(p.Cx));
    E_cy->setText(FormatCoefficient(p.Cy));
}

void TMainForm::ShowPalette()
{
    const bool atOnce = std::exchange(State.ApplyPaletteAtOnce, false);
    MovePaletteBars();
    State.ApplyPaletteAtOnce = atOnce;
    BuildColourTable(State);
    DrawPaletteLine(State, PaletteLine->Canvas);
    PaletteLine->update();
    const QSignalBlocker quiet(TypeOfPalette);  // showing the kind is no choice of a kind
    TypeOfPalette->setCurrentIndex(State.FractalParams.PaletteKind - 1);
}

void TMainForm::ApplyPalette()
{
    BuildColourTable(State);
    DrawPaletteLine(State, PaletteLine->Canvas);
    PaletteLine->update();
    WakeRender();
}

void TMainForm::StopAnimation()
{
    Animation.RequestStop();
}

void TMainForm::SettleRender()
{
    // The end of a pass is announced by a queued call; run it now, and once
    // more if it started another pass.
    for (;;) {
        RenderThread->WaitIdle();
        QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
        if (State.RenderIdle.load())
            return;
    }
}

QRect TMainForm::PictureFrame() const
{
    return {Pic->mapTo(this, QPoint(0, 0)), Pic->size()};
}

void TMainForm::RefreshFullScreen()
{
    if (!State.FullScreenOpen || !FullScreenForm)
        return;
    RenderFullScreen(State, FullScreenForm->Image->Canvas);
    FullScreenForm->Image->update();
}

void TMainForm::FullScreenClosed()
{
    State.FullScreenOpen = false;
    FullScreenButton->setText(QStringLiteral("Full Screen"));
}

void TMainForm::PassDrawn()
{
    Pic->update();
    GeneralView->update();
    // A palette kind chosen during a pass is applied once the pass is over,
    // not under a window that has the state on loan.
    if (KindApplyPending && State.RenderIdle.load() && StateLoans == 0) {
        KindApplyPending = false;
        if (State.ApplyPaletteAtOnce)
            ApplyPalette();
    }
}

// ---- Coefficient C ----

void TMainForm::TrackBarCxChange()
{
    if (!State.RenderIdle.load() || !State.CoefficientSync)
        return;
    State.FractalParams.Cx = CFromBar(TrackBarCx->value());
    E_cx->setText(FormatCoefficient(State.FractalParams.Cx));
    WakeRender();
}

void TMainForm::TrackBarCyChange()
{
    if (!State.RenderIdle.load() || !State.CoefficientSync)
        return;
    State.FractalParams.Cy = CFromBar(TrackBarCy->value());
    E_cy->setText(FormatCoefficient(State.FractalParams.Cy));
    WakeRender();
}

void TMainForm::PlusCxClick() { TrackBarCx->setValue(TrackBarCx->value() + 1); }
void TMainForm::MinusCxClick() { TrackBarCx->setValue(TrackBarCx->value() - 1); }
void TMainForm::PlusCyClick() { TrackBarCy->setValue(TrackBarCy->value() + 1); }
void TMainForm::MinusCyClick() { TrackBarCy->setValue(TrackBarCy->value() - 1); }
void TMainForm::UpCxClick() { AnimationPress(TBarAnimation::ComponentCx, true); }
void TMainForm::DownCxClick() { AnimationPress(TBarAnimation::ComponentCx, false); }
void TMainForm::UpCyClick() { AnimationPress(TBarAnimation::ComponentCy, true); }
void TMainForm::DownCyClick() { AnimationPress(TBarAnimation::ComponentCy, false); }

void TMainForm::StopCxClick()
{
    Animation.RequestStop();
    TrackBarCx->setFocus();
}

void TMainForm::StopCyClick()
{
    Animation.RequestStop();
    TrackBarCy->setFocus();
}

void TMainForm::AnimationPress(int component, bool up)
{
    Animation.Press(component, up);
    // The stepping itself runs from the timer, one step per turn of the event loop.
    AnimationTimer.start();
}

void TMainForm::AnimationStep()
{
    if (QApplication::activeModalWidget()) {
        // Taken up again when the modal window closes (WindowUnblocked).
        AnimationTimer.stop();
        return;
    }
    const TBarAnimation::TStep step = Animation.Step(TrackBarCx->value(), TrackBarCy->value());
    if (!Animation.Running())
        AnimationTimer.stop();
    if (step.Component >= 0)
        (step.Component == TBarAnimation::ComponentCx ? TrackBarCx : TrackBarCy)->setValue(step.Position);
}

// ---- Navigation ----

QString TMainForm::ReadOut(long double x, long double y)
{
    return ReadOutPrefix + FormatCoordinate(static_cast<double>(x)) + QStringLiteral("   ") +
           FormatCoordinate(static_cast<double>(y));
}

QAction* TMainForm::ToolAction(TToolMode mode) const
{
    return this->*Tool(mode).Action;
}

void TMainForm::SetTool(TToolMode mode)
{
    if (!State.RenderIdle.load()) {
        // The press is dropped: the current tool's action (and button) stays checked.
        ToolAction(State.ToolMode)->setChecked(true);
        return;
    }
    Pic->setCursor(CursorOf(Tool(mode).Cursor));
    State.ToolMode = mode;
    SetHint(Pic, *Tool(mode).Hint);
    ToolAction(mode)->setChecked(true);
}

void TMainForm::KoefScrExecute() { SetTool(TToolMode::Koef); }
void TMainForm::ZoomExecute() { SetTool(TToolMode::Zoom); }
void TMainForm::ToCurExecute() { SetTool(TToolMode::Center); }
void TMainForm::HandToolExecute() { SetTool(TToolMode::Hand); }
void TMainForm::FromToExecute() { SetTool(TToolMode::ToFrom); }

void TMainForm::Recentre(int x, int y)
{
    TFractalParams& p = State.FractalParams;
    p.CenterX = static_cast<float>(p.CenterX + static_cast<long double>(x - PicAnchorX) * State.PicStep);
    p.CenterY = static_cast<float>(p.CenterY + static_cast<long double>(PicAnchorY - y) * State.PicStep);
}

void TMainForm::PicMouseDown(QMouseEvent* event)
{
    if (!State.RenderIdle.load())
        return;
    if (!State.PicMouseArmed) {
        State.PicMouseArmed = true;
        return;
    }
    const int x = event->position().toPoint().x(), y = event->position().toPoint().y();
    TFractalParams& p = State.FractalParams;
    switch (State.ToolMode) {
    case TToolMode::Koef:
        KoefAnchor = {x, y};
        KoefStartPosition = {TrackBarCx->value(), TrackBarCy->value()};
        UpdateKoefScales(State);
        break;
    case TToolMode::Zoom: {
        Recentre(x, y);
        const long double w = p.ViewWidth;
        if (event->button() == Qt::LeftButton)
            p.ViewWidth = static_cast<float>(w - w * ZoomInFactor);
        else if (event->button() == Qt::RightButton)
            p.ViewWidth = static_cast<float>(w + w * ZoomOutFactor);
        CommitView(true);
        break;
    }
    case TToolMode::Center:
        Recentre(x, y);
        CommitView(false);
        break;
    case TToolMode::Hand:
    case TToolMode::ToFrom:
        DragAnchor = {x, y};
        break;
    }
}

void TMainForm::PicMouseMove(QMouseEvent* event)
{
    const QPoint at = event->position().toPoint();
    // The right button does not capture: moves outside the picture do not reach it.
    if (!(event->buttons() & Qt::LeftButton) && (event->buttons() & Qt::RightButton) && !Pic->rect().contains(at))
        return;
    const int x = at.x(), y = at.y();
    TFractalParams& p = State.FractalParams;
    StatusPanel0->setText(ReadOut(p.CenterX + static_cast<long double>(x - PicAnchorX) * State.PicStep,
                                  p.CenterY + static_cast<long double>(PicAnchorY - y) * State.PicStep));
    if (!State.RenderIdle.load())
        return;
    if (!State.PicMouseArmed) {
        State.PicMouseArmed = true;
        return;
    }
    if (!LeftOrRightHeld(event))
        return;
    switch (State.ToolMode) {
    case TToolMode::Koef: {
        const auto position = [](long double v) { return std::clamp(TruncToInt(v), -CoefTrackMax, CoefTrackMax); };
        TrackBarCx->setValue(position(static_cast<long double>(x - KoefAnchor.x()) * State.KoefScaleX +
                                      KoefStartPosition.x()));
        TrackBarCy->setValue(position(static_cast<long double>(KoefAnchor.y() - y) * State.KoefScaleY +
                                      KoefStartPosition.y()));
        break;
    }
    case TToolMode::Hand:
        p.CenterX = static_cast<float>(p.CenterX + static_cast<long double>(DragAnchor.x() - x) * State.PicStep);
        p.CenterY = static_cast<float>(p.CenterY + static_cast<long double>(y - DragAnchor.y()) * State.PicStep);
        DragAnchor = {x, y};
        CommitView(false);
        break;
    case TToolMode::ToFrom: {
        const long double w = p.ViewWidth;
        p.ViewWidth = static_cast<float>(
            w - w * (static_cast<long double>(y - DragAnchor.y()) * ToFromScaleY -
                     static_cast<long double>(x - DragAnchor.x()) * ToFromScaleX));
        DragAnchor = {x, y};
        CommitView(true);
        break;
    }
    case TToolMode::Zoom:
    case TToolMode::Center:
        break;
    }
}

void TMainForm::PicMouseUp(QMouseEvent*) {}

void TMainForm::CentreOnOverview(int x, int y)
{
    State.FractalParams.CenterX = static_cast<float>(static_cast<long double>(x - OverviewAnchorX) * State.OverviewStep);
    State.FractalParams.CenterY = static_cast<float>(static_cast<long double>(OverviewAnchorY - y) * State.OverviewStep);
    UpdateOverviewFrame(State, GeneralView->Canvas);
    WakeRender();
}

void TMainForm::GeneralViewMouseDown(QMouseEvent* event)
{
    const QPoint at = event->position().toPoint();
    if (State.RenderIdle.load() && State.PicMouseArmed)
        CentreOnOverview(at.x(), at.y());
    State.PicMouseArmed = true;
}

void TMainForm::GeneralViewMouseMove(QMouseEvent* event)
{
    const QPoint at = event->position().toPoint();
    if (!(event->buttons() & Qt::LeftButton) && (event->buttons() & Qt::RightButton) &&
        !GeneralView->rect().contains(at))
        return;
    StatusPanel0->setText(ReadOut(static_cast<long double>(at.x() - OverviewAnchorX) * State.OverviewStep,
                                  static_cast<long double>(OverviewAnchorY - at.y()) * State.OverviewStep));
    if (State.RenderIdle.load() && State.PicMouseArmed && LeftOrRightHeld(event))
        CentreOnOverview(at.x(), at.y());
}

void TMainForm::GeneralViewMouseUp(QMouseEvent*) {}

void TMainForm::LupaPlusClick()
{
    if (!State.RenderIdle.load())
        return;
    const long double w = State.FractalParams.ViewWidth;
    State.FractalParams.ViewWidth = static_cast<float>(w - w * ZoomInFactor);
    CommitView(true);
}

void TMainForm::LupaMinusClick()
{
    if (!State.RenderIdle.load())
        return;
    const long double w = State.FractalParams.ViewWidth;
    State.FractalParams.ViewWidth = static_cast<float>(w + w * ZoomOutFactor);
    CommitView(true);
}

void TMainForm::DefaultParExecute()
{
    if (!State.RenderIdle.load())
        return;
    ResetView(State);
    ResetOverviewFrame(State, GeneralView->Canvas);
    WakeRender();
}

// ---- Palette ----

std::array<std::pair<QSlider*, int32_t*>, 6> TMainForm::PaletteLevels()
{
    TFractalParams& p = State.FractalParams;
    return {{{TrackBarR0, &p.R0}, {TrackBarG0, &p.G0}, {TrackBarB0, &p.B0},
             {TrackBarR1, &p.R1}, {TrackBarG1, &p.G1}, {TrackBarB1, &p.B1}}};
}

void TMainForm::MovePaletteBars()
{
    // A bar may clamp a level read from a file: the level itself stays.
    for (const auto& [bar, level] : PaletteLevels()) {
        const int32_t kept = *level;
        bar->setValue(kept);
        *level = kept;
    }
}

void TMainForm::TakePaletteBars()
{
    for (const auto& [bar, level] : PaletteLevels())
        *level = bar->value();
}

void TMainForm::PaletteTrackBarChange(QSlider* bar, int32_t& level)
{
    if (!State.ApplyPaletteAtOnce)
        return;
    const TBusyCursor busy(State, Qt::WaitCursor);
    if (State.RenderIdle.load()) {
        level = bar->value();
        ApplyPalette();
    }
}

void TMainForm::TypeOfPaletteChange()
{
    State.FractalParams.PaletteKind = TypeOfPalette->currentIndex() + 1;
    if (!State.ApplyPaletteAtOnce)
        return;
    if (State.RenderIdle.load())
        ApplyPalette();
    else if (RenderThread)
        KindApplyPending = true;
}

void TMainForm::IsChPaletteClick()
{
    const TBusyCursor busy(State, Qt::WaitCursor);
    if (State.RenderIdle.load()) {
        ChPalette->setEnabled(!IsChPalette->isChecked());
        State.ApplyPaletteAtOnce = IsChPalette->isChecked();
        if (State.ApplyPaletteAtOnce) {
            TakePaletteBars();
            ApplyPalette();
        }
    }
}

void TMainForm::ChPaletteClick()
{
    const TBusyCursor busy(State, Qt::WaitCursor);
    if (State.RenderIdle.load()) {
        TakePaletteBars();
        State.FractalParams.PaletteKind = TypeOfPalette->currentIndex() + 1;
        KindApplyPending = false;
        ApplyPalette();
    }
}

// ---- Commands ----

void TMainForm::OpenFractExecute() { TOpenSaveFractal::OpenFractExecute(*this); }
void TMainForm::SaveCrntFrctExecute() { TOpenSaveFractal::SaveCrntFrctExecute(*this); }
void TMainForm::SaveFractalExecute() { TOpenSaveFractal::SaveFractalExecute(*this); }

void TMainForm::SlideShowExecute() { TSlideForm::SlideShowExecute(*this); }

void TMainForm::OptionsExecute() { TVrelOptions::OptionsExecute(*this); }
void TMainForm::OpenPaletteExecute() { TOSPalette::OpenPaletteExecute(*this); }
void TMainForm::SavePaletteExecute() { TOSPalette::SavePaletteExecute(*this); }
void TMainForm::SaveImageExecute() { TSizeAndExt::SaveImageExecute(*this); }

void TMainForm::FullScrExecute()
{
    if (!State.RenderIdle.load() || State.FullScreenOpen)
        return;
    State.FullScreenOpen = true;
    FullScreenButton->setText(QStringLiteral("Wait..."));
    FullScreenButton->repaint();
    {
        const TBusyCursor busy(State, Qt::BusyCursor);
        StopAnimation();
        FullScreenForm = new TFullScreenForm(*this);
    }
    FullScreenForm->showFullScreen();
}

void TMainForm::FractalN1Execute()
{
    if (!State.RenderIdle.load()) {
        FractalN1->setChecked(State.FractalParams.FormulaKind == 1);
        return;
    }
    FractalN1->setChecked(true);
    State.FractalParams.FormulaKind = 1;
    ResetView(State);
    State.ColourFunction = SquareColour;
    WakeRender();
}

void TMainForm::CloseAppExecute()
{
    close();
}

void TMainForm::DescriptExecute() { TDscrptForm::DescriptExecute(*this); }
void TMainForm::A_ProgramExecute() { TAboutForm::A_ProgramExecute(*this); }

void TMainForm::FormKeyDown(QKeyEvent* event)
{
    switch (LatinKey(event)) {
    case Qt::Key_U:
        ChPaletteClick();
        break;
    case Qt::Key_Plus:
    case Qt::Key_Equal:
        LupaPlusClick();
        break;
    case Qt::Key_Minus:
    case Qt::Key_Underscore:
        LupaMinusClick();
        break;
    default:
        break;
    }
}
