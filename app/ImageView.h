#pragma once
// An image control: shows its canvas, which other threads may draw on.

#include "engine/ImageCanvas.h"

#include <QWidget>

class QPainter;

// Draws a picture at 'at' in logical pixels, one logical pixel per picture
// pixel: on a dense screen each picture pixel becomes a block of whole device
// pixels of its own colour, never smoothed into its neighbours.
void DrawCrisp(QPainter& painter, const QPoint& at, const QImage& picture);

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
