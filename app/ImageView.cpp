#include "app/ImageView.h"

#include <QMouseEvent>
#include <QPainter>

TImage::TImage(int width, int height, QWidget* parent) : QWidget(parent), Canvas(width, height)
{
    setFixedSize(width, height);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void DrawCrisp(QPainter& painter, const QPoint& at, const QImage& picture)
{
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.drawImage(QRect(at, picture.size() / picture.devicePixelRatio()), picture);
    painter.restore();
}

void TImage::paintEvent(QPaintEvent*)
{
    // Sizes and mouse positions stay in logical pixels; only the painting
    // meets the device's pixels.
    QPainter painter(this);
    DrawCrisp(painter, QPoint(0, 0), Canvas.Snapshot());
}

void TImage::mousePressEvent(QMouseEvent* event)
{
    emit MouseDown(event);
}

void TImage::mouseMoveEvent(QMouseEvent* event)
{
    emit MouseMove(event);
}

void TImage::mouseReleaseEvent(QMouseEvent* event)
{
    emit MouseUp(event);
}
