#pragma once
// The palette dialog, open or save, and the two actions that drive it.

#include "engine/SavedState.h"
#include "files/FileDialog.h"
#include "files/FileFormats.h"

class TOSPalette : public TFileDialog {
    Q_OBJECT
public:
    // The main window's actions.
    static void OpenPaletteExecute(TMainHost& main);
    static void SavePaletteExecute(TMainHost& main);

    TOSPalette(TMainHost& main, bool openMode);

    TSavedPalette SavedPalette;
    void SavePaletteState();
    // What reading the selected entry gave.
    TReadOutcome SelectedRead = TReadOutcome::CannotOpen;

protected:
    void PreviewSelected() override;
    void RenderPreview() override;
    void RestoreState() override;
    void AfterDelete() override;
};
