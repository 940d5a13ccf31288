#pragma once
// The current fractal computed at the screen's resolution, borderless and on top.

#include "app/ImageView.h"

#include <QWidget>

class TMainHost;

class TFullScreenForm : public QWidget {
    Q_OBJECT
public:
    // Computes the whole picture before it returns.
    explicit TFullScreenForm(TMainHost& main);

    TImage* Image = nullptr;

    void ImageClick();

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    TMainHost& Main;
};
