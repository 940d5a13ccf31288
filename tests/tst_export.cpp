// Image export: the export run (paths, pixels, report points, stops, write
// failures), the worker's priority, and the export window driven through the
// main window's action.

#include "app/HintLine.h"
#include "tests/support/MainFormAccess.h"
#include "engine/FastWalkPool.h"
#include "engine/Palette.h"
#include "export/ImageExport.h"
#include "export/U_sizeandext.h"
#include "support/Bmp.h"
#include "support/Files.h"
#include "support/MainWindowFixture.h"
#include "support/MessageRecorder.h"
#include "support/Modal.h"
#include "support/PassGate.h"
#include "support/Pictures.h"
#include "support/ProgramFolder.h"
#include "support/StoredSettings.h"

#include <QtTest>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>

#include <sched.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include <chrono>
#include <memory>
#include <mutex>
#include <set>
#include <thread>

namespace {

constexpr int Patience = 120000;  // only a guard against hangs

TPassGate Gate;

// C = -0.12 + 0.75i, the view that is deep inside the set in many places.
void Rabbit(ProgramState& s)
{
    s.FractalParams.Cx = -0.12;
    s.FractalParams.Cy = 0.75;
}

// Records the policy of every thread that takes part in a pool task.
struct TPolicyTask : quilmora::TPoolTask {
    std::mutex Mutex;
    std::set<int> Policies;
    std::atomic<int> Arrived{0};
    int Wanted = 1;
    void Run() override
    {
        {
            std::lock_guard lock(Mutex);
            Policies.insert(sched_getscheduler(0));
        }
        // Hold every participant until all have arrived, so each one joins.
        ++Arrived;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (Arrived.load() < Wanted && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
};

// Policy and nice value of each thread of the process with that name.
struct TThreadPriority {
    int Policy = -1;
    int Nice = 0;
};
QList<TThreadPriority> ThreadsNamed(const QByteArray& name)
{
    QList<TThreadPriority> threads;
    const QDir tasks(QStringLiteral("/proc/self/task"));
    for (const QString& tid : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile comm(tasks.filePath(tid + QStringLiteral("/comm")));
        if (!comm.open(QIODevice::ReadOnly) || comm.readAll().trimmed() != name)
            continue;
        const pid_t id = tid.toInt();
        errno = 0;
        TThreadPriority t;
        t.Nice = getpriority(PRIO_PROCESS, static_cast<id_t>(id));
        t.Policy = errno == 0 ? sched_getscheduler(id) : -1;
        threads << t;
    }
    return threads;
}

}  // namespace

class TestExport : public QObject, TMainWindowFixture {
    Q_OBJECT

private:
    QStringList Proposed;  // names the file dialog was given
    std::optional<QString> Answer;

    QString Path(const QString& name) const { return Dir->FilePath(name); }

    // Exports through the action: the dialog answered with 'file', then 'act'
    // on the export window; returns when the window has closed.
    void RunAction(const QString& file, std::function<void(TSizeAndExt&)> act)
    {
        Answer = file.startsWith('/') ? file : Path(file);
        OnModal<TSizeAndExt>(W.get(), [act](TSizeAndExt& f) {
            act(f);
            // A check that failed in there left the window up.
            if (QTest::currentTestFailed())
                f.close();
        });
        W->SaveImage->trigger();
    }

    // Choose the items, then "Ok!".
    static void Start(TSizeAndExt& f, int size, int depth, int priority)
    {
        f.WIm->setCurrentIndex(size);
        f.Iterations->setCurrentIndex(depth);
        f.PrF->setCurrentIndex(priority);
        QTest::mouseClick(f.ButtonOk, Qt::LeftButton);
    }

    QImage Reference(int width, int height, int32_t limit)
    {
        const int32_t saved = W->State.IterationLimit;
        W->State.SetIterationLimit(limit);
        QImage image = RenderInProcess(W->State, width, height);
        W->State.SetIterationLimit(saved);
        return image;
    }

private slots:
    void initTestCase()
    {
        CountPasses(Gate);
        TSizeAndExt::SaveDialogForTests = [this](const QString& proposed) {
            Proposed << proposed;
            return Answer;
        };
    }

    void init()
    {
        QVERIFY(StartWindow(Gate));
        Proposed.clear();
        Answer.reset();
        TSizeAndExt::ThreadFailsForTests = false;
    }

