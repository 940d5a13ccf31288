#pragma once
// The program's messages as modal message boxes.

// Routes the program's messages to message boxes over the active window (none
// before the main window shows). Install before any window is built, so that
// a message of the start-up shows as a box too.
void InstallMessageBoxes();
