#pragma once
// The program's entry, apart from main() so that tests can run it.

#include <QWidget>

#include <functional>
#include <memory>

// Title, font and message boxes; before any window is built.
void PrepareApplication();

// Installed and started outside a program folder: prepares the user's folder
// and makes it the current one, before anything reads a file. False, after a
// message, when that folder cannot be used.
bool EnterProgramFolder();

// Builds the main window, shows it and runs the event loop. An exception that
// reaches here is shown in a message box, and the program then returns 0.
int RunProgram(const std::function<std::unique_ptr<QWidget>()>& makeMainWindow);