    void cleanup() { StopWindow(Gate); }

    // ---- The export run ----

    void exportPath_data()
    {
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QString>("expected");
        QTest::newRow("no dot") << "/d/new_image" << "/d/new_image.bmp";
        QTest::newRow("several dots") << "/d/pic.v2.png" << "/d/pic.bmp";
        QTest::newRow("dot in a folder") << "/d.x/e.y/pic" << "/d.x/e.y/pic.bmp";
        QTest::newRow("dot in a folder and the name") << "/d.x/pic.bmp" << "/d.x/pic.bmp";
        QTest::newRow("relative") << "a.b" << "a.bmp";
    }
    void exportPath()
    {
        QFETCH(QString, chosen);
        QFETCH(QString, expected);
        QCOMPARE(ExportPathOf(chosen), expected);
    }

    void shortenedPath_data()
    {
        // Widths in characters.
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("room");
        QTest::addColumn<QString>("expected");
        const QString p = QStringLiteral("/aaaa/bbbb/cccc/n.bmp");
        QTest::newRow("fits") << p << 21 << p;
        QTest::newRow("first folder") << p << 20 << "/.../bbbb/cccc/n.bmp";
        QTest::newRow("second folder") << p << 19 << "/.../cccc/n.bmp";
        QTest::newRow("last folder") << p << 14 << "/.../n.bmp";
        QTest::newRow("dots alone") << p << 9 << ".../n.bmp";
        QTest::newRow("name alone") << p << 8 << "n.bmp";
        QTest::newRow("name never cut") << p << 3 << "n.bmp";
        QTest::newRow("relative") << "x/yy/n.bmp" << 9 << ".../n.bmp";
        QTest::newRow("relative, name") << "x/yy/n.bmp" << 8 << "n.bmp";
    }
    void shortenedPath()
    {
        QFETCH(QString, path);
        QFETCH(int, room);
        QFETCH(QString, expected);
        QCOMPARE(ShortenedPath(path, room, [](const QString& t) { return int(t.size()); }), expected);
    }

    void pixels_data()
    {
        QTest::addColumn<bool>("rabbit");
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<int>("limit");
        QTest::newRow("320 x 240, 256") << false << 320 << 240 << 254;
        QTest::newRow("320 x 240, 8192, rabbit") << true << 320 << 240 << 8190;
        QTest::newRow("1600 x 1200, 256") << false << 1600 << 1200 << 254;
        QTest::newRow("1600 x 1200, 8192") << false << 1600 << 1200 << 8190;
        QTest::newRow("odd width") << false << 7 << 3 << 254;
    }
    void pixels()
    {
        // The file holds the per-pixel walk's picture, every header field right.
        QFETCH(bool, rabbit);
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(int, limit);
        if (rabbit)
            Rabbit(W->State);
        W->State.SetIterationLimit(limit);
        TExportValues v = ExportGeometry(W->State, width, height);
        QCOMPARE(v.HalfWidth, width / 2);
        QCOMPARE(v.HalfHeight, height / 2);
        v.Path = Path(QStringLiteral("out.bmp"));
        QCOMPARE(int(RunExport(W->State, v, {})), int(TExportResult::Saved));
        const TBmp bmp = ReadBmp(v.Path);
        QVERIFY(bmp.Valid);
        QCOMPARE(bmp.Image, RenderInProcess(W->State, width, height));
    }

    void reportsAndStops_data()
    {
        // Stop asked at the n-th look (0: never); looks come after rows 20,
        // 41, ... 230 and once more before the write.
        QTest::addColumn<int>("stopAt");
        QTest::addColumn<QList<int>>("reported");
        QTest::addColumn<bool>("written");
        QTest::newRow("to the end") << 0 << QList<int>{20, 41, 62, 83, 104, 125, 146, 167, 188, 209, 230} << true;
        QTest::newRow("at the first point") << 1 << QList<int>{} << false;
        QTest::newRow("at the third point") << 3 << QList<int>{20, 41} << false;
        QTest::newRow("after the last point") << 12 << QList<int>{20, 41, 62, 83, 104, 125, 146, 167, 188, 209, 230}
                                              << false;
    }
    void reportsAndStops()
    {
        QFETCH(int, stopAt);
        QFETCH(QList<int>, reported);
        QFETCH(bool, written);
        TExportValues v = ExportGeometry(W->State, 320, 240);
        v.Path = Path(QStringLiteral("out.bmp"));
        QList<int> rows;
        int looks = 0;
        TExportHooks hooks;
        hooks.StopRequested = [&] { return ++looks == stopAt; };
        hooks.Report = [&](int32_t row) { rows << row; };
        const TExportResult result = RunExport(W->State, v, hooks);
        QCOMPARE(int(result), int(written ? TExportResult::Saved : TExportResult::Stopped));
        QCOMPARE(rows, reported);
        QCOMPARE(QFile::exists(v.Path), written);
    }

