// The main window's form: every control at its place, in the order of the
// window's layout, with its hint and its handler.

#include "app/U_mainform.h"

#include "app/Glyphs.h"
#include "app/HintLine.h"
#include "app/HintTexts.h"
#include "app/KeyPreview.h"
#include "engine/Palette.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QSlider>
#include <QStatusBar>
#include <QToolButton>

#include <algorithm>
#include <utility>

namespace {

constexpr int StatusBarHeight = 19;
constexpr int StatusPanel0Width = 160;

QToolButton* GlyphButton(QWidget* parent, TGlyph glyph, const QRect& place, const QString& hint)
{
    auto* b = new QToolButton(parent);
    SetHint(b, hint);
    b->setIcon(GlyphIcon(glyph));
    b->setIconSize(place.size() - QSize(8, 8));
    b->setGeometry(place);
    b->setFocusPolicy(Qt::NoFocus);
    b->setAutoRaise(false);
    return b;
}

QSlider* TrackBar(QWidget* parent, int lo, int hi, int tick, const QRect& place)
{
    auto* s = new QSlider(Qt::Horizontal, parent);
    s->setRange(lo, hi);
    s->setTickInterval(tick);
    s->setTickPosition(QSlider::TicksAbove);
    s->setPageStep(std::max(1, (hi - lo) / 20));
    s->setGeometry(place);
    return s;
}

QLabel* Label(QWidget* parent, const QString& text, int x, int y)
{
    auto* l = new QLabel(text, parent);
    l->move(x, y);
    l->adjustSize();
    return l;
}

}  // namespace

