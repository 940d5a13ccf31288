#include "app/U_fullscreen.h"

#include "app/MainHost.h"
#include "app/WindowPlace.h"
#include "engine/Messages.h"
#include "engine/RenderPass.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QMouseEvent>

TFullScreenForm::TFullScreenForm(TMainHost& main)
    : QWidget(&main.Window(), Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint), Main(main)
{
    setObjectName(QStringLiteral("FullScreenForm"));
    // Borderless, but named in task bars as the program is.
    setWindowTitle(ProgramTitle);
    setAttribute(Qt::WA_DeleteOnClose);
    ProgramState& s = Main.State;
    const QRect screen = PrimaryScreenRect();
    s.FullScreenHeight = screen.height();
    s.FullScreenWidth = screen.width();
    setGeometry(screen);
    Image = new TImage(s.FullScreenWidth, s.FullScreenHeight, this);
    Image->move(0, 0);
    Image->setAccessibleName(QStringLiteral("Полный экран"));
    // A click is the left button; the others leave the view open.
    connect(Image, &TImage::MouseUp, this, [this](QMouseEvent* event) {
        if (event->button() == Qt::LeftButton)
            ImageClick();
    });
    RenderFullScreen(s, Image->Canvas);
}

void TFullScreenForm::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // Keys go to the picture at once, also without a window manager.
    raise();
    activateWindow();
}

void TFullScreenForm::keyPressEvent(QKeyEvent*)
{
    // Shortcuts of the main window were offered first; any other key closes,
    // a lone Shift, Ctrl or Alt included.
    close();
}

void TFullScreenForm::ImageClick()
{
    close();
}

void TFullScreenForm::closeEvent(QCloseEvent* event)
{
    Main.FullScreenClosed();
    event->accept();
}
