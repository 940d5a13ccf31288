#include "export/U_sizeandext.h"

#include "app/HintLine.h"
#include "app/MainHost.h"
#include "app/WindowPlace.h"
#include "engine/FastWalkPool.h"
#include "engine/Messages.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <utility>

std::function<std::optional<QString>(const QString&)> TSizeAndExt::SaveDialogForTests;
bool TSizeAndExt::ThreadFailsForTests = false;

namespace {

// Item of the resolution list -> picture size.
constexpr std::array<std::pair<int32_t, int32_t>, 8> Resolutions = {{
    {320, 240}, {640, 480}, {800, 600}, {1024, 768}, {1152, 864}, {1280, 960}, {1280, 1024}, {1600, 1200},
}};
// Item of the depth list -> iteration limit: the caption minus 2.
constexpr std::array<int32_t, 6> Depths = {254, 510, 1022, 2046, 4094, 8190};
// Items of the priority list.
constexpr int PriorityIdle = 0, PriorityHighest = 2;
// "Высокий": this many nice steps above the thread's own.
constexpr int RaisedNiceSteps = 5;

const QString SavedText = QStringLiteral("Файл успешно сохранен.");
const QString DoneText = QStringLiteral("Выполнено:");

// The export's file dialog: Qt's own, so that it looks and works the same
// everywhere; an existing file is replaced without a question, and the folder
// of a typed name must exist.
class TSaveImageDialog : public QFileDialog {
public:
    explicit TSaveImageDialog(QWidget* parent) : QFileDialog(parent)
    {
        setObjectName(QStringLiteral("SaveDialog1"));
        setWindowTitle(QStringLiteral("Сохранить как"));
        setAcceptMode(QFileDialog::AcceptSave);
        setFileMode(QFileDialog::AnyFile);
        setNameFilter(QStringLiteral("BMP (*.bmp)"));
        setOptions(QFileDialog::DontUseNativeDialog | QFileDialog::DontConfirmOverwrite);
        setSizeGripEnabled(true);
    }

    void accept() override
    {
        const QStringList files = selectedFiles();
        if (!files.isEmpty()) {
            const QFileInfo file(files.first());
            if (!file.isDir() && !file.absoluteDir().exists()) {
                ShowMessage(TMessageKind::Warning, windowTitle(),
                            MsgFolderNotFound.arg(QDir::toNativeSeparators(file.absolutePath())));
                return;
            }
        }
        QFileDialog::accept();
    }
};

std::optional<QString> AskForPath(TMainHost& main, const QString& proposed)
{
    if (TSizeAndExt::SaveDialogForTests)
        return TSizeAndExt::SaveDialogForTests(proposed);
    if (!main.ExportFileDialog)
        main.ExportFileDialog = new TSaveImageDialog(&main.Window());
    // Above the full-screen view, which stays on top of the others.
    main.ExportFileDialog->setWindowFlag(Qt::WindowStaysOnTopHint, main.State.FullScreenOpen);
    main.ExportFileDialog->selectFile(proposed);
    if (main.ExportFileDialog->exec() != QDialog::Accepted || main.ExportFileDialog->selectedFiles().isEmpty())
        return std::nullopt;
    return main.ExportFileDialog->selectedFiles().first();
}

template <typename T>
T* Control(QWidget* parent, const char* name, const QRect& place)
{
    auto* w = new T(parent);
    w->setObjectName(QLatin1String(name));
    w->setGeometry(place);
    return w;
}

QLabel* Label(QWidget* parent, const char* name, const QString& text, int x, int y)
{
    auto* l = Control<QLabel>(parent, name, QRect(x, y, 0, 0));
    l->setText(text);
    l->adjustSize();
    return l;
}

QComboBox* List(QWidget* parent, const char* name, const QStringList& items, int y, const QString& hint)
{
    // A drop-down list with an edit field; what is typed or pasted there is
    // never added to the items.
    auto* c = Control<QComboBox>(parent, name, QRect(110, y, 130, 22));
    c->setEditable(true);
    c->setInsertPolicy(QComboBox::NoInsert);
    c->addItems(items);
    c->setCurrentIndex(0);
    SetHint(c, hint);
    return c;
}

}  // namespace