    void writeFailureKeepsTheOldFile()
    {
        // A folder in place of the file: nothing written, nothing left over.
        const QString dir = Path(QStringLiteral("taken.bmp"));
        QVERIFY(QDir().mkdir(dir));
        TExportValues v = ExportGeometry(W->State, 32, 24);
        v.Path = dir;
        QCOMPARE(int(RunExport(W->State, v, {})), int(TExportResult::WriteFailed));
        v.Path = Path(QStringLiteral("gone/out.bmp"));
        QCOMPARE(int(RunExport(W->State, v, {})), int(TExportResult::WriteFailed));
        QCOMPARE(QDir(Dir->Path()).entryList(QDir::Files), QStringList());
    }

    void idleWorkerKeepsItsHelpersIdle()
    {
        // A pool of its own, started from a thread at idle priority, runs all
        // its helpers at that priority.
        TPolicyTask task;
        std::thread worker([&task] {
            sched_param none{};
            if (sched_setscheduler(0, SCHED_IDLE, &none) != 0)
                return;
            quilmora::TWalkPool pool;
            task.Wanted = pool.Cores();
            pool.Run(task, pool.Cores() - 1);
        });
        worker.join();
        QCOMPARE(task.Policies, (std::set<int>{SCHED_IDLE}));
        QCOMPARE(task.Arrived.load(), quilmora::TWalkPool::Instance().Cores());
    }

    // The worker and each of its helpers at the chosen priority, read while
    // the export runs: idle class and nice 19 for "Низкий", the main thread's
    // nice for "Нормальный", 5 steps above it for "Высокий" where the system
    // allows (root, or RLIMIT_NICE), else the main thread's.
    void workerPriority_data()
    {
        errno = 0;
        const int own = getpriority(PRIO_PROCESS, 0);
        QCOMPARE(errno, 0);
        rlimit limit{};
        QCOMPARE(getrlimit(RLIMIT_NICE, &limit), 0);
        const int ceiling = geteuid() == 0 || limit.rlim_cur == RLIM_INFINITY
                                ? -20
                                : 20 - int(std::min<rlim_t>(limit.rlim_cur, 40));
        QTest::addColumn<int>("item");
        QTest::addColumn<int>("policy");
        QTest::addColumn<int>("nice");
        QTest::newRow("Низкий") << 0 << SCHED_IDLE << 19;
        QTest::newRow("Нормальный") << 1 << SCHED_OTHER << own;
        QTest::newRow("Высокий") << 2 << SCHED_OTHER << std::min(own, std::max(own - 5, ceiling));
    }
    void workerPriority()
    {
        QFETCH(int, item);
        QFETCH(int, policy);
        QFETCH(int, nice);
        QList<TThreadPriority> seen;
        RunAction(QStringLiteral("priority"), [&](TSizeAndExt& f) {
            // At a report point the worker waits for the window and its
            // helpers are up.
            connect(f.CGauge1, &QProgressBar::valueChanged, &f, [&] {
                if (seen.isEmpty())
                    seen = ThreadsNamed("TRollImage");
            });
            f.IsCloseAfter->setChecked(true);
            Start(f, 0, 0, item);
            QVERIFY(QTest::qWaitFor([&] { return !f.isVisible(); }, Patience));
        });
        QCOMPARE(seen.size(), quilmora::TWalkPool::Instance().Cores());  // the worker and a helper per further core
        for (const TThreadPriority& t : std::as_const(seen)) {
            QCOMPARE(t.Policy, policy);
            QCOMPARE(t.Nice, nice);
        }
        QVERIFY(ReadBmp(Path(QStringLiteral("priority.bmp"))).Valid);
    }

