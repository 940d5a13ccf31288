#pragma once
// Palette synthesis: the colour table from the palette kind and six levels.

#include "engine/ProgramState.h"

class TImageCanvas;

// Rebuilds entries 0..8189 of ColourTable; 8190 and 8191 stay untouched.
void BuildColourTable(ProgramState& s);

// Paints entries 0..255 stretched over the strip's columns.
void DrawPaletteLine(ProgramState& s, TImageCanvas& line);

// Combo box items in palette-kind order (kind = index + 1).
extern const char* const PaletteKindNames[PaletteKindCount];
