#pragma once
// The fractal dialog, open or save, and the three actions that drive it.

#include "engine/SavedState.h"
#include "files/FileDialog.h"

class QCheckBox;

class TOpenSaveFractal : public TFileDialog {
    Q_OBJECT
public:
    // The main window's actions.
    static void OpenFractExecute(TMainHost& main);
    static void SaveFractalExecute(TMainHost& main);
    static void SaveCrntFrctExecute(TMainHost& main);

    TOpenSaveFractal(TMainHost& main, bool openMode);

    QCheckBox* IgnoreFPalette = nullptr;

    TSavedMainState SavedMainState;

    void IgnoreFPaletteClick();
    void SaveMainState();

protected:
    void PreviewSelected() override;
    void RenderPreview() override;
    void RestoreState() override;
    void AfterDelete() override;
    void done(int result) override;
};

// The name a path of the fractal folder stands for: no folder, no extension.
QString FractalNameOf(const ProgramState& s, const QString& path);
