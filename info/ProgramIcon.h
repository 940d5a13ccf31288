#pragma once
// The program's icon: the emblem's rabbit as a silhouette on a transparent
// ground, drawn for each size by the engine's own iteration.

#include <QByteArray>
#include <QIcon>
#include <QImage>
#include <QList>

// The sizes the window icon holds: those the desktop icons are drawn at.
QList<int> ProgramIconSizes();

// The icon at side x side pixels, premultiplied ARGB: up to 32 pixels one
// fill and an outline; larger, the emblem's escape-time colours inside.
QImage DrawProgramIcon(int side);

// The scalable icon, an SVG document in the largest icon's frame: its
// silhouette and outline, one colour for the bands, the set in the fill.
QByteArray ProgramIconSvg();

// The sizes of ProgramIconSizes up to WindowIconLargest in one icon, drawn:
// those of task bars and window switchers (docks show the desktop entry's
// own icon).
constexpr int WindowIconLargest = 64;
QIcon DrawnProgramIcon();

// The window's icon: the program's built-in copy of those sizes, drawn at
// build time (":/window-icon/NxN/apps/quilmora.png"), else drawn now. Both
// need the GUI application.
QIcon ProgramIcon();
