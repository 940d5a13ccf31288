#include "app/KeyPreview.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMenuBar>
#include <QWidget>

#include <algorithm>

namespace {

// X keycodes (evdev codes + 8, as on X11 and Wayland) of the keys that carry
// letters, digits and signs, and what a US layout puts on them.
struct TPlace {
    quint32 ScanCode;
    int Key;
};
constexpr TPlace UsPlaces[] = {
    {10, Qt::Key_1}, {11, Qt::Key_2}, {12, Qt::Key_3}, {13, Qt::Key_4}, {14, Qt::Key_5}, {15, Qt::Key_6},
    {16, Qt::Key_7}, {17, Qt::Key_8}, {18, Qt::Key_9}, {19, Qt::Key_0}, {20, Qt::Key_Minus}, {21, Qt::Key_Equal},
    {24, Qt::Key_Q}, {25, Qt::Key_W}, {26, Qt::Key_E}, {27, Qt::Key_R}, {28, Qt::Key_T}, {29, Qt::Key_Y},
    {30, Qt::Key_U}, {31, Qt::Key_I}, {32, Qt::Key_O}, {33, Qt::Key_P}, {34, Qt::Key_BracketLeft},
    {35, Qt::Key_BracketRight}, {38, Qt::Key_A}, {39, Qt::Key_S}, {40, Qt::Key_D}, {41, Qt::Key_F},
    {42, Qt::Key_G}, {43, Qt::Key_H}, {44, Qt::Key_J}, {45, Qt::Key_K}, {46, Qt::Key_L},
    {47, Qt::Key_Semicolon}, {48, Qt::Key_Apostrophe}, {49, Qt::Key_QuoteLeft}, {51, Qt::Key_Backslash},
    {52, Qt::Key_Z}, {53, Qt::Key_X}, {54, Qt::Key_C}, {55, Qt::Key_V}, {56, Qt::Key_B}, {57, Qt::Key_N},
    {58, Qt::Key_M}, {59, Qt::Key_Comma}, {60, Qt::Key_Period}, {61, Qt::Key_Slash},
};

bool IsLatin(int key)
{
    return (key >= 0x20 && key <= 0x7e) || key >= Qt::Key_Escape;
}

// An open menu, list or other pop-up, or a menu bar worked with the
// keyboard: keys belong to it, not to shortcuts or windows behind it.
bool MenuHasKeyboard()
{
    return QApplication::activePopupWidget() || qobject_cast<QMenuBar*>(QApplication::focusWidget());
}

}  // namespace

int LatinKey(const QKeyEvent* event)
{
    const int key = event->key();
    if (IsLatin(key))
        return key;
    for (const TPlace& place : UsPlaces)
        if (place.ScanCode == event->nativeScanCode())
            return place.Key;
    return key;
}

TKeyPreview::TKeyPreview(QWidget* window, THandler handler, TShortcuts shortcuts)
    : QObject(window), Window(window), Handler(std::move(handler)), Shortcuts(shortcuts)
{
    qApp->installEventFilter(this);
}

bool TKeyPreview::IsFirstDelivery(QWidget* w, const QKeyEvent* event)
{
    // A key goes first to the focused control (or to the window itself when
    // none has the focus) and then, as the same event, up its parents. The
    // focus may be gone by the time it reaches the window (a modal window
    // opened and closed meanwhile): so a key first seen by a control is
    // remembered until it reaches the window.
    const TSeen seen{event, event->type(), event->timestamp(), event->key(), event->modifiers()};
    const auto same = [&seen](const TSeen& s) {
        return s.Event == seen.Event && s.Type == seen.Type && s.Time == seen.Time && s.Key == seen.Key &&
               s.Modifiers == seen.Modifiers;
    };
    const auto known = std::find_if(BelowWindow.begin(), BelowWindow.end(), same);
    QWidget* focus = QApplication::focusWidget();
    if (w == Window) {
        if (known != BelowWindow.end()) {
            BelowWindow.erase(known);
            return false;
        }
        return !focus || focus == Window;
    }
    if (w != focus)
        return false;
    // A key a control takes never reaches the window: keep only the latest.
    if (known != BelowWindow.end())
        BelowWindow.erase(known);
    if (BelowWindow.size() >= 16)
        BelowWindow.erase(BelowWindow.begin());
    BelowWindow.push_back(seen);
    return true;
}

bool TKeyPreview::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (type != QEvent::KeyPress && type != QEvent::ShortcutOverride)
        return false;
    if (type == QEvent::ShortcutOverride && MenuHasKeyboard()) {
        // Claimed for the menu: no shortcut runs, the key goes to the menu.
        event->accept();
        return true;
    }
    auto* w = qobject_cast<QWidget*>(watched);
    if (!w || w->window() != Window)
        return false;
    auto* key = static_cast<QKeyEvent*>(event);
    if (!IsFirstDelivery(w, key))
        return false;
    if (type == QEvent::ShortcutOverride) {
        if (Shortcuts == TShortcuts::AfterControls)
            return false;
        // Unclaimed: the shortcut map decides, and a key that is no shortcut
        // still reaches the control as a key press.
        event->ignore();
        return true;
    }
    if (MenuHasKeyboard())
        return false;
    return Handler(key);
}
