#include "files/U_opensavefractal.h"

#include "app/BusyCursor.h"
#include "app/MainHost.h"
#include "engine/Messages.h"
#include "files/FileFormats.h"

#include <QCheckBox>
#include <QPushButton>

namespace {
const TFileDialogLayout FractalLayout{
    .Client = {409, 221},
    .FolderLabel = {16, 8},
    .FolderEdit = {48, 8, 169, 21},
    .List = {16, 32, 201, 145},
    .NameLabel = {16, 184},
    .NameEdit = {48, 184, 169, 21},
    .Group = {232, 8, 161, 131},
    .GroupCaption = QStringLiteral("Prewiev"),
    .PreviewAt = {8, 16},
    .MessageAt = {40, 59},
    .OpenButton = {233, 184, 75, 25},
    .SaveButton = {232, 184, 75, 25},
    .CancelButton = {317, 184, 75, 25},
    .FolderHint = QStringLiteral(" Каталог фракталов"),
    .ListHint = QStringLiteral(" Фракталы находящиеся в каталоге"),
    .NameHint = QStringLiteral(" Выбранное имя файла"),
    .PreviewHint = QStringLiteral(" Облась предпросмотра"),
    .OpenHint = QStringLiteral(" Открывает выбранный файл"),
    .SaveHint = QStringLiteral(" Сохраненяет файл под выбранным именем"),
    .CancelOpenHint = QStringLiteral(" Закрывает форму 'Открытие фрактала'"),
    .CancelSaveHint = QStringLiteral(" Закрывает форму 'Сохранение фрактала'"),
    .RenameCaption = QStringLiteral("&Переименовать.."),
    .OldNameLabel = QStringLiteral("Старое имя :"),
    .NewNameLabel = QStringLiteral("Новое имя :"),
};
}  // namespace

QString FractalNameOf(const ProgramState& s, const QString& path)
{
    QString name = path;
    const QString folder = s.FractalsDir + QLatin1Char('/');
    if (name.startsWith(folder))
        name.remove(0, folder.size());
    if (name.endsWith(FractalFiles.Extension))
        name.chop(FractalFiles.Extension.size());
    return name;
}

TOpenSaveFractal::TOpenSaveFractal(TMainHost& main, bool openMode)
    : TFileDialog(main, openMode, FractalFiles, main.State.FractalsDir, main.State.FractalListIndex, FractalLayout)
{
    // Two lines: the caption is wider than its 169 pixels in this font.
    IgnoreFPalette = new QCheckBox(QStringLiteral("Игнорировать палитру\nфрактала"), this);
    IgnoreFPalette->setGeometry(232, 148, 169, 32);
    IgnoreFPalette->setChecked(!main.State.ApplyFilePalette);
    connect(IgnoreFPalette, &QCheckBox::clicked, this, &TOpenSaveFractal::IgnoreFPaletteClick);
    Prepare();
    SaveMainState();
    FillList();
}

void TOpenSaveFractal::SaveMainState()
{
    SavedMainState = TSavedMainState::Of(Main.State);
}

void TOpenSaveFractal::PreviewSelected()
{
    ProgramState& s = Main.State;
    ReportRead(ReadFractalFile(s));
    if (!s.FileFormulaKnown) {
        RestoreState();
        ShowMessageText(MsgPreviewUnknown);
        return;
    }
    // A palette of a kind this version does not know: the one in force when the dialog opened.
    if (s.ApplyFilePalette && !s.FilePaletteKnown)
        SavedMainState.Palette.PutBack(s);
    ShowMessageText({});
    RenderPreview();
}

void TOpenSaveFractal::RenderPreview()
{
    RenderPreviewPicture(Main.State.FractalPreviewBitmap);
}

void TOpenSaveFractal::RestoreState()
{
    SavedMainState.PutBack(Main.State);
}

void TOpenSaveFractal::AfterDelete()
{
    FillList();
    RestoreState();
}

void TOpenSaveFractal::IgnoreFPaletteClick()
{
    ProgramState& s = Main.State;
    if (IgnoreFPalette->isChecked()) {
        s.ApplyFilePalette = false;
        SavedMainState.Palette.PutLevelsBack(s);
        if (OpenButton->isEnabled()) {
            SavedMainState.Palette.PutColourTableBack(s);
            RenderPreview();
        }
    } else {
        s.ApplyFilePalette = true;
        if (OpenButton->isEnabled())
            PreviewSelected();
    }
}

// The actions read the result of exec(), as the palette dialog's do; the
// state keeps the answer too.
void TOpenSaveFractal::done(int result)
{
    Main.State.DialogAccepted = result == QDialog::Accepted;
    TFileDialog::done(result);
}

void TOpenSaveFractal::OpenFractExecute(TMainHost& main)
{
    ProgramState& s = main.State;
    if (s.SlideShowRunning || !main.RenderIdle())
        return;
    s.DialogOpenMode = true;
    TSavedMainState saved;
    int result = QDialog::Rejected;
    {
        const TMainHost::TStateLoan loan(main);
        TOpenSaveFractal dialog(main, true);
        dialog.setWindowTitle(QStringLiteral("Открытие фрактала"));
        result = dialog.exec();
        saved = dialog.SavedMainState;
    }
    if (result != QDialog::Accepted) {
        SelectColourFunction(s);
        return;
    }
    const TReadOutcome read = ReportRead(ReadFractalFile(s));
    // An unreadable entry leaves FileFormulaKnown as an earlier preview set it.
    if (read == TReadOutcome::CannotOpen || !s.FileFormulaKnown) {
        if (read == TReadOutcome::UnknownFormula)
            ShowMessage(TMessageKind::Warning, CaptionUnknownFractal, MsgUnknownFractal);
        saved.PutBack(s);
        SelectColourFunction(s);
        return;
    }
    const TBusyCursor busy(s, Qt::BusyCursor);
    s.CurrentFractalName = FractalNameOf(s, s.FilePath);
    main.UpdateActions();
    main.ShowCoefficients();
    if (s.ApplyFilePalette) {
        if (s.FilePaletteKnown)
            main.ShowPalette();
        else
            ShowMessage(TMessageKind::Warning, CaptionFractalPaletteIgnored, MsgFractalPaletteUnknown);
    }
    main.RefreshFullScreen();
    // PicStep, the overview frame, and the one pass at the end.
    main.CommitView(true);
}

void TOpenSaveFractal::SaveFractalExecute(TMainHost& main)
{
    ProgramState& s = main.State;
    if (s.SlideShowRunning)
        return;
    s.DialogOpenMode = false;
    int result = QDialog::Rejected;
    {
        const TMainHost::TStateLoan loan(main);
        TOpenSaveFractal dialog(main, false);
        dialog.setWindowTitle(QStringLiteral("Сохранение фрактала"));
        dialog.IgnoreFPalette->setEnabled(false);
        result = dialog.exec();
    }
    if (result != QDialog::Accepted)
        return;
    s.CurrentFractalName = FractalNameOf(s, s.FilePath);
    ReportWrite(WriteFractalFile(s));
    main.UpdateActions();
}

void TOpenSaveFractal::SaveCrntFrctExecute(TMainHost& main)
{
    ProgramState& s = main.State;
    if (s.CurrentFractalName.isEmpty())
        return;
    s.FilePath = s.FractalsDir + QLatin1Char('/') + s.CurrentFractalName + FractalFiles.Extension;
    ReportWrite(WriteFractalFile(s));
}
