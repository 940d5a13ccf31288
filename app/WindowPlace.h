#pragma once
// Windows are placed by their outer size, frame included, as a user sees them.

#include <QRect>
#include <QSize>

class QWidget;

// The size 'window' takes on the screen with its frame: the frame it has once
// the window manager gave it one; before that, its client size with the frame
// of 'framed', a window of the same desktop already shown, whose title bar
// and borders a new window gets too.
QSize OuterSize(const QWidget& window, const QWidget& framed);

// The primary screen's geometry; 1024 x 768 at the origin when there is none.
QRect PrimaryScreenRect();
