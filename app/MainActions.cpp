// Every action of the main window, in one table: its member, caption, key,
// image, menu, handler and kind; menu items and buttons are bound to them.

#include "app/U_mainform.h"

#include "app/Glyphs.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QToolButton>

#include <optional>
#include <vector>

namespace {

// Bar: a command of the menu bar itself, after the menu of the row before it.
enum class TMenu { None, File, Fractal, View, Help, Bar };

// Radio items and the tools are exclusive groups.
enum class TCheck { No, Formula, Tool };

}  // namespace

struct TMainForm::TActionRow {
    QAction* TMainForm::*Member;
    QString Caption;
    QKeySequence Shortcut;
    std::optional<TGlyph> Glyph;
    TMenu Menu;
    void (TMainForm::*Handler)();
    TCheck Check = TCheck::No;
    // Enabled while this holds; always when empty.
    bool (TMainHost::*Enabled)() const = nullptr;
    bool SeparatorBefore = false;
};

// Menu items in menu order; the tool actions bind the left buttons.
const std::vector<TMainForm::TActionRow>& TMainForm::ActionRows()
{
    static const std::vector<TActionRow> rows = {
        {&TMainForm::OpenFract, QStringLiteral("&Открыть фрактал.."), Qt::Key_O, TGlyph::MenuOpenFractal,
         TMenu::File, &TMainForm::OpenFractExecute},
        {&TMainForm::SaveCrntFrct, QStringLiteral("С&охранить"), Qt::SHIFT | Qt::Key_S, {}, TMenu::File,
         &TMainForm::SaveCrntFrctExecute, TCheck::No, &TMainHost::HasCurrentFractal},
        {&TMainForm::SaveFractal, QStringLiteral("&Сохранить фрактал.."), Qt::Key_S, TGlyph::MenuSaveFractal,
         TMenu::File, &TMainForm::SaveFractalExecute},
        {&TMainForm::OpenPalette, QStringLiteral("Отк&рыть палитру.."), Qt::Key_P, {}, TMenu::File,
         &TMainForm::OpenPaletteExecute},
        {&TMainForm::SavePalette, QStringLiteral("Со&хранить палитру.."), Qt::Key_W, {}, TMenu::File,
         &TMainForm::SavePaletteExecute},
        {&TMainForm::SaveImage, QStringLiteral("Сохранить &как.."), Qt::Key_F7, TGlyph::MenuSaveImage, TMenu::File,
         &TMainForm::SaveImageExecute},
        {&TMainForm::CloseApp, QStringLiteral("&Выйти"), Qt::CTRL | Qt::Key_Q, TGlyph::MenuClose, TMenu::File,
         &TMainForm::CloseAppExecute, TCheck::No, nullptr, true},
        {&TMainForm::FractalN1, QStringLiteral("&Z <- Z^2 + C"), {}, {}, TMenu::Fractal,
         &TMainForm::FractalN1Execute, TCheck::Formula},
        {&TMainForm::FullScr, QStringLiteral("&Полный экран"), Qt::Key_F, TGlyph::MenuFullScreen, TMenu::View,
         &TMainForm::FullScrExecute},
        {&TMainForm::SlideShow, QStringLiteral("&Слайд-Шоу"), Qt::Key_F10, {}, TMenu::View,
         &TMainForm::SlideShowExecute},
        {&TMainForm::Options, QStringLiteral("О&пции"), {}, {}, TMenu::Bar, &TMainForm::OptionsExecute},
        {&TMainForm::Descript, QStringLiteral("&Описание"), Qt::Key_F1, TGlyph::MenuDescription, TMenu::Help,
         &TMainForm::DescriptExecute},
        {&TMainForm::A_Program, QStringLiteral("О &программе"), {}, {}, TMenu::Help, &TMainForm::A_ProgramExecute},
        {&TMainForm::KoefScr, {}, Qt::Key_K, TGlyph::Koef, TMenu::None, &TMainForm::KoefScrExecute, TCheck::Tool},
        {&TMainForm::Zoom, {}, Qt::Key_L, TGlyph::Lupa, TMenu::None, &TMainForm::ZoomExecute, TCheck::Tool},
        {&TMainForm::ToCur, {}, Qt::Key_C, TGlyph::Center, TMenu::None, &TMainForm::ToCurExecute, TCheck::Tool},
        {&TMainForm::HandTool, {}, Qt::Key_H, TGlyph::Hand, TMenu::None, &TMainForm::HandToolExecute, TCheck::Tool},
        {&TMainForm::FromTo, {}, Qt::Key_A, TGlyph::ToFrom, TMenu::None, &TMainForm::FromToExecute, TCheck::Tool},
        {&TMainForm::DefaultPar, {}, Qt::Key_Home, TGlyph::Default, TMenu::None, &TMainForm::DefaultParExecute},
    };
    return rows;
}

