#include "app/ImageView.h"

#include <QMouseEvent>
#include <QPainter>

TImage::TImage(int width, int height, QWidget* parent) : QWidget(parent), Canvas(width, height)
{
    setFixedSize(width, height);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TImage::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.drawImage(0, 0, Canvas.Snapshot());
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
