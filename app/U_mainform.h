#pragma once
// The main window: picture, overview, C controls, palette controls, tools.

#include "app/ImageView.h"
#include "app/MainHost.h"
#include "engine/BarAnimation.h"
#include "engine/ProgramState.h"
#include "engine/RenderThread.h"
#include "files/SettingsFile.h"

#include <QMainWindow>
#include <QPointer>
#include <QTimer>

#include <array>
#include <functional>
#include <utility>
#include <vector>

class QAction;
class QActionGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QSlider;
class QToolButton;
class TFullScreenForm;

class TMainForm : public QMainWindow, public TMainHost {
    Q_OBJECT
public:
    explicit TMainForm(QWidget* parent = nullptr);
    ~TMainForm() override;

    // ---- Host ----
    void WakeRender() override;
    void CommitView(bool widthChanged) override;
    void ShowCoefficients() override;
    void ShowPalette() override;
    void ApplyPalette() override;
    void StopAnimation() override;
    void SettleRender() override;
    void FullScreenClosed() override;
    void RefreshFullScreen() override;
    void UpdateActions() override;
    QWidget& Window() override { return *this; }
    QRect PictureFrame() const override;

    // ---- Tests only ----
    // Run on the render thread at the start of every pass.
    static std::function<void()> PassHookForTests;
    // The render thread counts as not created.
    static bool ThreadFailsForTests;

    // The window's own parts, open to its layout and action tables and to the
    // tests' access class (tests/support/MainFormAccess.h), not to other windows.
protected:
    // Client area below the menu bar, status bar included.
    static constexpr int ClientWidth = 690, ClientHeight = 554;

    // Controls, in the order of the window's layout (built in MainLayout.cpp).
    TImage* Pic = nullptr;
    QLabel* StatusPanel0 = nullptr;  // coordinate read-out
    QLabel* StatusPanel1 = nullptr;  // hint line
    QToolButton* DefButton = nullptr;
    QToolButton* Hand = nullptr;
    QToolButton* Center = nullptr;
    QToolButton* Lupa = nullptr;
    QToolButton* LupaPlus = nullptr;
    QToolButton* LupaMinus = nullptr;
    QToolButton* Koef = nullptr;
    QToolButton* To_From = nullptr;
    QPushButton* FullScreenButton = nullptr;
    QGroupBox* GroupBox3 = nullptr;
    TImage* GeneralView = nullptr;
    QGroupBox* GroupBox1 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLineEdit* E_cx = nullptr;
    QLineEdit* E_cy = nullptr;
    QSlider* TrackBarCx = nullptr;
    QSlider* TrackBarCy = nullptr;
    QToolButton* PlusCx = nullptr;
    QToolButton* MinusCx = nullptr;
    QToolButton* PlusCy = nullptr;
    QToolButton* MinusCy = nullptr;
    QToolButton* DownCx = nullptr;
    QToolButton* StopCx = nullptr;
    QToolButton* UpCx = nullptr;
    QToolButton* DownCy = nullptr;
    QToolButton* StopCy = nullptr;
    QToolButton* UpCy = nullptr;
    QPushButton* CloseButton = nullptr;
    QGroupBox* PalBox = nullptr;
    TImage* PaletteLine = nullptr;
    QSlider* TrackBarR0 = nullptr;
    QSlider* TrackBarG0 = nullptr;
    QSlider* TrackBarB0 = nullptr;
    QSlider* TrackBarR1 = nullptr;
    QSlider* TrackBarG1 = nullptr;
    QSlider* TrackBarB1 = nullptr;
    QComboBox* TypeOfPalette = nullptr;
    QCheckBox* IsChPalette = nullptr;
    QToolButton* ChPalette = nullptr;