// ---- The action ----

void TSizeAndExt::SaveImageExecute(TMainHost& main)
{
    if (main.State.SlideShowRunning)
        return;
    main.StopAnimation();
    const TMainHost::TStateLoan loan(main);
    const QString proposed = main.HasCurrentFractal() ? main.State.CurrentFractalName : QStringLiteral("new_image");
    const std::optional<QString> chosen = AskForPath(main, proposed);
    if (!chosen)
        return;
    TSizeAndExt form(main, *chosen);
    form.IsCloseAfter->setChecked(main.State.CloseExportAfterSave != 0);
    form.exec();
}

// ---- The window ----

TSizeAndExt::TSizeAndExt(TMainHost& main, const QString& chosenPath)
    : QDialog(&main.Window(), Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                         Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      Main(main)
{
    BuildWindow();
    Export.Path = ExportPathOf(chosenPath);
    const QFontMetrics metrics(SaveFName->font());
    SaveFName->setText(ShortenedPath(Export.Path, PathWidth, [&metrics](const QString& text) {
        return metrics.horizontalAdvance(text);
    }));
    SavedIterationLimit = Main.State.GetIterationLimit();
    ExportSaved = false;
    ExportRunning = false;

    setWindowFlag(Qt::WindowStaysOnTopHint, Main.State.FullScreenOpen);
    const QRect mainOuter = Main.Window().frameGeometry();
    const QSize outer = OuterSize(*this, Main.Window());
    move(mainOuter.x() + (mainOuter.width() - outer.width()) / 2,
         mainOuter.y() + (mainOuter.height() - outer.height()) / 2);
    // No key reaches the window or its lists while it is up.
    qApp->installEventFilter(this);
}

TSizeAndExt::~TSizeAndExt()
{
    // Destroyed without a close (the main window went first): still stop.
    if (!Closed)
        FormClose();
}

void TSizeAndExt::BuildWindow()
{
    setObjectName(QStringLiteral("SizeAndExt"));
    setWindowTitle(QStringLiteral("Расчет и сохранение изображения"));
    setFixedSize(ClientWidth, ClientHeight);

    Label1 = Label(this, "Label1", QStringLiteral("Файл:"), 8, 12);
    SaveFName = Control<QLabel>(this, "SaveFName", QRect(62, 12, ClientWidth - 62 - 8, 16));
    SetHint(SaveFName, QStringLiteral(" Выбранный каталог и имя файла "));
    Label2 = Label(this, "Label2", QStringLiteral("Разрешение:"), 8, 42);
    WIm = List(this, "WIm",
               {QStringLiteral("320 x 240"), QStringLiteral("640 x 480"), QStringLiteral("800 x 600"),
                QStringLiteral("1024 x 768"), QStringLiteral("1152 x 864"), QStringLiteral("1280 x 960"),
                QStringLiteral("1280 x 1024"), QStringLiteral("1600 x 1200")},
               38, QStringLiteral(" Выбор разрешения сохраняемого изображения"));
    Label4 = Label(this, "Label4", QStringLiteral("Детализация:"), 8, 70);
    Iterations = List(this, "Iterations",
                      {QStringLiteral("256"), QStringLiteral("512"), QStringLiteral("1024"), QStringLiteral("2048"),
                       QStringLiteral("4096"), QStringLiteral("8192")},
                      66, QStringLiteral(" Выбор детализации сохраняемого изображения"));
    Label3 = Label(this, "Label3", QStringLiteral("Приоритет:"), 8, 98);
    PrF = List(this, "PrF", {QStringLiteral("Низкий"), QStringLiteral("Нормальный"), QStringLiteral("Высокий")}, 94,
               QStringLiteral(" Выбор приоритета потока расчитывающего изображение"));
    Itog = Control<QLabel>(this, "Itog", QRect(8, 124, ClientWidth - 16, 16));
    Itog->setText(DoneText);
    CGauge1 = Control<QProgressBar>(this, "CGauge1", QRect(8, 144, ClientWidth - 16, 20));
    CGauge1->setRange(0, 100);
    CGauge1->setValue(0);
    CGauge1->setFormat(QStringLiteral("%p%"));
    CGauge1->setAlignment(Qt::AlignCenter);
    CGauge1->setTextVisible(true);
    CGauge1->setStyleSheet(QStringLiteral("QProgressBar { background: white; border: 1px solid gray; color: black; }"
                                          "QProgressBar::chunk { background: silver; }"));
    SetHint(CGauge1, QStringLiteral(" Показывает % выполненной работы"));
    IsCloseAfter = Control<QCheckBox>(this, "IsCloseAfter", QRect(8, 170, ClientWidth - 16, 20));
    IsCloseAfter->setText(QStringLiteral("Закрыть окно после сохранения файла."));
    ButtonOk = Control<QPushButton>(this, "ButtonOk", QRect(ClientWidth - 8 - 75 - 6 - 75, 196, 75, 25));
    ButtonOk->setText(QStringLiteral("Ok!"));
    SetHint(ButtonOk, QStringLiteral(" Запускает расчет сохраняемого изображения"));
    CanBut = Control<QPushButton>(this, "CanBut", QRect(ClientWidth - 8 - 75, 196, 75, 25));
    CanBut->setText(QStringLiteral("Отмена"));
    SetHint(CanBut, QStringLiteral(" Останавливает расчет, если идёт, и закрывает форму расчета и сохранения"));
    for (QPushButton* b : {ButtonOk, CanBut}) {
        b->setAutoDefault(false);
        b->setDefault(false);
    }
    Timer1.setInterval(100);

    Label2->setBuddy(WIm);
    Label4->setBuddy(Iterations);
    Label3->setBuddy(PrF);
    Itog->setBuddy(CGauge1);
    NameControls(this);

    connect(ButtonOk, &QPushButton::clicked, this, &TSizeAndExt::ButtonOkClick);
    connect(CanBut, &QPushButton::clicked, this, &TSizeAndExt::CanButClick);
    connect(IsCloseAfter, &QCheckBox::clicked, this, &TSizeAndExt::IsCloseAfterClick);
    connect(&Timer1, &QTimer::timeout, this, &TSizeAndExt::Timer1Timer);
}

int TSizeAndExt::ListedIndex(const QComboBox* list)
{
    return list->findText(list->currentText(), Qt::MatchExactly | Qt::MatchCaseSensitive);
}

void TSizeAndExt::EnableChoices(bool enabled)
{
    for (QWidget* w : std::initializer_list<QWidget*>{WIm, Iterations, PrF, ButtonOk})
        w->setEnabled(enabled);
}

void TSizeAndExt::ButtonOkClick()
{
    // Pasted text that names no listed size gives no picture size.
    const int size = ListedIndex(WIm);
    if (size < 0) {
        ShowMessage(TMessageKind::Warning, ProgramTitle,
                    MsgSizeNotListed.arg(WIm->currentText()));
        return;
    }
    EnableChoices(false);
    // What the end of a pass under way brings (a palette kind applied late,
    // which starts a pass) runs now, not while the export's limit is set.
    Main.SettleRender();
    const QString path = Export.Path;
    const int depth = ListedIndex(Iterations);
    if (depth >= 0)
        Main.State.SetIterationLimit(Depths[static_cast<size_t>(depth)]);
    const auto [w, h] = Resolutions[static_cast<size_t>(size)];
    Export = ExportGeometry(Main.State, w, h);
    Export.Path = path;
    Export.Priority = ListedIndex(PrF);

    WorkerCalls = std::make_shared<TWorkerCalls>();
    auto* thread = ThreadFailsForTests ? nullptr : new TRollImage(*this, Main.State, Export, WorkerCalls);
    if (thread) {
        ExportRunning = true;
        thread->start();
        if (!thread->isRunning() && !thread->isFinished()) {
            ExportRunning = false;
            delete thread;
            thread = nullptr;
        }
    }
    if (!thread) {
        ShowMessage(TMessageKind::Error, CaptionError, MsgThreadFailed);
        EnableChoices(true);
        return;
    }
    RollImage = thread;
}

void TSizeAndExt::CanButClick()
{
    close();
}

void TSizeAndExt::IsCloseAfterClick()
{
    if (ExportSaved && IsCloseAfter->isChecked())
        close();
}

void TSizeAndExt::Timer1Timer()
{
    Timer1.stop();
    close();
}

bool TSizeAndExt::FormShortCut(QKeyEvent*)
{
    // Worked with the mouse alone: every key is used up here.
    return true;
}

void TSizeAndExt::ReportProgress()
{
    CGauge1->setValue(static_cast<int>(int64_t(ExportRow) * 100 / Export.Height));
}

void TSizeAndExt::FinishExport()
{
    CGauge1->setValue(100);
    ExportSaved = true;
    Itog->setText(SavedText);
    // The close after a save always goes through the timer.
    if (IsCloseAfter->isChecked())
        Timer1.start();
    else
        CanBut->setText(QStringLiteral("Закрыть"));
}

void TSizeAndExt::RunWorkerCall()
{
    const std::shared_ptr<TWorkerCalls> calls = WorkerCalls;
    if (!calls)
        return;
    std::function<void()> call;
    uint64_t id = 0;
    {
        std::lock_guard lock(calls->Mutex);
        if (!calls->Pending)
            return;  // abandoned meanwhile
        call = std::exchange(calls->Pending, nullptr);
        id = calls->Posted;
    }
    call();
    std::lock_guard lock(calls->Mutex);
    calls->Done = id;
    calls->Finished.notify_all();
}

void TSizeAndExt::ExportFailed(TExportResult result)
{
    ExportRunning = false;
    CGauge1->setValue(0);
    const QString file = QDir::toNativeSeparators(Export.Path);
    ShowMessage(TMessageKind::Error, CaptionError,
                (result == TExportResult::NoMemory ? MsgNoMemoryForPicture : MsgPictureNotWritten).arg(file));
    EnableChoices(true);
}

void TSizeAndExt::FormClose()
{
    Closed = true;
    Timer1.stop();
    if (ExportRunning && RollImage) {
        // The worker may be waiting for a call into this window: it is let go
        // and stops at its next report point.
        RollImage->requestInterruption();
        RollImage->Abandon();
        RollImage->wait();
        // Its calls still queued are of no use now.
        QCoreApplication::removePostedEvents(this, QEvent::MetaCall);
    }
    ExportRunning = false;
    Main.State.CloseExportAfterSave = IsCloseAfter->isChecked() ? 1 : 0;
    Main.State.SetIterationLimit(SavedIterationLimit);
}

void TSizeAndExt::done(int result)
{
    if (!Closed)
        FormClose();
    QDialog::done(result);
}

bool TSizeAndExt::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (type != QEvent::KeyPress && type != QEvent::KeyRelease && type != QEvent::ShortcutOverride)
        return false;
    auto* w = qobject_cast<QWidget*>(watched);
    if (!w)
        return false;
    // The window itself and the pop-ups it opens (a list's drop-down, an edit
    // field's menu); not a message box shown over it.
    QWidget* top = w->window();
    while (top != this && top->windowType() == Qt::Popup && top->parentWidget())
        top = top->parentWidget()->window();
    if (top != this)
        return false;
    if (type == QEvent::ShortcutOverride) {
        // Claimed, so that no shortcut acts on it; the press is used up below.
        event->accept();
        return true;
    }
    if (type == QEvent::KeyRelease)
        return true;
    return FormShortCut(static_cast<QKeyEvent*>(event));
}

