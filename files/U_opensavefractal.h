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

    // The controls by their names in this dialog.
    QListWidget* const& FileList = List;
    QLineEdit* const& FileName = Name;
    TImage* const& PreView = Preview;
    QLabel* const& ImMess = Message;
    QLineEdit* const& Drive = Folder;
    QPushButton* const& OpenFractal = OpenButton;
    QPushButton* const& SaveFractal = SaveButton;
    QPushButton* const& Cansel = CancelButton;
    QCheckBox* IgnoreFPalette = nullptr;

    TSavedMainState SavedMainState;

    void IgnoreFPaletteClick();

    // The dialog's operations by their names here.
    void FillFractalList() { FillList(); }
    void PreviewSelectedFractal() { PreviewSelected(); }
    void RenderFractalPreview() { RenderPreview(); }
    void SaveMainState();
    void RestoreMainState() { RestoreState(); }
    void FileListClick(int row) { SelectEntry(row); }
    void SaveFractalClick() { SaveClick(); }

protected:
    void PreviewSelected() override;
    void RenderPreview() override;
    void RestoreState() override;
    void AfterDelete() override;
    void done(int result) override;
};

// The name a path of the fractal folder stands for: no folder, no extension.
QString FractalNameOf(const ProgramState& s, const QString& path);
