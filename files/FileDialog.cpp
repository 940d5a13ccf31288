#include "files/FileDialog.h"

#include "app/Glyphs.h"
#include "app/HintLine.h"
#include "app/ImageView.h"
#include "app/KeyPreview.h"
#include "app/MainHost.h"
#include "app/WindowPlace.h"
#include "engine/Messages.h"
#include "engine/RenderPass.h"
#include "files/FileFormats.h"
#include "files/U_refile.h"

#include <QAction>
#include <QDir>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>

#include <algorithm>

const QString TFileDialog::NoFilesText = QStringLiteral("            ( Нет )");

namespace {
QPushButton* Button(QWidget* parent, TGlyph glyph, const QString& text, const QRect& place)
{
    auto* b = new QPushButton(GlyphIcon(glyph), text, parent);
    b->setGeometry(place);
    // Enter is the dialog's key table's, not a default button's.
    b->setAutoDefault(false);
    b->setDefault(false);
    return b;
}
// A label before its field; moved left where this font makes it wider than
// the room the field leaves.
QLabel* FieldLabel(QWidget* parent, const QString& text, const QPoint& at, int fieldLeft)
{
    auto* l = new QLabel(text, parent);
    l->adjustSize();
    l->move(std::min(at.x(), fieldLeft - 2 - l->width()), at.y() + 3);
    return l;
}
}  // namespace

TFileDialog::TFileDialog(TMainHost& main, bool openMode, const TFileKind& kind, const QString& folder,
                         int32_t& listIndex, const TFileDialogLayout& layout)
    : QDialog(&main.Window(), Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint),
      Browser(folder, kind), OpenMode(openMode), Main(main), ListIndex(listIndex), Layout(layout)
{
    setFixedSize(layout.Client);
    FolderLabel = FieldLabel(this, QStringLiteral("Папка:"), layout.FolderLabel, layout.FolderEdit.left());
    Folder = new QLineEdit(this);
    Folder->setGeometry(layout.FolderEdit);
    SetHint(Folder, layout.FolderHint);
    List = new QListWidget(this);
    List->setGeometry(layout.List);
    List->setUniformItemSizes(true);
    SetHint(List, layout.ListHint);
    NameLabel = FieldLabel(this, QStringLiteral("Файл:"), layout.NameLabel, layout.NameEdit.left());
    Name = new QLineEdit(this);
    Name->setGeometry(layout.NameEdit);
    SetHint(Name, layout.NameHint);
    FolderLabel->setBuddy(Folder);
    NameLabel->setBuddy(Name);
    Group = new QGroupBox(layout.GroupCaption, this);
    Group->setGeometry(layout.Group);
    Preview = new TImage(PreviewWidth, PreviewHeight, Group);
    // Within the box's frame, below its caption, whatever room this style's
    // caption takes.
    Preview->move(layout.PreviewAt.x(), std::max(layout.PreviewAt.y(), Group->contentsRect().top() + 2));
    SetHint(Preview, layout.PreviewHint);
    Message = new QLabel(Group);
    Message->move(layout.MessageAt);
    Message->hide();
    OpenButton = Button(this, TGlyph::MenuOpenFractal, QStringLiteral("Открыть"), layout.OpenButton);
    SaveButton = Button(this, TGlyph::MenuSaveFractal, QStringLiteral("Сохранить"), layout.SaveButton);
    CancelButton = Button(this, TGlyph::Close, QStringLiteral("Отмена"), layout.CancelButton);
    OpenButton->setVisible(openMode);
    SaveButton->setVisible(!openMode);

    DeleteAction = new QAction(GlyphIcon(TGlyph::MenuDeleteFile), QStringLiteral("&Удалить файл"), this);
    RenameAction = new QAction(layout.RenameCaption, this);
    ContextMenu = new QMenu(this);
    ContextMenu->addAction(DeleteAction);
    ContextMenu->addAction(RenameAction);
    for (QWidget* w : {static_cast<QWidget*>(List), static_cast<QWidget*>(Name), static_cast<QWidget*>(Preview)}) {
        w->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(w, &QWidget::customContextMenuRequested, this,
                [this, w](const QPoint& at) { ContextMenu->popup(w->mapToGlobal(at)); });
    }
    List->viewport()->installEventFilter(this);
    Name->installEventFilter(this);
    Preview->installEventFilter(this);

    connect(List, &QListWidget::currentRowChanged, this, &TFileDialog::SelectEntry);
    connect(OpenButton, &QPushButton::clicked, this, [this] { accept(); });
    connect(SaveButton, &QPushButton::clicked, this, &TFileDialog::SaveClick);
    connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(DeleteAction, &QAction::triggered, this, &TFileDialog::DeleteFileExecute);
    connect(RenameAction, &QAction::triggered, this, &TFileDialog::RenFileExecute);
    new TKeyPreview(this, [this](QKeyEvent* event) { return FormKeyDown(event); });
}