// ---- The worker ----

void SetWorkerPriority(int item)
{
    // Qt's thread priorities map onto the real-time range, which Linux's
    // normal class lacks: "highest" would change nothing. The policy and the
    // nice value belong to each thread and pass on to the threads it starts.
    const pid_t self = ::gettid();
    if (item == PriorityIdle) {
        const sched_param none{};
        ::pthread_setschedparam(::pthread_self(), SCHED_IDLE, &none);
        ::setpriority(PRIO_PROCESS, static_cast<id_t>(self), 19);
    } else if (item == PriorityHighest) {
        errno = 0;
        const int own = ::getpriority(PRIO_PROCESS, static_cast<id_t>(self));
        if (errno != 0)
            return;
        const int wanted = std::max(-20, own - RaisedNiceSteps);
        if (::setpriority(PRIO_PROCESS, static_cast<id_t>(self), wanted) == 0)
            return;
        // Refused: as far as RLIMIT_NICE lets an ordinary user go (20 - limit).
        rlimit limit{};
        if (::getrlimit(RLIMIT_NICE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY)
            return;
        const int ceiling = 20 - static_cast<int>(std::min<rlim_t>(limit.rlim_cur, 40));
        if (ceiling < own)
            ::setpriority(PRIO_PROCESS, static_cast<id_t>(self), std::max(wanted, ceiling));
    }
}

TRollImage::TRollImage(TSizeAndExt& form, const ProgramState& state, const TExportValues& values,
                       std::shared_ptr<TWorkerCalls> calls)
    : Form(form), Values(values), Calls(std::move(calls))
{
    CopyPictureValues(state, Picture);
    setObjectName(QStringLiteral("TRollImage"));  // its threads' name, as ps and top show it
    connect(this, &QThread::finished, this, &QObject::deleteLater);
}

void TRollImage::Synchronize(std::function<void()> call)
{
    // A blocking queued call that a closing window can release. Only the
    // window and the name of its slot go through Qt's queue.
    std::unique_lock lock(Calls->Mutex);
    if (Calls->Abandoned)
        return;
    Calls->Pending = std::move(call);
    const uint64_t id = ++Calls->Posted;
    lock.unlock();
    QMetaObject::invokeMethod(&Form, "RunWorkerCall", Qt::QueuedConnection);
    lock.lock();
    Calls->Finished.wait(lock, [&] { return Calls->Done >= id || Calls->Abandoned; });
}

void TRollImage::Abandon()
{
    std::lock_guard lock(Calls->Mutex);
    Calls->Abandoned = true;
    Calls->Pending = nullptr;
    Calls->Finished.notify_all();
}

void TRollImage::Execute()
{
    SetWorkerPriority(Values.Priority);
    TExportResult result;
    {
        // Helpers of its own, started from here, so they run at its priority
        // (each one inherits the policy and the nice value of this thread).
        quilmora::TWalkPool pool;
        TExportHooks hooks;
        hooks.StopRequested = [this] { return isInterruptionRequested(); };
        hooks.Report = [this](int32_t row) {
            Synchronize([this, row] {
                Form.ExportRow = row;
                Form.ReportProgress();
            });
        };
        TFastWalkOptions options;
        options.Pool = &pool;
        result = RunExport(Picture, Values, hooks, options);
    }
    switch (result) {
    case TExportResult::Saved:
        Synchronize([this] { Form.FinishExport(); });
        break;
    case TExportResult::Stopped:
        break;
    case TExportResult::WriteFailed:
    case TExportResult::NoMemory:
        // The window clears ExportRunning itself and may start anew: leave it be.
        Synchronize([this, result] { Form.ExportFailed(result); });
        return;
    }
    Form.ExportRunning = false;
}
