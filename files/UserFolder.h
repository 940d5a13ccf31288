#pragma once
// Where an installed program keeps its files. Installed, the executable sits in
// bin/ with the shipped samples in share/quilmora beside it; started anywhere
// but in a program folder, the program then works in the user's own folder,
// prepared from those samples. Widget-free: paths in, paths and texts out.

#include <QString>

// A folder with fractals/ and paletts/ in it.
bool IsProgramFolder(const QString& dir);

struct TFolderChoice {
    QString Shipped;  // the samples to prepare Folder from; empty: stay where started
    QString Folder;
};

// The user's folder home/Quilmora, with exeDir/shippedFromBin as its samples,
// when that folder of samples exists and currentDir is no program folder.
TFolderChoice ChooseProgramFolder(const QString& exeDir, const QString& shippedFromBin, const QString& currentDir,
                                  const QString& home);

// Makes folder from shipped without ever overwriting a file: a subfolder
// (fractals/, paletts/) is copied whole only when folder lacks it, so a sample
// the user deleted stays deleted; a file at the top (Description.rtf,
// AboutQMR.txt) is copied whenever it is missing. Returns an empty string, or
// the message saying why the folder cannot be used.
QString PrepareProgramFolder(const QString& shipped, const QString& folder);

// The message for a folder that cannot be used, with the step that failed.
QString UnusableFolderMessage(const QString& folder, const QString& reason);
