#pragma once
// The program's emblem: a Julia set drawn by the program's own engine. The
// about window shows it at 73 x 73; the program's icons draw the same set.

#include "engine/ProgramState.h"

#include <QImage>

#include <memory>

// Douady's rabbit in the start palette, the formula's colouring selected.
std::unique_ptr<ProgramState> EmblemState();

QImage DrawEmblem(int side);