void TFileDialog::Prepare()
{
    // Over the main picture, or centred on the screen above the full-screen view.
    const QSize outer = OuterSize(*this, Main.Window());
    // Above the full-screen view, which stays on top of the others.
    setWindowFlag(Qt::WindowStaysOnTopHint, Main.State.FullScreenOpen);
    if (Main.State.FullScreenOpen) {
        const QRect screen = PrimaryScreenRect();
        move(TruncToInt((screen.width() - outer.width()) * 0.5L),
             TruncToInt((screen.height() - outer.height()) * 0.5L - 30));
    } else {
        const QRect mainOuter = Main.Window().frameGeometry();
        const QRect picture = Main.PictureFrame();
        move(TruncToInt(mainOuter.x() + picture.x() + (picture.width() - outer.width()) * 0.5L),
             TruncToInt(mainOuter.y() + (mainOuter.height() - outer.height()) * 0.3L));
    }
    QDir::setCurrent(Browser.Folder());  // a missing folder leaves the current one
    Name->clear();
    Folder->setText(Browser.Folder());
    DeleteAction->setEnabled(OpenMode);
    RenameAction->setEnabled(OpenMode);
    SetHint(OpenButton, Layout.OpenHint);
    SetHint(SaveButton, Layout.SaveHint);
    SetHint(CancelButton, OpenMode ? Layout.CancelOpenHint : Layout.CancelSaveHint);
    NameControls(this);
}

void TFileDialog::FillList()
{
    Browser.Scan(QDir::currentPath());
    {
        const QSignalBlocker quiet(List);
        List->clear();
        List->addItems(Browser.Names());
    }
    Name->setReadOnly(OpenMode);
    if (!OpenMode) {
        Main.State.FilePath = Browser.NewFilePath();
        Name->setText(Browser.NewName());
        ShowMessageText({});
        RenderPreview();
        return;
    }
    OpenButton->setEnabled(!Browser.Names().isEmpty());
    if (Browser.Names().isEmpty()) {
        ShowMessageText(NoFilesText);
        return;
    }
    const int row = Browser.EntryFor(ListIndex);
    {
        const QSignalBlocker quiet(List);
        List->setCurrentRow(row);
    }
    ListIndex = row;
    Main.State.FilePath = Browser.PathOf(Browser.Names()[row]);
    Name->setText(Browser.Names()[row]);
    PreviewSelected();
}

void TFileDialog::SelectEntry(int row)
{
    if (row < 0 || row >= List->count())
        return;
    const QString entry = List->item(row)->text();
    Main.State.FilePath = Browser.PathOf(entry);
    Name->setText(entry);
    ListIndex = row;
    if (OpenMode)
        PreviewSelected();
}

void TFileDialog::RenderPreviewPicture(QImage& bitmap)
{
    ::RenderPreview(Main.State, bitmap, Preview->Canvas);
    Preview->update();
}

void TFileDialog::ShowMessageText(const QString& text)
{
    Message->setText(text);
    Message->adjustSize();
    Message->setVisible(!text.isEmpty());
    Preview->setVisible(text.isEmpty());
}

bool TFileDialog::HasSelection() const
{
    return List->currentRow() >= 0;
}

void TFileDialog::SaveClick()
{
    const QString name = Name->text();
    if (name.isEmpty())
        return;
    // A name that would leave the folder is refused as the writer refuses a path.
    if (!TFileBrowser::NameIsSafe(name)) {
        ReportWrite(false);
        return;
    }
    for (int i = 0; i < Browser.Matches(name); ++i)
        if (!ShowMessage(TMessageKind::Question, CaptionReplaceFile, MsgReplaceFile))
            return;
    Main.State.FilePath = Browser.PathOf(name);
    accept();
}

void TFileDialog::EntryDoubleClick()
{
    Main.State.PicMouseArmed = false;
    if (!OpenMode)
        SaveClick();
    else if (OpenButton->isEnabled())
        accept();
}

bool TFileDialog::FormKeyDown(QKeyEvent* event)
{
    switch (LatinKey(event)) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (!OpenMode)
            SaveClick();
        else if (OpenButton->isEnabled())
            accept();
        break;
    case Qt::Key_Delete:
        if (OpenMode && HasSelection())
            DeleteAsked();
        break;
    case Qt::Key_R:
        if (OpenMode && HasSelection()) {
            RenFileExecute();
            // Used up: the list would otherwise jump to an entry beginning with "r".
            return true;
        }
        break;
    default:
        break;
    }
    return false;
}

void TFileDialog::DeleteAsked()
{
    if (ShowMessage(TMessageKind::Question, CaptionDeleteFile, MsgDeleteFile))
        DeleteFileExecute();
}

void TFileDialog::DeleteFileExecute()
{
    if (!HasSelection())
        return;
    if (!Browser.Delete(List->currentItem()->text())) {
        ShowMessage(TMessageKind::Error, CaptionDeleteFailed, MsgDeleteFailed);
        return;
    }
    if (ListIndex > 0)
        --ListIndex;
    AfterDelete();
}

void TFileDialog::RenFileExecute()
{
    if (!HasSelection())
        return;
    const QString oldName = List->currentItem()->text();
    TReFile rename(*this, Layout.OldNameLabel, Layout.NewNameLabel, oldName);
    rename.Rename = [this, oldName](const QString& newName) {
        switch (Browser.Rename(oldName, newName)) {
        case TRenameOutcome::NameTaken:
            ShowMessage(TMessageKind::Warning, CaptionNameTaken, MsgNameTaken);
            return false;
        case TRenameOutcome::Failed:
            ShowMessage(TMessageKind::Error, CaptionRenameFailed, MsgRenameFailed);
            return false;
        case TRenameOutcome::Renamed:
            FillList();
            return true;
        }
        return false;
    };
    rename.exec();
}

void TFileDialog::done(int result)
{
    if (result != QDialog::Accepted && OpenMode)
        RestoreState();
    QDialog::done(result);
}

void TFileDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    (OpenMode ? static_cast<QWidget*>(List) : static_cast<QWidget*>(Name))->setFocus();
}

bool TFileDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonDblClick &&
        (watched == List->viewport() || watched == Name || watched == Preview))
        EntryDoubleClick();
    return QDialog::eventFilter(watched, event);
}
