#pragma once
// An image's drawing surface: a bitmap, a lock and a pen, shared between the
// thread that draws and the thread that paints it on screen.

#include "engine/ProgramState.h"

#include <QImage>
#include <QMutex>

class TImageCanvas {
public:
    TImageCanvas() = default;
    TImageCanvas(int width, int height);

    void SetSize(int width, int height);  // black, opaque
    int Width() const { return Image.width(); }
    int Height() const { return Image.height(); }

    void Lock() { Mutex.lock(); }
    void Unlock() { Mutex.unlock(); }

    // Drawing; callers hold the lock where another thread may paint.
    void Draw(int x, int y, const QImage& bitmap);
    void MoveTo(int x, int y);
    void LineTo(int x, int y);  // the end point itself is not drawn

    int PenWidth = 1;
    TColorRef PenColor = 0;

    // A copy of the image taken under the lock, for painting.
    QImage Snapshot();

    QImage Image;  // Format_RGB32

private:
    void Plot(int x, int y, QRgb colour);
    QMutex Mutex;
    int PenX = 0, PenY = 0;
};

QRgb RgbOfColorRef(TColorRef c);
