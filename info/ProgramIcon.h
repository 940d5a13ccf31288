#pragma once
// The program's icon: the emblem's rabbit as a silhouette on a transparent
// ground, drawn for each size by the engine's own iteration.

#include <QIcon>
#include <QImage>
#include <QList>

// The sizes the window icon holds: those the desktop icons are drawn at.
QList<int> ProgramIconSizes();

// The icon at side x side pixels, premultiplied ARGB: up to 32 pixels one
// fill and an outline; larger, the emblem's escape-time colours inside.
QImage DrawProgramIcon(int side);

// Every size of ProgramIconSizes in one icon; needs the GUI application.
QIcon ProgramIcon();