    // Actions (built from the table in MainActions.cpp) and menus
    QAction* OpenFract = nullptr;
    QAction* SaveCrntFrct = nullptr;
    QAction* SaveFractal = nullptr;
    QAction* OpenPalette = nullptr;
    QAction* SavePalette = nullptr;
    QAction* SaveImage = nullptr;
    QAction* CloseApp = nullptr;
    QAction* FractalN1 = nullptr;  // the radio item ZZ2C
    QAction* FullScr = nullptr;
    QAction* SlideShow = nullptr;
    QAction* Options = nullptr;
    QAction* KoefScr = nullptr;
    QAction* Zoom = nullptr;
    QAction* ToCur = nullptr;
    QAction* HandTool = nullptr;
    QAction* FromTo = nullptr;
    QAction* DefaultPar = nullptr;
    QAction* About = nullptr;  // the help menu itself
    QAction* Descript = nullptr;
    QAction* A_Program = nullptr;
    QMenu* MenuFile = nullptr;
    QMenu* MenuFractal = nullptr;
    QMenu* MenuView = nullptr;
    QMenu* MenuHelp = nullptr;

    TThreadFract* RenderThread = nullptr;
    QPointer<TFullScreenForm> FullScreenForm;

    // Navigation values
    const float ZoomInFactor = 0.3f;
    const float ZoomOutFactor = 0.3f;
    const float ToFromScaleY;
    const float ToFromScaleX;
    QPoint DragAnchor;
    QPoint KoefAnchor;
    QPoint KoefStartPosition;

    // C animation: its rule, stepped by the timer.
    TBarAnimation Animation;
    QTimer AnimationTimer;

    // Handlers
    void TrackBarCxChange();
    void TrackBarCyChange();
    void PlusCxClick();
    void MinusCxClick();
    void PlusCyClick();
    void MinusCyClick();
    void UpCxClick();
    void DownCxClick();
    void UpCyClick();
    void DownCyClick();
    void StopCxClick();
    void StopCyClick();
    void AnimationStep();  // one step of a running C animation

    void PicMouseDown(QMouseEvent* event);
    void PicMouseMove(QMouseEvent* event);
    void PicMouseUp(QMouseEvent* event);
    void GeneralViewMouseDown(QMouseEvent* event);
    void GeneralViewMouseMove(QMouseEvent* event);
    void GeneralViewMouseUp(QMouseEvent* event);
    void LupaPlusClick();
    void LupaMinusClick();
    void DefaultParExecute();
    void KoefScrExecute();
    void ZoomExecute();
    void ToCurExecute();
    void HandToolExecute();
    void FromToExecute();
    void SetTool(TToolMode mode);

    void PaletteTrackBarChange(QSlider* bar, int32_t& level);
    void TypeOfPaletteChange();
    void IsChPaletteClick();
    void ChPaletteClick();

    void OpenFractExecute();
    void SaveCrntFrctExecute();
    void SaveFractalExecute();
    void OpenPaletteExecute();
    void SavePaletteExecute();
    void SaveImageExecute();
    void FullScrExecute();
    void SlideShowExecute();
    void OptionsExecute();
    void FractalN1Execute();
    void CloseAppExecute();
    void AboutExecute() {}
    void DescriptExecute();
    void A_ProgramExecute();
    void FormKeyDown(QKeyEvent* event);

    // Text of the read-out for a plane point.
    static QString ReadOut(long double x, long double y);

    void closeEvent(QCloseEvent* event) override;
    // A modal window holds the C animation until it closes.
    bool event(QEvent* event) override;

private:
    // The window's own tables: actions (MainActions.cpp) and tools.
    struct TActionRow;
    struct TToolInfo;
    static const std::vector<TActionRow>& ActionRows();
    static const TToolInfo& Tool(TToolMode mode);

    void BuildWindow();
    void BuildActions();
    void ReadSettings();
    void FormCreate();
    void FormClose();
    void AnimationPress(int component, bool up);
    void Recentre(int x, int y);
    void CentreOnOverview(int x, int y);
    void PassDrawn();
    QAction* ToolAction(TToolMode mode) const;
    // The six palette track bars with the level each shows.
    std::array<std::pair<QSlider*, int32_t*>, 6> PaletteLevels();
    void MovePaletteBars();  // bars from the levels
    void TakePaletteBars();  // levels from the bars

    bool KindApplyPending = false;
};
