#pragma once
// The overview's frame (or marker) of the current view.

#include "engine/ProgramState.h"

class TImageCanvas;

// Frame or marker from CenterX, CenterY, PicStep; sets the overview pen.
void UpdateOverviewFrame(ProgramState& s, TImageCanvas& generalView);
// Rectangle just outside the overview, red pen of width 1.
void ResetOverviewFrame(ProgramState& s, TImageCanvas& generalView);

// Draws the current frame or marker with the canvas pen.
void DrawOverviewFrame(const ProgramState& s, TImageCanvas& generalView);
