#pragma once
// The formula's colouring function.

#include "engine/ProgramState.h"

// z <- z^2 + C from z0 = (x, y); returns the table entry of the escape count,
// or entry 0 when the orbit stays bounded past the iteration limit.
const TColourEntry& SquareColour(const ProgramState& s, float x, float y);
