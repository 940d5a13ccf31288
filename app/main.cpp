// Quilmora: an explorer of filled-in Julia sets of z <- z^2 + C.

#include "ImageView.h"
#include "MessageBoxes.h"
#include "Messages.h"
#include "Overview.h"
#include "Palette.h"
#include "ProgramState.h"
#include "RenderThread.h"

#include <QApplication>
#include <QDir>
#include <QScreen>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(ProgramTitle);

    ProgramState state;
    QWidget window;
    window.setWindowTitle(ProgramTitle);
    window.setFixedSize(690, 554);
    InstallMessageBoxes(&window);

    TImage pic(PicWidth, PicHeight, &window);
    pic.move(46, 0);
    TImage generalView(OverviewWidth, OverviewHeight, &window);
    generalView.move(592, 45);
    TImage paletteLine(529, 15, &window);
    paletteLine.move(48, 429);

    state.StartDir = QDir::currentPath();
    state.FractalsDir = state.StartDir + QStringLiteral("/fractals");
    state.PalettesDir = state.StartDir + QStringLiteral("/paletts");
    ResetOverviewFrame(state, generalView.Canvas);
    BuildColourTable(state);
    DrawPaletteLine(state, paletteLine.Canvas);

    TThreadFract render(state, pic.Canvas, generalView.Canvas);
    QObject::connect(&render, &TThreadFract::PassDrawn, &pic, qOverload<>(&QWidget::update),
                     Qt::QueuedConnection);
    QObject::connect(&render, &TThreadFract::PassDrawn, &generalView, qOverload<>(&QWidget::update),
                     Qt::QueuedConnection);
    render.start();

    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect g = screen->geometry();
        window.move(g.x() + (g.width() - window.frameGeometry().width()) / 2,
                    g.y() + (g.height() - window.frameGeometry().height()) / 2);
    }
    window.show();
    const int result = app.exec();
    render.Stop();
    return result;
}
