#pragma once
// The hint line: hints are never pop-ups; the hint of the control under the
// pointer (or of its nearest ancestor that has one) shows in one status-bar
// panel of the main window, for every window of the program, and the panel is
// cleared over unhinted areas.

#include <QString>

class QLabel;
class QWidget;

// Gives a control its hint (also its accessible description) and refreshes the
// hint line when the pointer rests on it.
void SetHint(QWidget* widget, const QString& hint);
QString HintOf(const QWidget* widget);

// Makes 'panel' the hint line. Installed once for the whole application; a
// later call moves the line to another panel, nullptr switches it off.
void InstallHintLine(QLabel* panel);
