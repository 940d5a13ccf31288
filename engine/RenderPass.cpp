#include "engine/RenderPass.h"

#include "engine/ImageCanvas.h"
#include "engine/Overview.h"
#include "engine/RasterWalk.h"

#include <algorithm>

namespace {
void EnsureBitmap(QImage& bitmap, int width, int height)
{
    if (bitmap.width() != width || bitmap.height() != height ||
        bitmap.format() != QImage::Format_RGB32) {
        bitmap = QImage(width, height, QImage::Format_RGB32);
        bitmap.fill(Qt::black);
    }
}
}  // namespace

void RenderPass(const ProgramState& job, ProgramState& s, TImageCanvas& pic, TImageCanvas& generalView)
{
    EnsureBitmap(s.PicBitmap, PicWidth, PicHeight);
    RasterWalk(job, MainPictureRaster(job), TargetOf(s.PicBitmap));
    pic.Lock();
    pic.Draw(0, 0, s.PicBitmap);
    pic.Unlock();

    EnsureBitmap(s.OverviewBitmap, OverviewWidth, OverviewHeight);
    RasterWalk(job, OverviewRaster(job), TargetOf(s.OverviewBitmap));
    generalView.Lock();
    generalView.Draw(0, 0, s.OverviewBitmap);
    DrawOverviewFrame(job, generalView);
    generalView.Unlock();
}

void RenderPass(ProgramState& s, TImageCanvas& pic, TImageCanvas& generalView)
{
    RenderPass(s, s, pic, generalView);
}

void RenderFullScreen(ProgramState& s, TImageCanvas& screen)
{
    const int w = std::max(0, s.FullScreenWidth), h = std::max(0, s.FullScreenHeight);
    EnsureBitmap(s.FullScreenBitmap, w, h);
    const TRaster r = CentredRaster(s, w, h);
    s.FullScreenStep = r.Step;
    RasterWalk(s, r, TargetOf(s.FullScreenBitmap));
    screen.Lock();
    screen.Draw(0, 0, s.FullScreenBitmap);
    screen.Unlock();
}

void RenderPreview(const ProgramState& s, QImage& bitmap, TImageCanvas& preview)
{
    EnsureBitmap(bitmap, PreviewWidth, PreviewHeight);
    RasterWalk(s, CentredRaster(s, PreviewWidth, PreviewHeight), TargetOf(bitmap));
    preview.Lock();
    preview.Draw(0, 0, bitmap);
    preview.Unlock();
}