    // ---- The action and the window ----

    void action_data()
    {
        QTest::addColumn<bool>("slideShow");
        QTest::addColumn<QString>("current");
        QTest::addColumn<QStringList>("proposed");
        QTest::newRow("nothing opened") << false << "" << QStringList{"new_image"};
        QTest::newRow("a fractal opened") << false << "spiral" << QStringList{"spiral"};
        QTest::newRow("slide show") << true << "spiral" << QStringList{};
    }
    void action()
    {
        QFETCH(bool, slideShow);
        QFETCH(QString, current);
        QFETCH(QStringList, proposed);
        QCOMPARE(W->SaveImage->text(), QStringLiteral("Сохранить &как.."));
        QCOMPARE(W->SaveImage->shortcut(), QKeySequence(Qt::Key_F7));
        const QList<QAction*> file = W->MenuFile->actions();
        QCOMPARE(file.indexOf(W->SaveImage), file.indexOf(W->SavePalette) + 1);
        W->State.CurrentFractalName = current;
        W->UpdateActions();
        W->State.SlideShowRunning = slideShow;
        W->Animation.Cx.StopRequest = W->Animation.Cy.StopRequest = false;
        W->SaveImage->trigger();  // the dialog cancelled: no window
        QCOMPARE(Proposed, proposed);
        QCOMPARE(W->Animation.Cx.StopRequest, !slideShow);
        QCOMPARE(W->Animation.Cy.StopRequest, !slideShow);
    }

