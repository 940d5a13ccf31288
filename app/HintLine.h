#pragma once
// The hint line: hints are never pop-ups; the hint of the control under the
// pointer (or of its nearest ancestor that has one) shows in one status-bar
// panel of the main window, for every window of the program, and the panel is
// cleared over unhinted areas.

#include <QString>
#include <QStringList>

class QLabel;
class QWidget;

// Gives a control its hint (also its accessible description) and refreshes the
// hint line when the pointer rests on it.
void SetHint(QWidget* widget, const QString& hint);
QString HintOf(const QWidget* widget);

// Accessible names for every control of a window that has none yet: its own
// caption (mnemonic and line breaks taken out), else the text of the label
// that names it (its buddy, without the colon), else its hint without the
// leading blank and the key in parentheses. Labels keep their live text; a
// name taken from the caption follows the caption when it changes.
void NameControls(QWidget* window);
// A hint as a name: " Закрывает программу (Ctrl+Q)" -> "Закрывает программу".
QString NameFromHint(const QString& hint);

// The hint line's font: the panel's own where the widest of 'hints' fits the
// panel whole, else the largest smaller pixel size where it does. Chosen
// again whenever the panel's width changes.
void FitHintLine(const QStringList& hints);

// Makes 'panel' the hint line. Installed once for the whole application; a
// later call moves the line to another panel, nullptr switches it off.
void InstallHintLine(QLabel* panel);
