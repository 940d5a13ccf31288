#pragma once
// The program's emblem: a Julia set drawn by the program's own engine. The
// about window shows it at 73 x 73; the desktop icons are drawn from it.

#include <QImage>

QImage DrawEmblem(int side);