void TMainForm::BuildActions()
{
    const std::pair<QMenu* TMainForm::*, QString> menus[] = {
        {&TMainForm::MenuFile, QStringLiteral("&Файл")},
        {&TMainForm::MenuFractal, QStringLiteral("Ф&рактал")},
        {&TMainForm::MenuView, QStringLiteral("&Вид")},
        {&TMainForm::MenuHelp, QStringLiteral("&Справка")},
    };
    for (const auto& [member, caption] : menus)
        this->*member = menuBar()->addMenu(caption);
    // The help menu's own action opens the submenu only.
    About = MenuHelp->menuAction();
    connect(About, &QAction::triggered, this, &TMainForm::AboutExecute);

    auto* formulas = new QActionGroup(this);
    auto* tools = new QActionGroup(this);
    QMenu* lastMenu = MenuFile;
    for (const TActionRow& row : ActionRows()) {
        auto* a = new QAction(row.Caption, this);
        a->setShortcut(row.Shortcut);
        // Also while the full-screen view is active; a modal window blocks them.
        a->setShortcutContext(Qt::ApplicationShortcut);
        if (row.Glyph)
            a->setIcon(GlyphIcon(*row.Glyph));
        if (row.Check != TCheck::No) {
            a->setCheckable(true);
            (row.Check == TCheck::Formula ? formulas : tools)->addAction(a);
        }
        connect(a, &QAction::triggered, this, row.Handler);
        addAction(a);
        if (row.Menu == TMenu::Bar) {
            const QList<QAction*> bar = menuBar()->actions();
            const qsizetype at = bar.indexOf(lastMenu->menuAction()) + 1;
            menuBar()->insertAction(at < bar.size() ? bar[at] : nullptr, a);
        } else if (row.Menu != TMenu::None) {
            QMenu* menu = this->*menus[static_cast<int>(row.Menu) - 1].first;
            if (row.SeparatorBefore)
                menu->addSeparator();
            menu->addAction(a);
            lastMenu = menu;
        }
        this->*row.Member = a;
    }
    KoefScr->setChecked(true);

    // Buttons show their action's state; a press that is dropped leaves the
    // current tool's button pressed.
    const std::pair<QToolButton* TMainForm::*, QAction* TMainForm::*> bound[] = {
        {&TMainForm::Koef, &TMainForm::KoefScr},     {&TMainForm::Lupa, &TMainForm::Zoom},
        {&TMainForm::Center, &TMainForm::ToCur},     {&TMainForm::Hand, &TMainForm::HandTool},
        {&TMainForm::To_From, &TMainForm::FromTo},   {&TMainForm::DefButton, &TMainForm::DefaultPar},
    };
    for (const auto& [button, action] : bound)
        (this->*button)->setDefaultAction(this->*action);
    // Push buttons with captions of their own.
    connect(CloseButton, &QPushButton::clicked, CloseApp, &QAction::trigger);
    connect(FullScreenButton, &QPushButton::clicked, FullScr, &QAction::trigger);

    UpdateActions();
}

void TMainForm::UpdateActions()
{
    for (const TActionRow& row : ActionRows())
        if (row.Enabled)
            (this->*row.Member)->setEnabled((this->*row.Enabled)());
    // The quick save names the file it writes.
    SaveCrntFrct->setText(HasCurrentFractal() ? QStringLiteral("С&охранить ") + State.CurrentFractalName
                                              : QStringLiteral("С&охранить"));
}
