#pragma once
// The slide show: every stored fractal full screen in turn, on a timer,
// until a key or a click.

#include "app/ImageView.h"
#include "engine/SavedState.h"

#include <QDialog>
#include <QImage>
#include <QTimer>

class QLabel;
class TMainHost;
class TSlideList;

class TSlideForm : public QDialog {
    Q_OBJECT
public:
    // The show from the main window's action; returns when it has ended.
    static void SlideShowExecute(TMainHost& main);

    // Shows the first slide before it returns.
    TSlideForm(TMainHost& main, TSlideList& slideFiles);

    TImage* Slide = nullptr;
    QLabel* Mes = nullptr;
    QTimer Timer1;
    QImage SlideBitmap;
    TSlideSavedState SlideSavedState;
    int SlideWidth = 0, SlideHeight = 0;
    int SlideHalfWidth = 0, SlideHalfHeight = 0;

    void Timer1Timer();
    void SlideClick();
    void FormClick();
    void FormKeyDown();
    void FormClose();
    void done(int result) override;

protected:
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void ShowNextSlide();

    TMainHost& Main;
    TSlideList& SlideFiles;
    bool Closed = false;
};