void TMainForm::BuildWindow()
{
    setObjectName(QStringLiteral("MainForm"));
    setWindowTitle(QStringLiteral("Quilmora 1.02"));
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);

    auto* client = new QWidget(this);
    client->setFixedSize(ClientWidth, ClientHeight - StatusBarHeight);
    setCentralWidget(client);

    Pic = new TImage(PicWidth, PicHeight, client);
    Pic->move(46, 0);
    Pic->setMouseTracking(true);
    SetHint(Pic, Hints::KoefScr);
    Pic->setAccessibleName(QStringLiteral("Изображение фрактала"));

    auto* bar = new QStatusBar(this);
    bar->setSizeGripEnabled(false);
    bar->setFixedHeight(StatusBarHeight);
    bar->setContentsMargins(0, 0, 0, 0);
    // Placed by hand, not as the bar's items: its layout keeps gaps around
    // them that the hint line cannot spare. Panel 1 runs to the window's edge.
    StatusPanel0 = new QLabel(bar);
    StatusPanel0->setGeometry(0, 0, StatusPanel0Width, StatusBarHeight);
    StatusPanel1 = new QLabel(bar);
    StatusPanel1->setGeometry(StatusPanel0Width, 0, ClientWidth - StatusPanel0Width, StatusBarHeight);
    setStatusBar(bar);

    InstallHintLine(StatusPanel1);
    // The window sees keys before its controls, and its shortcuts come first.
    new TKeyPreview(this, [this](QKeyEvent* event) { FormKeyDown(event); return false; },
                    TKeyPreview::TShortcuts::BeforeControls);

    DefButton = GlyphButton(client, TGlyph::Default, {6, 8, 32, 32}, Hints::DefButton);
    Hand = GlyphButton(client, TGlyph::Hand, {6, 42, 32, 32}, Hints::Hand);
    Center = GlyphButton(client, TGlyph::Center, {6, 76, 32, 32}, Hints::Center);
    Lupa = GlyphButton(client, TGlyph::Lupa, {6, 110, 32, 32}, Hints::Lupa);
    LupaPlus = GlyphButton(client, TGlyph::LupaPlus, {6, 144, 32, 32}, Hints::LupaPlus);
    LupaMinus = GlyphButton(client, TGlyph::LupaMinus, {6, 178, 32, 32}, Hints::LupaMinus);
    Koef = GlyphButton(client, TGlyph::Koef, {6, 212, 32, 32}, Hints::Koef);
    To_From = GlyphButton(client, TGlyph::ToFrom, {6, 246, 32, 32}, Hints::To_From);
    // The glyph buttons have no caption: named after their tools.
    const std::pair<QToolButton*, const char*> tools[] = {
        {DefButton, "Начальный вид"}, {Hand, "Рука"}, {Center, "Центрирование"}, {Lupa, "Лупа"},
        {LupaPlus, "Увеличить"}, {LupaMinus, "Уменьшить"}, {Koef, "Изменение коэффициентов"},
        {To_From, "Приближение - удаление"}};
    for (const auto& [button, name] : tools)
        button->setAccessibleName(QString::fromUtf8(name));
    connect(LupaPlus, &QToolButton::clicked, this, &TMainForm::LupaPlusClick);
    connect(LupaMinus, &QToolButton::clicked, this, &TMainForm::LupaMinusClick);

    FullScreenButton = new QPushButton(QStringLiteral("Full Screen"), client);
    FullScreenButton->setGeometry(600, 8, 65, 16);
    FullScreenButton->setFocusPolicy(Qt::NoFocus);
    SetHint(FullScreenButton, Hints::FullScreenButton);

    GroupBox3 = new QGroupBox(QStringLiteral("Общий вид"), client);
    GroupBox3->setGeometry(584, 28, 97, 106);
    GeneralView = new TImage(OverviewWidth, OverviewHeight, GroupBox3);
    GeneralView->move(8, 17);
    GeneralView->setMouseTracking(true);
    SetHint(GeneralView, Hints::GeneralView);
    GeneralView->setAccessibleName(GroupBox3->title());

    GroupBox1 = new QGroupBox(QStringLiteral("Коэффициенты"), client);
    GroupBox1->setGeometry(584, 142, 97, 220);
    Label1 = Label(GroupBox1, QStringLiteral("Re( C )"), 10, 16);
    Label2 = Label(GroupBox1, QStringLiteral("Im( C )"), 10, 104);
    E_cx = new QLineEdit(QStringLiteral("0"), GroupBox1);
    E_cx->setGeometry(10, 32, 65, 17);
    E_cy = new QLineEdit(QStringLiteral("0"), GroupBox1);
    E_cy->setGeometry(10, 120, 65, 17);
    for (QLineEdit* e : {E_cx, E_cy}) {
        e->setReadOnly(true);
        e->setFocusPolicy(Qt::ClickFocus);
        e->setTextMargins(0, 0, 0, 0);
    }
    TrackBarCx = TrackBar(GroupBox1, -CoefTrackMax, CoefTrackMax, 400, {5, 50, 87, 23});
    TrackBarCy = TrackBar(GroupBox1, -CoefTrackMax, CoefTrackMax, 400, {5, 138, 87, 23});
    TrackBarCx->setValue(402);
    TrackBarCy->setValue(339);
    SetHint(TrackBarCx, Hints::TrackBarCx);
    SetHint(TrackBarCy, Hints::TrackBarCy);
    Label1->setBuddy(E_cx);
    Label2->setBuddy(E_cy);
    E_cx->setAccessibleName(QStringLiteral("Значение Re(C)"));
    E_cy->setAccessibleName(QStringLiteral("Значение Im(C)"));
    TrackBarCx->setAccessibleName(QStringLiteral("Re(C)"));
    TrackBarCy->setAccessibleName(QStringLiteral("Im(C)"));
    connect(TrackBarCx, &QSlider::valueChanged, this, &TMainForm::TrackBarCxChange);
    connect(TrackBarCy, &QSlider::valueChanged, this, &TMainForm::TrackBarCyChange);

    const auto smallButton = [this](const QString& text, const QRect& place, const QString& hint) {
        auto* b = new QToolButton(GroupBox1);
        b->setText(text);
        b->setGeometry(place);
        b->setFocusPolicy(Qt::NoFocus);
        SetHint(b, hint);
        return b;
    };
    PlusCx = smallButton(QStringLiteral("+"), {77, 31, 15, 9}, Hints::PlusCx);
    MinusCx = smallButton(QStringLiteral("-"), {77, 40, 15, 9}, Hints::MinusCx);
    PlusCy = smallButton(QStringLiteral("+"), {77, 119, 15, 9}, Hints::PlusCy);
    MinusCy = smallButton(QStringLiteral("-"), {77, 128, 15, 9}, Hints::MinusCy);
    PlusCx->setAccessibleName(QStringLiteral("Шаг вверх Re(C)"));
    MinusCx->setAccessibleName(QStringLiteral("Шаг вниз Re(C)"));
    PlusCy->setAccessibleName(QStringLiteral("Шаг вверх Im(C)"));
    MinusCy->setAccessibleName(QStringLiteral("Шаг вниз Im(C)"));
    connect(PlusCx, &QToolButton::clicked, this, &TMainForm::PlusCxClick);
    connect(MinusCx, &QToolButton::clicked, this, &TMainForm::MinusCxClick);
    connect(PlusCy, &QToolButton::clicked, this, &TMainForm::PlusCyClick);
    connect(MinusCy, &QToolButton::clicked, this, &TMainForm::MinusCyClick);

    DownCx = GlyphButton(GroupBox1, TGlyph::Down, {13, 74, 22, 22}, Hints::DownCx);
    StopCx = GlyphButton(GroupBox1, TGlyph::Stop, {38, 74, 22, 22}, Hints::StopCx);
    UpCx = GlyphButton(GroupBox1, TGlyph::Up, {63, 74, 22, 22}, Hints::UpCx);
    DownCy = GlyphButton(GroupBox1, TGlyph::Down, {13, 162, 22, 22}, Hints::DownCy);
    StopCy = GlyphButton(GroupBox1, TGlyph::Stop, {38, 162, 22, 22}, Hints::StopCy);
    UpCy = GlyphButton(GroupBox1, TGlyph::Up, {63, 162, 22, 22}, Hints::UpCy);
    DownCx->setAccessibleName(QStringLiteral("Уменьшение Re(C)"));
    StopCx->setAccessibleName(QStringLiteral("Стоп Re(C)"));
    UpCx->setAccessibleName(QStringLiteral("Увеличение Re(C)"));
    DownCy->setAccessibleName(QStringLiteral("Уменьшение Im(C)"));
    StopCy->setAccessibleName(QStringLiteral("Стоп Im(C)"));
    UpCy->setAccessibleName(QStringLiteral("Увеличение Im(C)"));
    connect(DownCx, &QToolButton::clicked, this, &TMainForm::DownCxClick);
    connect(StopCx, &QToolButton::clicked, this, &TMainForm::StopCxClick);
    connect(UpCx, &QToolButton::clicked, this, &TMainForm::UpCxClick);
    connect(DownCy, &QToolButton::clicked, this, &TMainForm::DownCyClick);
    connect(StopCy, &QToolButton::clicked, this, &TMainForm::StopCyClick);
    connect(UpCy, &QToolButton::clicked, this, &TMainForm::UpCyClick);
    AnimationTimer.setInterval(0);
    connect(&AnimationTimer, &QTimer::timeout, this, &TMainForm::AnimationStep);

    CloseButton = new QPushButton(GlyphIcon(TGlyph::Close), QStringLiteral("Close"), client);
    CloseButton->setGeometry(600, 378, 65, 22);
    SetHint(CloseButton, Hints::CloseButton);

    PalBox = new QGroupBox(QStringLiteral("Палитра"), client);
    PalBox->setGeometry(40, 412, 641, 117);
    PaletteLine = new TImage(529, 15, PalBox);
    PaletteLine->move(8, 17);
    PaletteLine->setAccessibleName(PalBox->title());
    QLabel* const levelLabels[] = {
        Label(PalBox, QStringLiteral("R0"), 8, 46),   Label(PalBox, QStringLiteral("G0"), 8, 68),
        Label(PalBox, QStringLiteral("B0"), 8, 90),   Label(PalBox, QStringLiteral("R1"), 280, 46),
        Label(PalBox, QStringLiteral("G1"), 280, 68), Label(PalBox, QStringLiteral("B1"), 280, 90)};
    TrackBarR0 = TrackBar(PalBox, 0, 100, 4, {24, 38, 241, 22});
    TrackBarG0 = TrackBar(PalBox, 0, 100, 4, {24, 60, 241, 22});
    TrackBarB0 = TrackBar(PalBox, 0, 100, 4, {24, 82, 241, 22});
    TrackBarR1 = TrackBar(PalBox, 0, 40, 2, {296, 38, 241, 22});
    TrackBarG1 = TrackBar(PalBox, 0, 40, 2, {296, 60, 241, 22});
    TrackBarB1 = TrackBar(PalBox, 0, 40, 2, {296, 82, 241, 22});
    SetHint(TrackBarR0, Hints::TrackBarR0);
    SetHint(TrackBarG0, Hints::TrackBarG0);
    SetHint(TrackBarB0, Hints::TrackBarB0);
    SetHint(TrackBarR1, Hints::TrackBarR1);
    SetHint(TrackBarG1, Hints::TrackBarG1);
    SetHint(TrackBarB1, Hints::TrackBarB1);
    {
        QSlider* const bars[] = {TrackBarR0, TrackBarG0, TrackBarB0, TrackBarR1, TrackBarG1, TrackBarB1};
        for (int i = 0; i < 6; ++i)
            levelLabels[i]->setBuddy(bars[i]);
    }
    for (const auto& [bar, level] : PaletteLevels())
        connect(bar, &QSlider::valueChanged, this, [this, bar = bar, level = level] { PaletteTrackBarChange(bar, *level); });

    TypeOfPalette = new QComboBox(PalBox);
    for (const char* name : PaletteKindNames)
        TypeOfPalette->addItem(QLatin1String(name));
    TypeOfPalette->setGeometry(556, 16, 73, 20);
    SetHint(TypeOfPalette, Hints::TypeOfPalette);
    TypeOfPalette->setAccessibleName(QStringLiteral("Тип палитры"));
    connect(TypeOfPalette, &QComboBox::currentIndexChanged, this, &TMainForm::TypeOfPaletteChange);

    IsChPalette = new QCheckBox(QStringLiteral("Применять"), PalBox);
    IsChPalette->setGeometry(556, 48, 84, 17);
    IsChPalette->setChecked(true);
    SetHint(IsChPalette, Hints::IsChPalette);
    connect(IsChPalette, &QCheckBox::clicked, this, &TMainForm::IsChPaletteClick);

    ChPalette = new QToolButton(PalBox);
    ChPalette->setIcon(GlyphIcon(TGlyph::Apply));
    ChPalette->setText(QStringLiteral("Применить"));
    ChPalette->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);  // both fit in 73 pixels
    ChPalette->setGeometry(556, 73, 73, 27);
    ChPalette->setIconSize(QSize(9, 9));
    ChPalette->setEnabled(false);
    SetHint(ChPalette, Hints::ChPalette);
    connect(ChPalette, &QToolButton::clicked, this, &TMainForm::ChPaletteClick);

    connect(Pic, &TImage::MouseDown, this, &TMainForm::PicMouseDown);
    connect(Pic, &TImage::MouseMove, this, &TMainForm::PicMouseMove);
    connect(Pic, &TImage::MouseUp, this, &TMainForm::PicMouseUp);
    connect(GeneralView, &TImage::MouseDown, this, &TMainForm::GeneralViewMouseDown);
    connect(GeneralView, &TImage::MouseMove, this, &TMainForm::GeneralViewMouseMove);
    connect(GeneralView, &TImage::MouseUp, this, &TMainForm::GeneralViewMouseUp);
    NameControls(this);

    // Every hint of the window, those the picture takes with each tool too,
    // readable whole in panel 1.
    QStringList hints = Hints::All;
    for (const QWidget* w : findChildren<QWidget*>())
        if (!HintOf(w).isEmpty())
            hints << HintOf(w);
    FitHintLine(hints);
}
