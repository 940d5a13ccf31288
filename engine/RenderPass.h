#pragma once
// The render thread's pass and the synchronous full-screen render.

#include "engine/ProgramState.h"

class TImageCanvas;

// One pass of the render thread: main picture and overview into their
// bitmaps, then each copied onto its canvas under the canvas lock.
void RenderPass(ProgramState& s, TImageCanvas& pic, TImageCanvas& generalView);

// Full screen: FullScreenWidth x FullScreenHeight into FullScreenBitmap, then
// onto the canvas under its lock.
void RenderFullScreen(ProgramState& s, TImageCanvas& screen);
