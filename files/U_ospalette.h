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

    // The controls by their names in this dialog.
    QListWidget* const& PalList = List;
    QLineEdit* const& FileText = Name;
    TImage* const& With = Preview;
    QLabel* const& ImText = Message;
    QLineEdit* const& PathText = Folder;
    QPushButton* const& OpenBut = OpenButton;
    QPushButton* const& SaveBut = SaveButton;
    QPushButton* const& CanBut = CancelButton;

    TSavedPalette SavedPalette;

    // The dialog's operations by their names here.
    void FillPaletteList() { FillList(); }
    void PreviewSelectedPalette() { PreviewSelected(); }
    void RenderPalettePreview() { RenderPreview(); }
    void SavePaletteState();
    void RestorePaletteState() { RestoreState(); }
    void PalListClick(int row) { SelectEntry(row); }
    void SaveButClick() { SaveClick(); }
    void DelPalFileExecute() { DeleteFileExecute(); }
    void ReNamePalExecute() { RenFileExecute(); }
    // What reading the selected entry gave.
    TReadOutcome SelectedRead = TReadOutcome::CannotOpen;

protected:
    void PreviewSelected() override;
    void RenderPreview() override;
    void RestoreState() override;
    void AfterDelete() override;
};
