#include "app/WindowPlace.h"

#include <QGuiApplication>
#include <QMargins>
#include <QScreen>
#include <QWidget>
#include <QWindow>

namespace {
// The frame the window manager gave the window; none while it has none.
QMargins FrameOf(const QWidget& window)
{
    const QWindow* handle = window.windowHandle();
    return handle && window.testAttribute(Qt::WA_WState_Created) ? handle->frameMargins() : QMargins();
}
}  // namespace

QSize OuterSize(const QWidget& window, const QWidget& framed)
{
    QMargins frame = FrameOf(window);
    if (frame.isNull())
        frame = FrameOf(framed);
    return window.size().grownBy(frame);
}

QRect PrimaryScreenRect()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->geometry() : QRect(0, 0, 1024, 768);
}
