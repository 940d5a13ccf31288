#include "slides/U_slideform.h"

#include "app/WindowPlace.h"
#include "app/BusyCursor.h"
#include "app/Cursors.h"
#include "app/MainHost.h"
#include "engine/Messages.h"
#include "slides/U_slidelist.h"

#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>

#include <memory>

void TSlideForm::SlideShowExecute(TMainHost& main)
{
    ProgramState& s = main.State;
    if (s.SlideShowRunning || !main.RenderIdle())
        return;
    std::unique_ptr<TSlideList> slideFiles = TSlideList::Create(s.FractalsDir);
    if (!slideFiles) {
        ShowMessage(TMessageKind::Error, CaptionSlideShowError, MsgSlideListFailed);
        return;
    }
    if (slideFiles->Count() == 0) {
        ShowMessage(TMessageKind::Warning, CaptionSlideShowError, MsgNoSlides);
        return;
    }
    const TMainHost::TStateLoan loan(main);
    std::unique_ptr<TSlideForm> form;
    {
        const TBusyCursor busy(s, Qt::BusyCursor);
        main.StopAnimation();
        s.SlideShowRunning = true;
        form = std::make_unique<TSlideForm>(main, *slideFiles);
    }
    form->exec();
    form.reset();
    slideFiles.reset();
    if (s.FractalParams.FormulaKind == 1)
        SelectColourFunction(s);
}

TSlideForm::TSlideForm(TMainHost& main, TSlideList& slideFiles)
    : QDialog(&main.Window(), Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      Main(main),
      SlideFiles(slideFiles)
{
    setObjectName(QStringLiteral("SlideForm"));
    // Borderless, but named in task bars as the program is.
    setWindowTitle(ProgramTitle);
    setModal(true);
    QPalette teal = palette();
    teal.setColor(QPalette::Window, QColor(0, 128, 128));
    setPalette(teal);
    setAutoFillBackground(true);

    ProgramState& s = Main.State;
    SlideSavedState = TSlideSavedState::Of(s);
    const QRect screen = PrimaryScreenRect();
    SlideHeight = screen.height();
    SlideWidth = screen.width();
    setGeometry(screen.x(), screen.y(), SlideWidth, SlideHeight);
    SlideHalfWidth = SlideWidth / 2;
    SlideHalfHeight = SlideHeight / 2;

    Slide = new TImage(SlideWidth, SlideHeight, this);
    Slide->setObjectName(QStringLiteral("Slide"));
    Slide->move(0, 0);
    Slide->setAccessibleName(QStringLiteral("Слайд-Шоу"));
    Slide->setCursor(CursorOf(CursorSlide));
    connect(Slide, &TImage::MouseUp, this, [this](QMouseEvent* event) {
        if (event->button() == Qt::LeftButton)
            SlideClick();
    });

    Mes = new QLabel(QStringLiteral("( Неизвестный тип фрактала )"), this);
    Mes->setObjectName(QStringLiteral("Mes"));
    Mes->setAlignment(Qt::AlignCenter);
    QFont font = Mes->font();
    font.setPixelSize(27);
    Mes->setFont(font);
    QPalette aqua = Mes->palette();
    aqua.setColor(QPalette::WindowText, QColor(0, 255, 255));
    Mes->setPalette(aqua);
    Mes->adjustSize();
    // A click on the text itself does not end the show.
    Mes->setAttribute(Qt::WA_NoMousePropagation);
    Mes->hide();

    SlideBitmap = QImage(SlideWidth, SlideHeight, QImage::Format_RGB32);
    SlideBitmap.fill(Qt::black);

    Timer1.setInterval(SlideInterval(s.SlideDelay));
    connect(&Timer1, &QTimer::timeout, this, &TSlideForm::Timer1Timer);
    ShowNextSlide();
    Timer1.start();
}

void TSlideForm::Timer1Timer()
{
    // The delay counts from the end of each slide.
    Timer1.stop();
    ShowNextSlide();
    if (!Closed)
        Timer1.start();
}

void TSlideForm::ShowNextSlide()
{
    ProgramState& s = Main.State;
    LoadNextSlide(s, SlideFiles);
    if (s.FileFormulaKnown) {
        Mes->hide();
        Slide->show();
        RenderSlide(s, SlideBitmap);
        Slide->Canvas.Lock();
        Slide->Canvas.Draw(0, 0, SlideBitmap);
        Slide->Canvas.Unlock();
        Slide->update();
    } else {
        Slide->hide();
        Mes->move(int((width() - Mes->width()) * 0.5), int(height() * 0.4));
        Mes->show();
    }
}

bool TSlideForm::event(QEvent* event)
{
    // Every key ends the show, Tab and Esc alike.
    if (event->type() == QEvent::KeyPress) {
        FormKeyDown();
        return true;
    }
    return QDialog::event(event);
}

void TSlideForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // Keys come here at once, also without a window manager.
    raise();
    activateWindow();
}

void TSlideForm::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        FormClick();
}

void TSlideForm::FormKeyDown()
{
    close();
}

void TSlideForm::SlideClick()
{
    close();
}

void TSlideForm::FormClick()
{
    close();
}

void TSlideForm::done(int result)
{
    FormClose();
    QDialog::done(result);
}

void TSlideForm::FormClose()
{
    if (Closed)
        return;
    Closed = true;
    Timer1.stop();
    Main.State.SlideShowRunning = false;
    SlideSavedState.PutBack(Main.State);  // FilePath keeps the last slide read
}
