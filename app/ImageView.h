#pragma once
// An image control: shows its canvas, which other threads may draw on.

#include "engine/ImageCanvas.h"

#include <QWidget>

class TImage : public QWidget {
    Q_OBJECT
public:
    TImage(int width, int height, QWidget* parent = nullptr);
    TImageCanvas Canvas;

signals:
    void MouseDown(QMouseEvent* event);
    void MouseMove(QMouseEvent* event);
    void MouseUp(QMouseEvent* event);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
};