    void window()
    {
        W->show();
        QVERIFY(QTest::qWaitForWindowExposed(W.get()));
        W->move(120, 80);
        W->State.CloseExportAfterSave = 1;
        W->State.SetIterationLimit(300);
        const QString chosen = QStringLiteral("/home/someone/pictures/julia/sets/of/many/kinds/spiral.v3");
        RunAction(chosen, [&](TSizeAndExt& f) {
            QCOMPARE(f.windowTitle(), QStringLiteral("Расчет и сохранение изображения"));
            QCOMPARE(f.size(), QSize(354, 227));
            QVERIFY(!f.windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
            QCOMPARE(f.Export.Path, QStringLiteral("/home/someone/pictures/julia/sets/of/many/kinds/spiral.bmp"));
            QVERIFY2(f.SaveFName->text().startsWith(QStringLiteral("/.../")) &&
                         f.SaveFName->text().endsWith(QStringLiteral("/kinds/spiral.bmp")),
                     qPrintable(f.SaveFName->text()));
            QVERIFY(f.SaveFName->fontMetrics().horizontalAdvance(f.SaveFName->text()) <= 277);
            QCOMPARE(f.SavedIterationLimit, 300);
            QVERIFY(f.IsCloseAfter->isChecked());
            const std::pair<QComboBox*, QStringList> lists[] = {
                {f.WIm, {"320 x 240", "640 x 480", "800 x 600", "1024 x 768", "1152 x 864", "1280 x 960",
                         "1280 x 1024", "1600 x 1200"}},
                {f.Iterations, {"256", "512", "1024", "2048", "4096", "8192"}},
                {f.PrF, {"Низкий", "Нормальный", "Высокий"}}};
            for (const auto& [list, items] : lists) {
                QStringList shown;
                for (int i = 0; i < list->count(); ++i)
                    shown << list->itemText(i);
                QCOMPARE(shown, items);
                QCOMPARE(list->currentIndex(), 0);
                QVERIFY(list->isEditable() && list->isEnabled());
            }
            const std::pair<QWidget*, QString> hinted[] = {
                {f.SaveFName, " Выбранный каталог и имя файла "},
                {f.WIm, " Выбор разрешения сохраняемого изображения"},
                {f.Iterations, " Выбор детализации сохраняемого изображения"},
                {f.PrF, " Выбор приоритета потока расчитывающего изображение"},
                {f.CGauge1, " Показывает % выполненной работы"},
                {f.ButtonOk, " Запускает расчет сохраняемого изображения"},
                {f.CanBut, " Останавливает расчет, если идёт, и закрывает форму расчета и сохранения"}};
            for (const auto& [w, hint] : hinted)
                QCOMPARE(HintOf(w), hint);
            QCOMPARE(f.Label1->text(), QStringLiteral("Файл:"));
            QCOMPARE(f.Itog->text(), QStringLiteral("Выполнено:"));
            QCOMPARE(f.CGauge1->value(), 0);
            QCOMPARE(f.CGauge1->text(), QStringLiteral("0%"));
            QCOMPARE(f.CanBut->text(), QStringLiteral("Отмена"));
            // Every control inside the window, none over another.
            const QList<QWidget*> controls = f.findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
            for (QWidget* a : controls) {
                QVERIFY2(f.rect().contains(a->geometry()), qPrintable(a->objectName()));
                for (QWidget* b : controls)
                    QVERIFY2(a == b || !a->geometry().intersects(b->geometry()),
                             qPrintable(a->objectName() + " / " + b->objectName()));
            }
            // Centred on the main window.
            QVERIFY((f.frameGeometry().center() - W->frameGeometry().center()).manhattanLength() <= 4);
            QTest::mouseClick(f.IsCloseAfter, Qt::LeftButton);
            QTest::mouseClick(f.CanBut, Qt::LeftButton);
        });
        QCOMPARE(W->State.CloseExportAfterSave, 0);
        QCOMPARE(W->State.IterationLimit, 300);
    }

    void exportFlow_data()
    {
        QTest::addColumn<int>("depth");
        QTest::addColumn<int>("limit");
        QTest::addColumn<bool>("closeAfter");
        QTest::newRow("256, closes by itself") << 0 << 254 << true;
        QTest::newRow("8192, stays open") << 5 << 8190 << false;
    }
    void exportFlow()
    {
        QFETCH(int, depth);
        QFETCH(int, limit);
        QFETCH(bool, closeAfter);
        W->State.CloseExportAfterSave = closeAfter;
        QList<int> gauge;
        QList<int32_t> limits;
        QString canButAfter;
        bool closedBySave = false;
        RunAction(QStringLiteral("new_image"), [&](TSizeAndExt& f) {
            connect(f.CGauge1, &QProgressBar::valueChanged, &f, [&](int value) {
                gauge << value;
                limits << W->State.IterationLimit;
            });
            connect(&f, &QDialog::finished, &f, [&] { closedBySave = f.ExportSaved && !f.ExportRunning; });
            Start(f, 0, depth, 1);
            QVERIFY(!f.WIm->isEnabled() && !f.Iterations->isEnabled() && !f.PrF->isEnabled() &&
                    !f.ButtonOk->isEnabled());
            if (closeAfter)
                return;  // the timer closes it
            QVERIFY(QTest::qWaitFor([&] { return f.ExportSaved; }, Patience));
            QCOMPARE(f.Itog->text(), QStringLiteral("Файл успешно сохранен."));
            canButAfter = f.CanBut->text();
            QTest::qWait(300);
            QVERIFY(f.isVisible());
            QTest::mouseClick(f.IsCloseAfter, Qt::LeftButton);  // closes at once
            QVERIFY(!f.isVisible());
        });
        QVERIFY(closedBySave);
        QCOMPARE(gauge, (QList<int>{8, 17, 25, 34, 43, 52, 60, 69, 78, 87, 95, 100}));
        QCOMPARE(limits, QList<int32_t>(12, limit));
        QCOMPARE(W->State.IterationLimit, 254);
        QCOMPARE(W->State.CloseExportAfterSave, 1);
        if (!closeAfter)
            QCOMPARE(canButAfter, QStringLiteral("Закрыть"));
        const TBmp bmp = ReadBmp(Path(QStringLiteral("new_image.bmp")));
        QVERIFY(bmp.Valid);
        if (limit == 254)  // worked out independently by tests/reference/derive_pictures.py
            QCOMPARE(PictureHash(bmp.Image), Q_UINT64_C(0xf918550daef6292d));
        QCOMPARE(bmp.Image, Reference(320, 240, limit));
    }

    void closeAfterSurvivesARestart()
    {
        RunAction(QStringLiteral("first"), [](TSizeAndExt& f) {
            QVERIFY(!f.IsCloseAfter->isChecked());
            QTest::mouseClick(f.IsCloseAfter, Qt::LeftButton);
            QTest::mouseClick(f.CanBut, Qt::LeftButton);
        });
        W->close();
        QCOMPARE(StoredField(ReadBytes(Path(QStringLiteral("settings.dat"))), 4), 1);
        W = std::make_unique<TMainFormForTests>();
        QVERIFY(WaitIdle(W->State));
        bool checked = false;
        RunAction(QStringLiteral("second"), [&](TSizeAndExt& f) {
            checked = f.IsCloseAfter->isChecked();
            QTest::mouseClick(f.CanBut, Qt::LeftButton);
        });
        QVERIFY(checked);
    }

    void failures_data()
    {
        QTest::addColumn<bool>("threadFails");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("text");
        QTest::newRow("no thread") << true << "pic" << "Ошибка:" << "Не удалось создать поток \n для расчета изображения";
        QTest::newRow("folder gone") << false << "gone/pic" << "Ошибка:" << "Не удалось записать файл\n%1/gone/pic.bmp";
    }
    void failures()
    {
        // The message, the choices back, nothing running; the limit restored.
        QFETCH(bool, threadFails);
        QFETCH(QString, file);
        QFETCH(QString, caption);
        QFETCH(QString, text);
        TSizeAndExt::ThreadFailsForTests = threadFails;
        RunAction(file, [&](TSizeAndExt& f) {
            Start(f, 0, 5, 0);
            QVERIFY(QTest::qWaitFor([&] { return !Recorder->Messages.isEmpty() && !f.ExportRunning; }, Patience));
            QVERIFY(f.WIm->isEnabled() && f.Iterations->isEnabled() && f.PrF->isEnabled() && f.ButtonOk->isEnabled());
            QCOMPARE(W->State.IterationLimit, 8190);
            QTest::mouseClick(f.CanBut, Qt::LeftButton);
        });
        QCOMPARE(Recorder->Messages.size(), 1);
        QCOMPARE(int(Recorder->Messages[0].Kind), int(TMessageKind::Error));
        QCOMPARE(Recorder->Messages[0].Caption, caption);
        QCOMPARE(Recorder->Messages[0].Text, text.contains("%1") ? text.arg(Dir->Path()) : text);
        QCOMPARE(W->State.IterationLimit, 254);
    }

    void pastedTexts()
    {
        // A size that is not listed refuses to start; a depth that is not
        // listed keeps the limit; a priority that is not listed is none.
        W->State.SetIterationLimit(400);
        int32_t limitDuring = 0;
        RunAction(QStringLiteral("pasted"), [&](TSizeAndExt& f) {
            f.WIm->setEditText(QStringLiteral("333 x 1"));
            QTest::mouseClick(f.ButtonOk, Qt::LeftButton);
            QCOMPARE(Recorder->Messages.size(), 1);
            QCOMPARE(int(Recorder->Messages[0].Kind), int(TMessageKind::Warning));
            QVERIFY(f.ButtonOk->isEnabled() && !f.ExportRunning);
            f.WIm->setEditText(QStringLiteral("320 x 240"));
            f.Iterations->setEditText(QStringLiteral("300"));
            f.PrF->setEditText(QStringLiteral("Срочно"));
            connect(f.CGauge1, &QProgressBar::valueChanged, &f, [&] { limitDuring = W->State.IterationLimit; });
            QTest::mouseClick(f.ButtonOk, Qt::LeftButton);
            QCOMPARE(f.Export.Priority, -1);
            QVERIFY(QTest::qWaitFor([&] { return f.ExportSaved; }, Patience));
            QTest::mouseClick(f.CanBut, Qt::LeftButton);
        });
        QCOMPARE(limitDuring, 400);
        QCOMPARE(W->State.IterationLimit, 400);
        QVERIFY(QFile::exists(Path(QStringLiteral("pasted.bmp"))));
    }

    void noKeyActs()
    {
        W->show();
        QVERIFY(QTest::qWaitForWindowExposed(W.get()));
        bool stillUp = false;
        RunAction(QStringLiteral("keys"), [&](TSizeAndExt& f) {
            f.activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(&f));
            f.WIm->setFocus();
            QTRY_VERIFY(QApplication::focusWidget() && QApplication::focusWidget()->window() == &f);
            QWidget* const focus = QApplication::focusWidget();
            for (const QKeyCombination key :
                 {QKeyCombination(Qt::Key_F7), QKeyCombination(Qt::Key_Escape), QKeyCombination(Qt::Key_Tab),
                  QKeyCombination(Qt::Key_Return), QKeyCombination(Qt::Key_Down), QKeyCombination(Qt::Key_K),
                  QKeyCombination(Qt::ALT, Qt::Key_F4), QKeyCombination(Qt::CTRL, Qt::Key_Q)}) {
                QTest::keyClick(QApplication::focusWidget(), key.key(), key.keyboardModifiers());
                QCoreApplication::processEvents();
            }
            QVERIFY(f.isVisible());
            QCOMPARE(QApplication::focusWidget(), focus);
            QCOMPARE(f.WIm->currentIndex(), 0);
            QCOMPARE(f.WIm->currentText(), QStringLiteral("320 x 240"));
            stillUp = true;
            QTest::mouseClick(f.CanBut, Qt::LeftButton);
        });
        QVERIFY(stillUp);
        QCOMPARE(Proposed.size(), 1);
        QVERIFY(W->isVisible());
        QCOMPARE(W->State.ToolMode, TToolMode::Koef);
    }

