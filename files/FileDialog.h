#pragma once
// What the fractal and the palette dialogs share: a modal window over one
// folder's files in open or save mode, a live preview from the main window's
// state, the remembered entry, the confirmation and replace question, the key
// table, delete and rename. The two dialogs differ in data and in a few steps.

#include "files/FileBrowser.h"

#include <QDialog>
#include <QRect>

class QAction;
class QGroupBox;
class QImage;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QPushButton;
class TImage;
class TMainHost;

struct TFileDialogLayout {
    QSize Client;
    QPoint FolderLabel;
    QRect FolderEdit, List;
    QPoint NameLabel;
    QRect NameEdit, Group;
    QString GroupCaption;
    QPoint PreviewAt, MessageAt;
    QRect OpenButton, SaveButton, CancelButton;
    QString FolderHint, ListHint, NameHint, PreviewHint;
    QString OpenHint, SaveHint, CancelOpenHint, CancelSaveHint;
    QString RenameCaption;  // of the context menu's rename item
    QString OldNameLabel, NewNameLabel;  // of the rename dialog
};

class TFileDialog : public QDialog {
    Q_OBJECT
public:
    // Shown by the proposal of a preview that cannot be shown.
    static const QString NoFilesText;  // "            ( Нет )"

    TFileBrowser Browser;
    const bool OpenMode;

    QLabel* FolderLabel = nullptr;
    QLineEdit* Folder = nullptr;
    QListWidget* List = nullptr;
    QLabel* NameLabel = nullptr;
    QLineEdit* Name = nullptr;
    QGroupBox* Group = nullptr;
    TImage* Preview = nullptr;
    QLabel* Message = nullptr;
    QPushButton* OpenButton = nullptr;
    QPushButton* SaveButton = nullptr;
    QPushButton* CancelButton = nullptr;
    QMenu* ContextMenu = nullptr;
    QAction* DeleteAction = nullptr;
    QAction* RenameAction = nullptr;

    // Selecting an entry: the path, the name field, the remembered index and,
    // in open mode, the preview.
    void SelectEntry(int row);
    // Confirm in save mode: the replace question once per matching entry.
    void SaveClick();
    // Enter, Delete and R (Esc is the dialog's own); true when R opened the
    // rename dialog, which uses the key up.
    bool FormKeyDown(QKeyEvent* event);
    // The double-clicks on the list, the name and the preview.
    void EntryDoubleClick();
    void DeleteFileExecute();
    void RenFileExecute();
    // Delete with the question first (the Delete key).
    void DeleteAsked();

protected:
    TFileDialog(TMainHost& main, bool openMode, const TFileKind& kind, const QString& folder, int32_t& listIndex,
                const TFileDialogLayout& layout);

    // Placement, current folder; then the subclass saves its copy and fills.
    void Prepare();
    // Lists the folder and selects or proposes.
    void FillList();
    // The selected file into the state and its preview, or a message.
    virtual void PreviewSelected() = 0;
    // The picture of the state into the preview.
    void RenderPreviewPicture(QImage& bitmap);
    virtual void RenderPreview() = 0;
    // The state as the dialog found it.
    virtual void RestoreState() = 0;
    // After a successful delete; the entry index has moved already.
    virtual void AfterDelete() = 0;
    // Shows a text instead of the preview, or the preview when empty.
    void ShowMessageText(const QString& text);
    bool HasSelection() const;

    void done(int result) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

    TMainHost& Main;
    int32_t& ListIndex;
    TFileDialogLayout Layout;
};
