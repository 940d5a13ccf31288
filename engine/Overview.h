#pragma once
// The render pass, the overview frame and the synchronous full-screen render.

#include "ProgramState.h"

class TImageCanvas;

// Frame or marker from CenterX, CenterY, PicStep; sets the overview pen.
void UpdateOverviewFrame(ProgramState& s, TImageCanvas& generalView);
// Rectangle just outside the overview, red pen of width 1.
void ResetOverviewFrame(ProgramState& s, TImageCanvas& generalView);

// One pass of the render thread: main picture and overview into their
// bitmaps, then each copied onto its canvas under the canvas lock.
void RenderPass(ProgramState& s, TImageCanvas& pic, TImageCanvas& generalView);

// Draws the current frame or marker with the canvas pen.
void DrawOverviewFrame(const ProgramState& s, TImageCanvas& generalView);

// Full screen: FullScreenWidth x FullScreenHeight into FullScreenBitmap, then
// onto the canvas under its lock.
void RenderFullScreen(ProgramState& s, TImageCanvas& screen);
