#pragma once
// The program's own mouse cursors, registered by number.

#include <QCursor>

enum TCursorSlot {
    CursorLupa = 1,      // "LUPA", zoom tool
    CursorCentr = 2,     // "CENTR", centring tool
    CursorSmoll = 3,     // "SMOLL", the overview
    CursorKoef = 4,      // "KOEF", coefficient tool
    CursorOpenHand = 5,  // "OPENHAND", hand tool
    CursorToFrom = 6,    // "TOFROM", to/from tool
    CursorSlide = 7,     // "SLIDE", fully transparent, over the slide show
};
constexpr int CursorCount = 7;

// Builds the cursors once; later calls do nothing.
void RegisterCursors();
// The cursor in a slot (1..7); the arrow for any other number.
QCursor CursorOf(int slot);
// Name and hot spot of a slot, for checks.
const char* CursorName(int slot);
QPoint CursorHotSpot(int slot);
// The cursor's picture on a transparent ground, for tool button glyphs.
QImage CursorPicture(int slot);