    void mainThreadServesDuringExport()
    {
        // 1600 x 1200 at 8192: the timers run, the main picture repaints and
        // the window takes clicks while the worker computes.
        W->show();
        QVERIFY(QTest::qWaitForWindowExposed(W.get()));
        Rabbit(W->State);
        int ticks = 0, paints = 0;
        struct TPaints : QObject {
            int& Count;
            explicit TPaints(int& count) : Count(count) {}
            bool eventFilter(QObject*, QEvent* e) override
            {
                Count += e->type() == QEvent::Paint;
                return false;
            }
        } counter(paints);
        W->Pic->installEventFilter(&counter);
        RunAction(QStringLiteral("big"), [&](TSizeAndExt& f) {
            QTimer tick;
            connect(&tick, &QTimer::timeout, &f, [&] {
                ++ticks;
                W->Pic->update();
            });
            tick.start(5);
            Start(f, 7, 5, 0);
            QVERIFY(QTest::qWaitFor([&] { return f.CGauge1->value() > 0; }, Patience));
            const int before = ticks;
            QTest::mouseClick(f.IsCloseAfter, Qt::LeftButton);
            QVERIFY(f.IsCloseAfter->isChecked());
            QVERIFY(QTest::qWaitFor([&] { return ticks >= before + 3 || f.ExportSaved; }, Patience));
            QVERIFY2(!f.ExportSaved || ticks >= 3, "the export ended before the main thread could be watched");
            QVERIFY(QTest::qWaitFor([&] { return !f.isVisible(); }, Patience));  // closed by the box
        });
        W->Pic->removeEventFilter(&counter);
        QVERIFY(ticks >= 3);
        QVERIFY(paints >= 2);
        QVERIFY(ReadBmp(Path(QStringLiteral("big.bmp"))).Valid);
    }

