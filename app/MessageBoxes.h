#pragma once
// Message boxes of the four kinds, shown with QMessageBox.

class QWidget;

// Routes the program's messages to modal message boxes over 'parent'.
void InstallMessageBoxes(QWidget* parent);
