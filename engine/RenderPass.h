#pragma once
// The render thread's pass and the synchronous full-screen render.

#include "engine/ProgramState.h"

class TImageCanvas;

// One pass of the render thread: main picture and overview of 'job' (the
// values CopyPictureValues copies) into the bitmaps of 's', then each copied
// onto its canvas under the canvas lock. Nothing else of 's' is read.
void RenderPass(const ProgramState& job, ProgramState& s, TImageCanvas& pic, TImageCanvas& generalView);
// The same pass of the values of 's' itself.
void RenderPass(ProgramState& s, TImageCanvas& pic, TImageCanvas& generalView);

// Full screen: FullScreenWidth x FullScreenHeight into FullScreenBitmap, then
// onto the canvas under its lock.
void RenderFullScreen(ProgramState& s, TImageCanvas& screen);

// The file dialogs' preview: PreviewWidth x PreviewHeight of the current
// fractal, centred on its centre, its width spread over the preview's columns,
// into 'bitmap' (made 32-bit at that size) and then onto the canvas under its lock.
constexpr int PreviewWidth = 145, PreviewHeight = 105;
void RenderPreview(const ProgramState& s, QImage& bitmap, TImageCanvas& preview);