    void cancel_data()
    {
        // Close at the first progress, or with the worker already waiting in
        // its report call while the main thread was busy.
        QTest::addColumn<bool>("workerWaiting");
        QTest::newRow("at a progress") << false;
        QTest::newRow("worker waiting in a report") << true;
    }
    void cancel()
    {
        QFETCH(bool, workerWaiting);
        Rabbit(W->State);
        bool stoppedEarly = false;
        RunAction(QStringLiteral("cancelled"), [&](TSizeAndExt& f) {
            Start(f, 7, 5, 1);
            if (workerWaiting) {
                // Not serving events: the worker reaches row 20 and waits.
                QThread::msleep(300);
                f.close();
            } else {
                QVERIFY(QTest::qWaitFor([&] { return f.CGauge1->value() > 0; }, Patience));
                QTest::mouseClick(f.CanBut, Qt::LeftButton);
            }
            stoppedEarly = !f.ExportRunning && !f.ExportSaved;
        });
        QVERIFY(stoppedEarly);
        QVERIFY(!QFile::exists(Path(QStringLiteral("cancelled.bmp"))));
        QCOMPARE(W->State.IterationLimit, 254);
        QCOMPARE(QDir(Dir->Path()).entryList(QDir::Files), QStringList());
    }
};

QTEST_MAIN(TestExport)
#include "tst_export.moc"
