#include "files/U_ospalette.h"

#include "app/BusyCursor.h"
#include "app/MainHost.h"
#include "engine/Messages.h"
#include "files/FileFormats.h"

#include <QLineEdit>

namespace {
const TFileDialogLayout PaletteLayout{
    .Client = {409, 178},
    .FolderLabel = {16, 8},
    .FolderEdit = {48, 8, 169, 21},
    .List = {16, 32, 201, 105},
    .NameLabel = {16, 144},
    .NameEdit = {48, 144, 169, 21},
    .Group = {232, 6, 161, 131},
    .GroupCaption = QStringLiteral("Preview"),
    .PreviewAt = {8, 14},
    .MessageAt = {40, 56},
    .OpenButton = {232, 144, 73, 22},
    .SaveButton = {232, 144, 73, 22},
    .CancelButton = {320, 144, 73, 22},
    .FolderHint = QStringLiteral(" Каталог палитр"),
    .ListHint = QStringLiteral(" Палитры находящиеся в каталоге"),
    .NameHint = QStringLiteral(" Выбранный файл"),
    .PreviewHint = QStringLiteral(" Область предпросмотра"),
    .OpenHint = QStringLiteral(" Открывает выбранную палитру"),
    .SaveHint = QStringLiteral(" Сохраняет палитру под выбранным именем"),
    .CancelOpenHint = QStringLiteral(" Закрывает форму 'Открытие палитры'"),
    .CancelSaveHint = QStringLiteral(" Закрывает форму 'Сохранение палитры'"),
    .RenameCaption = QStringLiteral("Переименовать файл"),
    .OldNameLabel = QStringLiteral("Старое имя:"),
    .NewNameLabel = QStringLiteral("Новое имя:"),
};
}  // namespace

TOSPalette::TOSPalette(TMainHost& main, bool openMode)
    : TFileDialog(main, openMode, PaletteFiles, main.State.PalettesDir, main.State.PaletteListIndex, PaletteLayout)
{
    Folder->setReadOnly(true);
    Prepare();
    SavePaletteState();
    FillList();
}

void TOSPalette::SavePaletteState()
{
    SavedPalette = TSavedPalette::Of(Main.State);
}

void TOSPalette::PreviewSelected()
{
    ProgramState& s = Main.State;
    SelectedRead = ReportRead(ReadPaletteFile(s));
    if (s.FilePaletteKnown) {
        ShowMessageText({});
        RenderPreview();
    } else {
        RestoreState();
        ShowMessageText(MsgPreviewUnknown);
    }
}

void TOSPalette::RenderPreview()
{
    RenderPreviewPicture(Main.State.PalettePreviewBitmap);
}

void TOSPalette::RestoreState()
{
    SavedPalette.PutBack(Main.State);
}

void TOSPalette::AfterDelete()
{
    RestoreState();
    FillList();
}

void TOSPalette::OpenPaletteExecute(TMainHost& main)
{
    ProgramState& s = main.State;
    if (s.SlideShowRunning || !main.RenderIdle())
        return;
    s.DialogOpenMode = true;
    int result = QDialog::Rejected;
    {
        const TMainHost::TStateLoan loan(main);
        TOSPalette dialog(main, true);
        dialog.setWindowTitle(QStringLiteral("Открытие палитры"));
        result = dialog.exec();
        // An unreadable entry: the palette of an earlier preview is not taken.
        if (result == QDialog::Accepted && dialog.SelectedRead == TReadOutcome::CannotOpen) {
            dialog.SavedPalette.PutBack(s);
            return;
        }
    }
    if (result != QDialog::Accepted)
        return;
    if (!s.FilePaletteKnown) {
        ShowMessage(TMessageKind::Warning, CaptionPaletteIgnored, MsgPaletteUnknown);
        return;
    }
    // The palette read for the preview is the one to take.
    const TBusyCursor busy(s, Qt::BusyCursor);
    main.ShowPalette();
    main.RefreshFullScreen();
    main.WakeRender();
}

void TOSPalette::SavePaletteExecute(TMainHost& main)
{
    ProgramState& s = main.State;
    if (s.SlideShowRunning)
        return;
    s.DialogOpenMode = false;
    int result = QDialog::Rejected;
    {
        const TMainHost::TStateLoan loan(main);
        TOSPalette dialog(main, false);
        dialog.setWindowTitle(QStringLiteral("Сохранение палитры"));
        result = dialog.exec();
    }
    if (result == QDialog::Accepted)
        ReportWrite(WritePaletteFile(s));
}
