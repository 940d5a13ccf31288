#pragma once
// The export window: size, depth and priority of a picture of the current
// view, its computation on a worker thread with a progress gauge, the BMP.

#include "export/ImageExport.h"

#include <QDialog>
#include <QPointer>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

class QCheckBox;
class QComboBox;
class QKeyEvent;
class QLabel;
class QProgressBar;
class QPushButton;
class TMainHost;
class TSizeAndExt;

// The hand-over of the worker's calls to the main thread. The call is left
// here under the mutex and taken under it, so what it carries passes by this
// lock, not only through Qt's event queue; the worker waits for it to be done.
// Shared by the worker and the window.
struct TWorkerCalls {
    std::mutex Mutex;
    std::condition_variable Finished;
    std::function<void()> Pending;  // posted, not yet taken by the main thread
    uint64_t Posted = 0, Done = 0;
    bool Abandoned = false;
};

// The worker: computes the picture on all cores and writes it; talks to the
// window only through calls it runs on the main thread and waits for.
// Walks its own copy of the picture's values, taken when it is made (on the
// main thread). Deletes itself when done.
class TRollImage : public QThread {
    Q_OBJECT
public:
    TRollImage(TSizeAndExt& form, const ProgramState& state, const TExportValues& values,
               std::shared_ptr<TWorkerCalls> calls);

    // Main thread, when the window closes: the worker waits for none of its
    // calls any more (it stops at its next report point).
    void Abandon();

protected:
    void run() override { Execute(); }

private:
    void Execute();
    // Runs 'call' on the main thread and waits for it.
    void Synchronize(std::function<void()> call);

    TSizeAndExt& Form;
    ProgramState Picture;  // what the walk reads, copied from the main window's state
    const TExportValues Values;
    const std::shared_ptr<TWorkerCalls> Calls;
};

// The worker's priority by the item of the priority list, for the calling
// thread and the threads it starts afterwards: 0 the idle class (SCHED_IDLE)
// and the lowest nice value, 2 a nice value 5 steps above the one it has, as
// far as the system allows (root, or a raised RLIMIT_NICE), else unchanged;
// any other item leaves it as it is.
void SetWorkerPriority(int item);

class TSizeAndExt : public QDialog {
    Q_OBJECT
public:
    TSizeAndExt(TMainHost& main, const QString& chosenPath);
    ~TSizeAndExt() override;

    // The main window's action: asks for the file, then shows the window.
    static void SaveImageExecute(TMainHost& main);

    // ---- Tests only ----
    // Answers the file dialog instead of the user: the chosen path, or none
    // for a cancel. Given the proposed name.
    static std::function<std::optional<QString>(const QString& proposed)> SaveDialogForTests;
    // The worker counts as not created.
    static bool ThreadFailsForTests;

    static constexpr int ClientWidth = 354, ClientHeight = 227;
    static constexpr int PathWidth = 277;  // SaveFName's room

    // Controls, in the order of the window's layout.
    QLabel* Label1 = nullptr;
    QLabel* SaveFName = nullptr;
    QLabel* Label2 = nullptr;
    QComboBox* WIm = nullptr;
    QLabel* Label4 = nullptr;
    QComboBox* Iterations = nullptr;
    QLabel* Label3 = nullptr;
    QComboBox* PrF = nullptr;
    QLabel* Itog = nullptr;
    QProgressBar* CGauge1 = nullptr;
    QCheckBox* IsCloseAfter = nullptr;
    QPushButton* ButtonOk = nullptr;
    QPushButton* CanBut = nullptr;
    QTimer Timer1;

    // From the worker's creation until its last step.
    std::atomic<bool> ExportRunning{false};
    TExportValues Export;  // what the worker is given
    int32_t ExportRow = 0;
    int32_t SavedIterationLimit = 0;
    bool ExportSaved = false;

    // Handlers
    void ButtonOkClick();
    void CanButClick();
    void IsCloseAfterClick();
    void Timer1Timer();
    bool FormShortCut(QKeyEvent* event);
    void FormClose();

    // Run on the main thread for the worker.
    void ReportProgress();
    void FinishExport();
    void ExportFailed(TExportResult result);

    // The listed item the text of a list's edit field names, -1 for none.
    static int ListedIndex(const QComboBox* list);

protected:
    void done(int result) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildWindow();
    void EnableChoices(bool enabled);
    // Runs the call the worker posted, on the main thread.
    Q_INVOKABLE void RunWorkerCall();

    TMainHost& Main;
    QPointer<TRollImage> RollImage;
    std::shared_ptr<TWorkerCalls> WorkerCalls;
    bool Closed = false;
};
