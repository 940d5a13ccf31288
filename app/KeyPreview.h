#pragma once
// A window's key preview: the window sees every key press before its focused
// control and leaves the key to it.

#include <QEvent>
#include <QObject>

#include <functional>
#include <vector>

class QKeyEvent;
class QWidget;

// The key a Latin keyboard layout gives for the event's physical key: the
// event's own key where that is a Latin letter, digit, sign or a named key;
// otherwise (a Cyrillic letter, say) the key at the same place of a US
// keyboard. So U, plus and minus act whatever the active layout.
int LatinKey(const QKeyEvent* event);

class TKeyPreview : public QObject {
public:
    // Returns true where it has used up the key (it opened a window over the
    // control, say), so the control does not act on it afterwards.
    using THandler = std::function<bool(QKeyEvent*)>;
    enum class TShortcuts { AfterControls, BeforeControls };

    // Calls 'handler' once for every key pressed while 'window' has the focus,
    // none while a menu is open. While one is open no shortcut of the program
    // runs either: the keys are the menu's.
    // With BeforeControls no control of the window claims a key that is an
    // action's shortcut (a line edit would take Home or a letter).
    TKeyPreview(QWidget* window, THandler handler, TShortcuts shortcuts = TShortcuts::AfterControls);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Whether the key reaches 'w' first, not on its way up from a control.
    bool IsFirstDelivery(QWidget* w, const QKeyEvent* event);

    struct TSeen {
        const QEvent* Event;
        QEvent::Type Type;
        quint64 Time;
        int Key;
        Qt::KeyboardModifiers Modifiers;
    };
    // Keys a control of the window had first, until they reach the window.
    std::vector<TSeen> BelowWindow;
    QWidget* Window;
    THandler Handler;
    TShortcuts Shortcuts;
};
